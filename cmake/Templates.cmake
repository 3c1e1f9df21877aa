# The template savers: the Windows saver without an animation, 32- and 64-bit, which the tool
# packs and bundles animations into when the user names no saver (tools/TemplateSaver.h). A
# native build makes them with mingw-w64 in sub-builds of this same tree, one per word size
# under templates/, building nothing there but the saver, and copies them into share/cinefold/
# of the build tree, where the tool in tools/ finds them as an installed tool finds its own.
# Install.cmake installs those that were built: CINEFOLD_TEMPLATE_FILES, of the word sizes
# CINEFOLD_TEMPLATE_ARCHES.
option(CINEFOLD_TEMPLATES "Build the Windows template savers with mingw-w64 (native builds)" ON)
set(CINEFOLD_TEMPLATE_FILES "")
set(CINEFOLD_TEMPLATE_ARCHES "")
if(NOT CINEFOLD_TEMPLATES OR CMAKE_CROSSCOMPILING OR CINEFOLD_FUZZ)
    return()
endif()
include(ExternalProject)
cmake_host_system_information(RESULT cores QUERY NUMBER_OF_LOGICAL_CORES)
set(arches win32 win64)
set(triples i686-w64-mingw32 x86_64-w64-mingw32)
foreach(arch triple IN ZIP_LISTS arches triples)
    find_program(CINEFOLD_${arch}_CXX NAMES ${triple}-g++-posix ${triple}-g++)
    find_program(CINEFOLD_${arch}_WINDRES ${triple}-windres)
    if(NOT CINEFOLD_${arch}_CXX OR NOT CINEFOLD_${arch}_WINDRES)
        message(WARNING "mingw-w64 for ${triple} is not installed, so the ${arch} template saver "
            "is not built, and neither installed: the tool then makes ${arch} savers only from a "
            "saver given to it (pack --saver SAVER, bundle SAVER CONTAINER). On Debian it comes "
            "with scripts/install-deps.")
        continue()
    endif()
    set(template ${CMAKE_BINARY_DIR}/share/cinefold/cinefold-template-${arch}.scr)
    set(dir ${CMAKE_BINARY_DIR}/templates/${arch})
    # The sub-build runs on every build, so a changed source reaches the template; it is a
    # no-op when nothing changed.
    ExternalProject_Add(cinefold_template_${arch}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${dir}
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/toolchain-${triple}.cmake
            -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE} -DCINEFOLD_TESTS=OFF -DCINEFOLD_BENCH=OFF
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${dir} --target cinefold_saver --parallel ${cores}
        INSTALL_COMMAND ${CMAKE_COMMAND} -E copy_if_different ${dir}/src/cinefold.scr ${template}
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${template})
    list(APPEND CINEFOLD_TEMPLATE_FILES ${template})
    list(APPEND CINEFOLD_TEMPLATE_ARCHES ${arch})
    message(STATUS "The ${arch} template saver is built with ${CINEFOLD_${arch}_CXX}")
endforeach()
