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
