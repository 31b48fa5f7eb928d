# Programs of the tests: built with the project's warnings into tests/.

# A program a test runs, or one with a main of its own. WIN32 may come
# first, as for add_executable.
function(add_test_program name)
    add_executable(${name} ${ARGN})
    target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:C,CXX>:${PROJECT_WARNINGS}>)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TEST_OUTPUT_DIRECTORY})
endfunction()

# A GoogleTest program whose cases CTest finds before each run, each case
# a test of its own:
#   add_gtest_program(NAME SOURCES ... LIBRARIES ...
#                     [DISCOVERY_TIMEOUT s] [EXTRA_ARGS ...] [PROPERTIES ...])
# The last three go to gtest_discover_tests.
function(add_gtest_program name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "DISCOVERY_TIMEOUT" "SOURCES;LIBRARIES;EXTRA_ARGS;PROPERTIES")
    add_test_program(${name} ${arg_SOURCES})
    target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
    # Listing a program's cases starts Wine: a minute here, longer where
    # the tree's limits are (TEST_PATIENCE).
    if(NOT DEFINED arg_DISCOVERY_TIMEOUT)
        set(arg_DISCOVERY_TIMEOUT ${TEST_LIMIT_60})
    endif()
    set(discovery DISCOVERY_MODE PRE_TEST)
    foreach(option DISCOVERY_TIMEOUT EXTRA_ARGS PROPERTIES)
        if(DEFINED arg_${option})
            list(APPEND discovery ${option} ${arg_${option}})
        endif()
    endforeach()
    gtest_discover_tests(${name} ${discovery})
endfunction()
