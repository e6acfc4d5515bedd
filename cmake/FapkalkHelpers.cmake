# Precompiled headers. Most of a window source's compile time is spent reading
# the Qt headers, so each kind of target reuses one precompiled set made by a
# small target of its own: fapkalk_pch_widgets for the window libraries and
# programs, fapkalk_pch_test_core / fapkalk_pch_test_widgets for the tests
# without / with Qt Widgets (the Qt module macros and so QTEST_MAIN differ).
# The Qt-free libraries get none, so nothing can slip Qt into them.
# -DCMAKE_DISABLE_PRECOMPILE_HEADERS=ON builds without.
set(FAPKALK_PCH_STD <algorithm> <functional> <memory> <optional> <string> <string_view> <vector>)
set(FAPKALK_PCH_WIDGETS
    <QApplication> <QCoreApplication> <QDialog> <QDir> <QEvent> <QFile> <QFrame> <QGroupBox>
    <QHeaderView> <QKeyEvent> <QLabel> <QLineEdit> <QPushButton> <QRadioButton> <QString>
    <QStringList> <QTableView> <QTimer> <QWidget>)

set(FAPKALK_TEST_RUNNER_DIR ${PROJECT_SOURCE_DIR}/tests/runner)

# The tests' own sources only drive and compare, so in the test build
# (RelWithDebInfo) they are optimised at -O1, which compiles a third faster
# under the sanitizers and keeps every sanitizer check; the code under test
# keeps -O2, as it ships.
set(FAPKALK_TEST_OPTIONS $<$<CONFIG:RelWithDebInfo>:-O1>)

# The target that makes the precompiled headers of one kind (widgets,
# test_core, test_widgets), created where it is first asked for: the test kinds
# in tests/, whose folder is part of Qt Test's macros.
function(_fapkalk_pch kind)
    set(name fapkalk_pch_${kind})
    if(TARGET ${name})
        return()
    endif()
    if(kind STREQUAL "widgets")
        set(libs Qt6::Widgets)
        set(headers ${FAPKALK_PCH_STD} ${FAPKALK_PCH_WIDGETS})
    elseif(kind STREQUAL "test_core")
        set(libs Qt6::Test)
        set(headers ${FAPKALK_PCH_STD} <QtTest> <QTemporaryDir> ${FAPKALK_TEST_RUNNER_DIR}/test_registry.h)
    else()
        set(libs Qt6::Widgets Qt6::Test)
        set(headers ${FAPKALK_PCH_STD} <QtTest> <QTemporaryDir> <QSignalSpy> ${FAPKALK_PCH_WIDGETS}
            ${FAPKALK_TEST_RUNNER_DIR}/test_registry.h)
    endif()
    set(source ${CMAKE_BINARY_DIR}/generated/${name}.cpp)
    file(CONFIGURE OUTPUT ${source} CONTENT "// Only carries the precompiled headers.\n")
    add_library(${name} STATIC EXCLUDE_FROM_ALL ${source})
    target_link_libraries(${name} PRIVATE fapkalk_options ${libs})
    if(kind MATCHES "^test_")
        target_compile_options(${name} PRIVATE ${FAPKALK_TEST_OPTIONS})
    endif()
    target_precompile_headers(${name} PRIVATE ${headers})
    set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF)
endfunction()

# fapkalk_add_library(NAME SOURCES file... [LIBS lib...] [PCH kind])
# A static library of the listed sources (paths below src/). It carries the
# project's options (fapkalk_options) and passes them on to whatever links it.
function(fapkalk_add_library name)
    cmake_parse_arguments(ARG "" "PCH" "SOURCES;LIBS" ${ARGN})
    list(TRANSFORM ARG_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/src/)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC fapkalk_options ${ARG_LIBS})
    if(ARG_PCH)
        _fapkalk_pch(${ARG_PCH})
        target_precompile_headers(${name} REUSE_FROM fapkalk_pch_${ARG_PCH})
    endif()
endfunction()

# Whether linking the given libraries brings in Qt Widgets.
function(_fapkalk_links_widgets out)
    set(found OFF)
    foreach(lib IN LISTS ARGN)
        if(lib STREQUAL "Qt6::Widgets")
            set(found ON)
        elseif(lib MATCHES "^fapkalk_" AND TARGET ${lib})
            get_target_property(deps ${lib} INTERFACE_LINK_LIBRARIES)
            if(deps)
                _fapkalk_links_widgets(sub ${deps})
                if(sub)
                    set(found ON)
                endif()
            endif()
        endif()
    endforeach()
    set(${out} ${found} PARENT_SCOPE)
