# cmake -DROOT=<source folder> -P includes.cmake
cmake_minimum_required(VERSION 3.25)
# Fails when a folder includes one it must not: the client's core and the service's never
# include each other, no folder includes one above it, and the protocol includes only itself.

# folder, then the folders its sources must not include ("*" for every folder but its own).
set(rules
    "service:server ui widgets app"
    "platform:server ui widgets app"
    "server:service platform ui widgets app"
    "mqlcheck:service platform ui widgets app server protocol"
    "report:server service platform ui widgets app mqlcheck"
    "protocol:*"
    "widgets:ui app"
    "ui:app")

set(violations "")
foreach(rule IN LISTS rules)
    string(REPLACE ":" ";" parts "${rule}")
    list(GET parts 0 folder)
    list(GET parts 1 forbidden)
    string(REPLACE " " ";" forbidden "${forbidden}")
    file(GLOB_RECURSE sources RELATIVE "${ROOT}" "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    foreach(source IN LISTS sources)
        file(STRINGS "${ROOT}/${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[\"<][A-Za-z0-9_]+/")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*[\"<]([A-Za-z0-9_]+)/.*" "\\1" included "${line}")
            if(NOT EXISTS "${ROOT}/${included}" OR included STREQUAL folder)
                continue() # a system or Qt header, or the folder's own
            endif()
            if(forbidden STREQUAL "*" OR included IN_LIST forbidden)
                list(APPEND violations "${source} includes ${included}/: ${line}")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n" text)
    message(FATAL_ERROR "Includes across the layers:\n${text}")
endif()
message(STATUS "No include crosses the layers")
