# libFuzzer targets of the pure logic (clang; make fuzz), built with the
# project's warnings like every other target.
#   add_fuzz_target(NAME SOURCE LIBRARY)
# The library is instrumented too, so that the fuzzer sees its branches.
function(add_fuzz_target name source library)
    target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE ${PROJECT_WARNINGS} -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${library})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/tests)
endfunction()
