# Checks the layering of the sources: every #include of a file under src/ and tools/ must reach
# a layer that the file's own layer may use, and the portable layers include nothing but the C++
# standard library besides. Run as a script:
#
#   cmake -DTREE=<source tree> -P CheckLayers.cmake
#
# It prints one line per wrong include, "file:line: what is wrong", and fails when there is any.
# The same arrows are the dependencies of the libraries in src/CMakeLists.txt.

cmake_minimum_required(VERSION 3.25)

if(NOT TREE)
    message(FATAL_ERROR "CheckLayers.cmake needs -DTREE=<source tree>")
endif()

# Which layer a file belongs to, by its path from the tree's root: the first pattern that matches.
set(layer_patterns
    "^src/base/" base
    "^src/container/" container
    "^src/timeline/" timeline
    "^src/render/[^/]*Gdi[^/]*$" render_gdi
    "^src/render/" render
    "^src/player/Saver[^/]*$" saver
    "^src/player/" player
    "^src/host/HostLogic[^/]*$" host_logic
    "^src/(host|settings|resources)/" saver
    "^src/win32/" win32
    "^src/linux/" linux
    "^tools/" tools
)

# The layers that each layer may include, itself among them.
set(uses_base base)
set(uses_container base container)
set(uses_timeline base timeline)
set(uses_render base render)
set(uses_player base container timeline render player)
set(uses_host_logic host_logic)
set(uses_win32 win32)
set(uses_render_gdi base render win32 render_gdi)
set(uses_saver base container timeline render player host_logic win32 render_gdi saver)
set(uses_linux base container timeline render player host_logic linux)
set(uses_tools base container timeline render player host_logic linux tools)

# Layers that build everywhere: no operating-system or library header, so nothing in angle
# brackets that ends in ".h".
set(portable base container timeline render player host_logic)

function(layer_of path result)
    list(LENGTH layer_patterns count)
    math(EXPR last "${count} - 1")
    foreach(i RANGE 0 ${last} 2)
        list(GET layer_patterns ${i} pattern)
        if(path MATCHES "${pattern}")
            math(EXPR next "${i} + 1")
            list(GET layer_patterns ${next} layer)
            set(${result} ${layer} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    set(${result} "" PARENT_SCOPE)
endfunction()

file(GLOB_RECURSE sources RELATIVE ${TREE}
    ${TREE}/src/*.h ${TREE}/src/*.cpp ${TREE}/tools/*.h ${TREE}/tools/*.cpp)
list(SORT sources)
set(problems "")
foreach(source ${sources})
    layer_of(${source} layer)
    if(NOT layer)
        string(APPEND problems "${source}: belongs to no layer\n")
        continue()
    endif()
    get_filename_component(directory ${source} DIRECTORY)
    # One list element per line. Characters that CMake's lists give a meaning to are blanked
    # first; no include line holds any of them.
    file(READ ${TREE}/${source} text)
    string(REGEX REPLACE "[][;\\]" " " text "${text}")
    string(REPLACE "\n" ";" lines "${text}")
    set(number 0)
    foreach(line IN LISTS lines)
        math(EXPR number "${number} + 1")
        if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"])([^>\"]+)[>\"]")
            continue()
        endif()
        set(quote "${CMAKE_MATCH_1}")
        set(header "${CMAKE_MATCH_2}")
        set(where "${source}:${number}:")
        if(quote STREQUAL "<")
            if(layer IN_LIST portable AND header MATCHES "\\.h$")
                string(APPEND problems
                    "${where} includes <${header}>, but ${layer} is portable: the C++ standard "
                    "library only\n")
            endif()
            continue()
        endif()
        if(header MATCHES "(^|/)\\.\\./")
            string(APPEND problems "${where} includes \"${header}\" by a relative path upwards\n")
            continue()
        endif()
        # "folder/File.h" is src/folder/File.h; a bare name is beside the including file.
        if(header MATCHES "/")
            set(target "src/${header}")
        else()
            set(target "${directory}/${header}")
        endif()
        layer_of(${target} used)
        if(NOT used)
            string(APPEND problems "${where} includes \"${header}\", which is in no layer\n")
        elseif(NOT used IN_LIST uses_${layer})
            string(APPEND problems
                "${where} includes \"${header}\" of layer ${used}, which ${layer} may not use\n")
        endif()
    endforeach()
endforeach()

if(problems)
    message("${problems}")
    message(FATAL_ERROR "Includes that break the layering.")
endif()
list(LENGTH sources count)
message(STATUS "The includes of ${count} files keep to their layers.")
