# Small helpers shared by the CMake files of the tree.

# cinefold_include_root(TARGET SCOPE FOLDER...): TARGET's include root, holding a link to each
# FOLDER (a path from the current source folder) under the folder's own name, so that its headers
# are included as "folder/File.h" and nothing else of the tree is reachable through it.
function(cinefold_include_root target scope)
    set(root ${CMAKE_BINARY_DIR}/include-roots/${target})
    file(MAKE_DIRECTORY ${root})
    foreach(folder ${ARGN})
        get_filename_component(path ${folder} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
        get_filename_component(name ${path} NAME)
        # Made afresh, so that a tree that has moved gets links to where its folders are now.
        file(REMOVE ${root}/${name})
        file(CREATE_LINK ${path} ${root}/${name} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} ${root})
endfunction()

# cinefold_unit_test(NAME SOURCES...): a GoogleTest program of the native unit tests, label "unit".
function(cinefold_unit_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE cinefold_player GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE CINEFOLD_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    gtest_discover_tests(${name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
endfunction()

# cinefold_native_subbuild(): a cross build (Windows, the web) cannot run what it compiles, so it
# builds the native cinefold tool and the demo's container from this same source tree in a
# sub-build, ${CMAKE_BINARY_DIR}/native, as target cinefold_native. Sets CINEFOLD_NATIVE_TOOL and
# CINEFOLD_NATIVE_CONTAINER in the caller's scope. The sub-build runs on every build so that a
# changed source reaches the demo; it is a build tool's no-op when nothing changed, and what
# depends on the container is made again only when the container changed.
function(cinefold_native_subbuild)
    include(ExternalProject)
    set(native_dir ${CMAKE_BINARY_DIR}/native)
    set(tool ${native_dir}/tools/cinefold)
    set(container ${native_dir}/demo/demo.cfc)
    ExternalProject_Add(cinefold_native
        SOURCE_DIR ${PROJECT_SOURCE_DIR}
        BINARY_DIR ${native_dir}
        CMAKE_ARGS -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Release
            -DCINEFOLD_TESTS=OFF -DCINEFOLD_BENCH=OFF -DCINEFOLD_TEMPLATES=OFF
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${native_dir}
            --target cinefold cinefold_demo_container
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${tool} ${container})
    set(CINEFOLD_NATIVE_TOOL ${tool} PARENT_SCOPE)
    set(CINEFOLD_NATIVE_CONTAINER ${container} PARENT_SCOPE)
endfunction()
