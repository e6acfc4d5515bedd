# The rooms of src/ and which rooms each may include from. Run as
#   cmake -DSOURCE_DIR=<src> -P check_includes.cmake
# Fails on an include of a header in a room the table does not allow, on a
# file in a folder that is no room, and on a table whose edges do not all run
# downwards. Prints the include graph between the rooms.

# From the bottom up; a room may only name rooms listed before it, so the
# allowed graph (and with it the real one) has no cycle.
set(rooms pricing platform tools settings print cli ui/widgets ui/dialogs ui/output ui/main app)
set(below_pricing)
set(below_platform)
set(below_tools pricing platform)
set(below_settings pricing platform tools)
# The printed pages: QtGui only, for the window and the tool's PDF program.
set(below_print pricing platform)
# tools/date_text.h only: the tool writes the window's date texts.
set(below_cli pricing platform tools print)
set(below_ui/widgets pricing platform tools settings)
set(below_ui/dialogs pricing platform tools settings ui/widgets)
set(below_ui/output pricing platform tools settings print ui/widgets)
set(below_ui/main pricing platform tools settings print ui/widgets ui/dialogs ui/output)
set(below_app pricing platform tools settings print ui/widgets ui/dialogs ui/output ui/main)

get_filename_component(SOURCE_DIR "${SOURCE_DIR}" ABSOLUTE)
if(NOT IS_DIRECTORY "${SOURCE_DIR}")
    message(FATAL_ERROR "SOURCE_DIR '${SOURCE_DIR}' is no folder")
endif()

set(problems)
foreach(room IN LISTS rooms)
    list(FIND rooms ${room} level)
    foreach(target IN LISTS below_${room})
        list(FIND rooms ${target} target_level)
        if(target_level LESS 0 OR NOT target_level LESS level)
            list(APPEND problems "table: ${room} may include ${target}, which is not below it")
        endif()
    endforeach()
endforeach()

# The room of a path below src/ (no room's name starts another's).
function(room_of path out)
    set(${out} "" PARENT_SCOPE)
    foreach(room IN LISTS rooms)
        string(FIND "${path}" "${room}/" at)
        if(at EQUAL 0)
            set(${out} ${room} PARENT_SCOPE)
            return()
        endif()
    endforeach()
endfunction()

file(GLOB_RECURSE sources RELATIVE "${SOURCE_DIR}" "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.cpp")
list(SORT sources)
set(edges)
foreach(source IN LISTS sources)
    room_of("${source}" room)
    if(room STREQUAL "")
        list(APPEND problems "${source}: in no room of the table")
        continue()
    endif()
    file(STRINGS "${SOURCE_DIR}/${source}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    get_filename_component(folder "${source}" DIRECTORY)
    foreach(line IN LISTS lines)
        string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
        # A header beside the file (or generated, like the publisher's data)
        # stays in the file's room or is none of the table's business.
        if(NOT EXISTS "${SOURCE_DIR}/${header}" OR EXISTS "${SOURCE_DIR}/${folder}/${header}")
            continue()
        endif()
        room_of("${header}" target)
        if(target STREQUAL room)
            continue()
        endif()
        list(APPEND edges "${room} -> ${target}")
        list(FIND below_${room} "${target}" allowed)
        if(target STREQUAL "" OR allowed LESS 0)
            list(APPEND problems "${source}: includes ${header} (${room} -> ${target}) against the table")
        endif()
    endforeach()
endforeach()

list(REMOVE_DUPLICATES edges)
list(SORT edges)
string(REPLACE ";" "\n  " edge_text "${edges}")
message(STATUS "Includes between rooms:\n  ${edge_text}")
if(problems)
    string(REPLACE ";" "\n  " problem_text "${problems}")
    message(FATAL_ERROR "Includes against the rooms' order:\n  ${problem_text}")
endif()
