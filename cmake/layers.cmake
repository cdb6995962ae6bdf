# The layers that the build keeps apart: a configure fails when a target links a module or a
# target that its layer must not use, however indirectly through the project's own targets.

# Everything the target links, and what the project's own targets among those link in turn.
function(brevan_linked_closure target out)
    set(seen ${${out}})
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        get_target_property(links ${target} ${property})
        foreach(link IN LISTS links)
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(link AND NOT link IN_LIST seen AND NOT link MATCHES "^\\$<")
                list(APPEND seen ${link})
                if(TARGET ${link})
                    get_target_property(imported ${link} IMPORTED)
                    if(NOT imported)
                        brevan_linked_closure(${link} seen)
                    endif()
                endif()
            endif()
        endforeach()
    endforeach()
    set(${out} ${seen} PARENT_SCOPE)
endfunction()

# brevan_check_layer(TARGET [ONLY allowed...] [NOT forbidden...])
# ONLY: what the target itself may link; NOT: what it may not reach through any of its links.
function(brevan_check_layer target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "ONLY;NOT")
    set(closure "")
    brevan_linked_closure(${target} closure)
    foreach(link IN LISTS closure)
        if(link IN_LIST arg_NOT)
            message(FATAL_ERROR "${target} must not link ${link}: it belongs to a layer above it")
        endif()
    endforeach()
    if(arg_ONLY)
        get_target_property(direct ${target} LINK_LIBRARIES)
        foreach(link IN LISTS direct)
            if(NOT link IN_LIST arg_ONLY)
                message(FATAL_ERROR "${target} may link only ${arg_ONLY}, not ${link}")
            endif()
        endforeach()
    endif()
endfunction()

# tavrin_forbid_links(target module...): brevan_check_layer(target NOT module...), checked once
# every folder has been read, so that links added to target by later folders count too.
function(tavrin_forbid_links target)
    cmake_language(EVAL CODE "
        cmake_language(DEFER DIRECTORY \"${CMAKE_SOURCE_DIR}\" CALL brevan_check_layer ${target} NOT ${ARGN})")
endfunction()
