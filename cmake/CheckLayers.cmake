# Checks the layering of the sources: every #include of a file under src/, tools/ and demo/ must
# reach a layer that the file's own layer may use, and the portable layers include nothing but the
# C++ standard library besides. Run as a script:
#
#   cmake -DTREE=<source tree> -P CheckLayers.cmake
#
# It prints one line per wrong include, "file:line: what is wrong", and fails when there is any.
# The same arrows are the dependencies of the libraries in src/CMakeLists.txt.
#
# A layer is a folder: src/<layer>/, tools/ or demo/, whatever the file's name. An include
# "layer/File.h" reaches that layer; a bare name "File.h" is the file beside the includer when
# there is one, or else the one file of that name anywhere in those folders. A bare name found
# nowhere is made by the build (the help text) and is not checked.

cmake_minimum_required(VERSION 3.25)

if(NOT TREE)
    message(FATAL_ERROR "CheckLayers.cmake needs -DTREE=<source tree>")
endif()

# The layers that each layer may include, itself among them.
set(uses_base base)
set(uses_container base container)
set(uses_timeline base timeline)
set(uses_render base render)
set(uses_player base container timeline render player)
set(uses_project base container timeline render project)
set(uses_files files)
set(uses_saver base container timeline render player saver)
set(uses_linux base container timeline render player linux demo)
set(uses_demo base container timeline render project files demo)
set(uses_tools base container timeline render player project files linux demo tools)
set(src_layers base container timeline render player project files saver linux)

# Layers that build everywhere: no operating-system or library header, so nothing in angle
# brackets that ends in ".h", but for the portable libraries that the authoring project reads
# images with.
set(portable base container timeline render player project)
set(portable_headers png.h)

# The layer of a path from the tree's root, or "" when it is in none.
function(layer_of path result)
    set(${result} "" PARENT_SCOPE)
    if(path MATCHES "^src/([^/]+)/" AND CMAKE_MATCH_1 IN_LIST src_layers)
        set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
    elseif(path MATCHES "^(tools|demo)/")
        set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
    endif()
endfunction()

file(GLOB_RECURSE sources RELATIVE ${TREE} ${TREE}/src/*.h ${TREE}/src/*.cpp ${TREE}/tools/*.h
    ${TREE}/tools/*.cpp ${TREE}/demo/*.h ${TREE}/demo/*.cpp)
list(SORT sources)
# Every file by its bare name, for the includes that use one.
foreach(source ${sources})
    get_filename_component(name ${source} NAME)
    list(APPEND named_${name} ${source})
endforeach()
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
            if(layer IN_LIST portable AND header MATCHES "\\.h$"
                    AND NOT header IN_LIST portable_headers)
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
        # "layer/File.h" is in that layer; a bare name is beside the includer, or the one file of
        # that name elsewhere.
        if(header MATCHES "^([^/]+)/")
            set(target "src/${header}")
            if(CMAKE_MATCH_1 MATCHES "^(tools|demo)$")
                set(target "${header}")
            endif()
        elseif(EXISTS ${TREE}/${directory}/${header})
            set(target "${directory}/${header}")
        elseif(NOT DEFINED named_${header})
            continue()
        else()
            list(LENGTH named_${header} count)
            if(count GREATER 1)
                string(APPEND problems "${where} includes \"${header}\", a name that ${count} files "
                    "have: name it with its folder\n")
                continue()
            endif()
            set(target "${named_${header}}")
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
