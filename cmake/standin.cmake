# brevan_add_stand_in(TARGET OUTPUT_NAME NAME WINDOWS_NAME NAME SOURCES ... [INCLUDES ...] [WINDOWS_EXTRA ...])
# A stand-in for one of the terminal's programs, named like it: standard C++ only, so that the
# same sources build natively and, with mingw-w64 where present, as a statically linked Windows
# GUI-subsystem program beside it (TARGET_windows, in windows/) for runs through Wine. When the
# whole project is built for Windows, the native target is that program. WINDOWS_EXTRA: further
# sources the Windows build compiles in place of the native target's libraries.
function(brevan_add_stand_in target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "OUTPUT_NAME;WINDOWS_NAME" "SOURCES;INCLUDES;WINDOWS_EXTRA")
    set(folder ${CMAKE_BINARY_DIR}/tools/${target})
    add_executable(${target} ${arg_SOURCES})
    target_include_directories(${target} PRIVATE ${arg_INCLUDES})
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${arg_OUTPUT_NAME}
        SUFFIX .exe
        AUTOMOC OFF AUTOUIC OFF AUTORCC OFF
        RUNTIME_OUTPUT_DIRECTORY ${folder})
    if(WIN32)
        set_target_properties(${target} PROPERTIES WIN32_EXECUTABLE ON)
        if(MINGW)
            target_link_options(${target} PRIVATE -static)
        endif()
        return()
    endif()
    find_program(BREVAN_MINGW_CXX x86_64-w64-mingw32-g++-posix x86_64-w64-mingw32-g++)
    if(NOT BREVAN_MINGW_CXX)
        return()
    endif()
    set(windows_program ${folder}/windows/${arg_WINDOWS_NAME})
    set(sources ${arg_SOURCES})
    list(FILTER sources INCLUDE REGEX "\\.cpp$")
    list(TRANSFORM sources PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
    set(includes ${arg_INCLUDES})
    list(TRANSFORM includes PREPEND -I)
    add_custom_command(OUTPUT ${windows_program}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/windows
        COMMAND ${BREVAN_MINGW_CXX} -std=c++17 -O2 -Wall -Wextra -static -mwindows
                ${includes} ${sources} ${arg_WINDOWS_EXTRA} -o ${windows_program}
        DEPENDS ${sources} ${arg_WINDOWS_EXTRA}
        COMMENT "Building ${arg_WINDOWS_NAME} for Windows (${target})"
        VERBATIM)
    add_custom_target(${target}_windows ALL DEPENDS ${windows_program})
endfunction()
