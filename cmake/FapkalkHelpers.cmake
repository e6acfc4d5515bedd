# fapkalk_add_library(NAME SOURCES file... [LIBS lib...])
# A static library of the listed sources (paths below src/). It carries the
# project's options (fapkalk_options) and passes them on to whatever links it.
function(fapkalk_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    list(TRANSFORM ARG_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/src/)
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
    target_link_libraries(${name} PUBLIC fapkalk_options ${ARG_LIBS})
endfunction()

# fapkalk_add_tests(DIR dir TESTS name... [HELPERS file...] [LIBS lib...])
# One test executable per name (tests/<dir>/<name>.cpp), each linked with the
# helper sources of the folder; the ctest name is <dir>/<name>.
function(fapkalk_add_tests)
    cmake_parse_arguments(ARG "" "DIR" "TESTS;HELPERS;LIBS" ${ARGN})
    set(folder ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
    list(TRANSFORM ARG_HELPERS PREPEND ${folder}/)
    string(REPLACE "/" "_" prefix ${ARG_DIR})
    foreach(base IN LISTS ARG_TESTS)
        set(target ${prefix}_${base})
        add_executable(${target} ${folder}/${base}.cpp ${ARG_HELPERS})
        target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${folder})
        target_link_libraries(${target} PRIVATE fapkalk_options Qt6::Test ${ARG_LIBS})
        target_compile_definitions(${target} PRIVATE
            FAPKALK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
            FAPKALK_BINARY_DIR="${PROJECT_BINARY_DIR}")
        add_test(NAME ${prefix}/${base} COMMAND ${target})
        set_tests_properties(${prefix}/${base} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-config;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;LC_ALL=C.UTF-8"
            TIMEOUT 600)
    endforeach()
endfunction()
