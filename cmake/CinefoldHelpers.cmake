# Small helpers shared by the CMake files of the tree.

# cinefold_unit_test(NAME SOURCES...): a GoogleTest program of the native unit tests, label "unit".
function(cinefold_unit_test name)
    add_executable(${name} ${ARGN})
    target_link_libraries(${name} PRIVATE cinefold_player cinefold_authoring cinefold_host_logic
        GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE CINEFOLD_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
    gtest_discover_tests(${name} PROPERTIES LABELS unit DISCOVERY_TIMEOUT 60)
endfunction()