endfunction()

# The tests' Q_OBJECT classes live in their test_*.cpp files, each of which
# includes its own moc output (test_fields.moc). moc runs on the file alone:
# given the target's include paths, as AUTOMOC gives them, it reads every Qt
# header the file includes, thirty times as long, for the same output.
function(_fapkalk_test_moc target)
    set_target_properties(${target} PROPERTIES AUTOMOC OFF)
    set(dir ${CMAKE_CURRENT_BINARY_DIR}/${target}_moc)
    get_target_property(sources ${target} SOURCES)
    set(outputs)
    foreach(source IN LISTS sources)
        get_filename_component(base ${source} NAME_WE)
        if(NOT base MATCHES "^test_" OR base STREQUAL "test_runner")
            continue()
        endif()
        set(output ${dir}/${base}.moc)
        add_custom_command(OUTPUT ${output} COMMAND Qt6::moc -o ${output} ${source}
            DEPENDS ${source} Qt6::moc COMMENT "moc ${base}.cpp" VERBATIM)
        list(APPEND outputs ${output})
    endforeach()
    target_sources(${target} PRIVATE ${outputs})
    set_source_files_properties(${outputs} PROPERTIES HEADER_FILE_ONLY ON)
    target_include_directories(${target} PRIVATE ${dir})
endfunction()

# fapkalk_add_tests(DIR dir TESTS name... [ALONE name...] [HELPERS file...] [LIBS lib...])
# The tests of tests/<dir>/<name>.cpp. Each is its own ctest entry <dir>/<name>
# and runs in a process of its own, but the TESTS of a folder share one
# executable, <dir>_tests (slashes as _), built once with the folder's helper
# sources: runner/test_runner.cpp is its main() and runs the test named by its
# first argument, and runner/test_registry.h (included first, with the
# precompiled headers) turns each file's QTEST_MAIN into a registration. An
# ALONE test has a main() of its own (e.g. because it starts itself as a child
# process) and is an executable <dir>_<name> of its own.
function(fapkalk_add_tests)
    cmake_parse_arguments(ARG "" "DIR" "TESTS;ALONE;HELPERS;LIBS" ${ARGN})
    set(folder ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
    list(TRANSFORM ARG_HELPERS PREPEND ${folder}/)
    string(REPLACE "/" "_" prefix ${ARG_DIR})
    _fapkalk_links_widgets(widgets ${ARG_LIBS})
    if(widgets)
        set(pch test_widgets)
    else()
        set(pch test_core)
    endif()
    _fapkalk_pch(${pch})

    set(targets)
    if(ARG_TESTS)
        set(group ${prefix}_tests)
        set(sources ${ARG_TESTS})
        list(TRANSFORM sources PREPEND ${folder}/)
        list(TRANSFORM sources APPEND .cpp)
        add_executable(${group} ${sources} ${ARG_HELPERS} ${FAPKALK_TEST_RUNNER_DIR}/test_runner.cpp)
        if(CMAKE_DISABLE_PRECOMPILE_HEADERS)
            set_source_files_properties(${sources} PROPERTIES
                COMPILE_OPTIONS "-include;${FAPKALK_TEST_RUNNER_DIR}/test_registry.h")
        endif()
        list(APPEND targets ${group})
        foreach(base IN LISTS ARG_TESTS)
            add_test(NAME ${prefix}/${base} COMMAND ${group} ${base})
        endforeach()
    endif()
    foreach(base IN LISTS ARG_ALONE)
        set(target ${prefix}_${base})
        add_executable(${target} ${folder}/${base}.cpp ${ARG_HELPERS})
        list(APPEND targets ${target})
        add_test(NAME ${prefix}/${base} COMMAND ${target})
    endforeach()

    foreach(target IN LISTS targets)
        target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${folder})
        target_link_libraries(${target} PRIVATE fapkalk_options Qt6::Test ${ARG_LIBS})
        target_compile_options(${target} PRIVATE ${FAPKALK_TEST_OPTIONS})
        target_compile_definitions(${target} PRIVATE
            FAPKALK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
            FAPKALK_BINARY_DIR="${PROJECT_BINARY_DIR}")
        target_precompile_headers(${target} REUSE_FROM fapkalk_pch_${pch})
        _fapkalk_test_moc(${target})
    endforeach()
    foreach(base IN LISTS ARG_TESTS ARG_ALONE)
        set_tests_properties(${prefix}/${base} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-config;XDG_DATA_HOME=${PROJECT_BINARY_DIR}/test-data;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;LC_ALL=C.UTF-8"
            TIMEOUT 600)
    endforeach()
endfunction()
