// Lets several Qt Test files share one executable. Each test file still ends
// in QTEST_MAIN, QTEST_GUILESS_MAIN or QTEST_APPLESS_MAIN; with this header
// included first (it is one of the tests' precompiled headers), those macros
// no longer define main() but register the same body under the file's base
// name, and test_runner.cpp's main() runs the one test named by its first
// argument:
//
//   ui_main_tests test_fields [Qt Test arguments...]
//
// Every run is still one test class in a fresh process with its own
// application object, exactly as the file's own main() would have made it.
#pragma once

#include <QtTest/qtest.h>

namespace testrunner {

using TestMain = int (*)(int argc, char** argv);

// Records `main` under the base name of `sourceFile` (test_fields for
// .../test_fields.cpp). Returns false when that name is taken already.
bool Register(const char* sourceFile, TestMain main);

} // namespace testrunner

// Qt's QTEST_MAIN_WRAPPER, as a registered function instead of main().
#define FAPKALK_REGISTERED_TEST(TestObject, ...)                                                   \
    namespace {                                                                                    \
    int FapkalkRegisteredTestMain_##TestObject(int argc, char* argv[]) {                           \
        QT_PREPEND_NAMESPACE(QTest::Internal::callInitMain)<TestObject>();                         \
        __VA_ARGS__                                                                                \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }                                                                                              \
    [[maybe_unused]] const bool fapkalkTestRegistered_##TestObject =                               \
        testrunner::Register(__FILE__, FapkalkRegisteredTestMain_##TestObject);                    \
    }

#undef QTEST_MAIN
#define QTEST_MAIN(TestObject) FAPKALK_REGISTERED_TEST(TestObject, QTEST_MAIN_SETUP())
#undef QTEST_GUILESS_MAIN
#define QTEST_GUILESS_MAIN(TestObject)                                                             \
    FAPKALK_REGISTERED_TEST(TestObject, QTEST_QAPP_SETUP(QCoreApplication))
#undef QTEST_APPLESS_MAIN
#define QTEST_APPLESS_MAIN(TestObject) FAPKALK_REGISTERED_TEST(TestObject)
