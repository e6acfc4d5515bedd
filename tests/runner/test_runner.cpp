// main() of a test executable that holds several Qt Test files (see
// test_registry.h): runs the test named by the first argument and passes the
// rest to Qt Test.
#include "runner/test_registry.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct Registry {
    std::map<std::string, testrunner::TestMain> tests;
    std::vector<std::string> duplicates;
};

Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

std::string BaseName(const char* path) {
    std::string name(path);
    const auto slash = name.find_last_of('/');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const auto dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

int Usage(const char* program) {
    std::fprintf(stderr, "usage: %s TEST [Qt Test arguments...]\ntests:", program);
    for (const auto& entry : TheRegistry().tests)
        std::fprintf(stderr, " %s", entry.first.c_str());
    std::fprintf(stderr, "\n");
    return 2;
}

} // namespace

bool testrunner::Register(const char* sourceFile, TestMain main) {
    const std::string name = BaseName(sourceFile);
    if (!TheRegistry().tests.emplace(name, main).second) {
        TheRegistry().duplicates.push_back(name);
        return false;
    }
    return true;
}

int main(int argc, char** argv) {
    for (const auto& name : TheRegistry().duplicates)
        std::fprintf(stderr, "%s: two test files are named %s\n", argv[0], name.c_str());
    if (!TheRegistry().duplicates.empty())
        return 2;
    if (argc < 2 || argv[1][0] == '-')
        return Usage(argv[0]);
    const auto found = TheRegistry().tests.find(argv[1]);
    if (found == TheRegistry().tests.end()) {
        std::fprintf(stderr, "%s: no test named %s\n", argv[0], argv[1]);
        return Usage(argv[0]);
    }
    // The test sees the program name and its own arguments, as under its own main().
    std::vector<char*> args{argv[0]};
    args.insert(args.end(), argv + 2, argv + argc);
    args.push_back(nullptr);
    return found->second(argc - 1, args.data());
}
