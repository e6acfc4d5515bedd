# fapkalk_add_library(NAME DIRS dir... LIBS lib...)
# A static library of every .cpp in the given folders (relative to the calling
# CMakeLists), so adding a source file needs no CMake edit.
function(fapkalk_add_library name)
    cmake_parse_arguments(ARG "" "" "DIRS;LIBS;EXCLUDE" ${ARGN})
    set(sources)
    foreach(dir IN LISTS ARG_DIRS)
        file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.h)
        list(APPEND sources ${found})
    endforeach()
    foreach(ex IN LISTS ARG_EXCLUDE)
        list(FILTER sources EXCLUDE REGEX "${ex}")
    endforeach()
    list(FILTER sources INCLUDE REGEX "\\.cpp$|\\.h$")
    set(cpps ${sources})
    list(FILTER cpps INCLUDE REGEX "\\.cpp$")
    if(cpps)
        add_library(${name} STATIC ${sources})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
        target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    else()
        # Nothing to compile yet: a header-only interface keeps the dependants linking.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src ${CMAKE_BINARY_DIR}/generated)
        target_link_libraries(${name} INTERFACE ${ARG_LIBS})
    endif()
endfunction()

# fapkalk_add_tests(DIR dir LIBS lib...)
# One test executable per tests/<dir>/test_*.cpp; other .cpp files in the folder
# are helpers linked into each of them.
function(fapkalk_add_tests)
    cmake_parse_arguments(ARG "" "DIR" "LIBS" ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/test_*.cpp)
    file(GLOB helpers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR}/*.h)
    list(FILTER helpers EXCLUDE REGEX "/test_[^/]*\\.cpp$")
    foreach(src IN LISTS tests)
        get_filename_component(base ${src} NAME_WE)
        string(REPLACE "/" "_" prefix ${ARG_DIR})
        set(target ${prefix}_${base})
        add_executable(${target} ${src} ${helpers})
        target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${ARG_DIR})
        target_link_libraries(${target} PRIVATE Qt6::Test ${ARG_LIBS})
        target_compile_definitions(${target} PRIVATE
            FAPKALK_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
            FAPKALK_BINARY_DIR="${PROJECT_BINARY_DIR}")
        add_test(NAME ${prefix}/${base} COMMAND ${target})
        set_tests_properties(${prefix}/${base} PROPERTIES
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_CONFIG_HOME=${PROJECT_BINARY_DIR}/test-config;ASAN_OPTIONS=detect_leaks=1:abort_on_error=0;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp:print_suppressions=0;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1;LC_ALL=C.UTF-8"
            TIMEOUT 600)
    endforeach()
endfunction()
