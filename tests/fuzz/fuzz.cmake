# Fuzz targets: each tests/fuzz/fuzz_<name>.cpp defines LLVMFuzzerTestOneInput.
# With CORVANE_FUZZ (a clang build whose CORVANE_SANITIZE includes fuzzer-no-link, made by
# scripts/fuzz) each becomes a libFuzzer program fuzz_<name>. Otherwise each is linked with
# a small driver that replays the committed corpus tests/fuzz/corpus/<name>/, a CTest test
# fuzz.<name> labelled fuzz: every input ever committed (crash inputs included) stays a
# regression test without clang.
option(CORVANE_FUZZ "Build the libFuzzer targets (clang; see scripts/fuzz)" OFF)

set(fuzz_dir ${CMAKE_CURRENT_LIST_DIR})
set(fuzz_names argparser sim_boards sim_control driver_records utils_input modbus_frames)
add_custom_target(fuzz_targets)
foreach(name ${fuzz_names})
  if(CORVANE_FUZZ)
    set(target fuzz_${name})
    add_executable(${target} ${fuzz_dir}/fuzz_${name}.cpp)
    target_link_options(${target} PRIVATE -fsanitize=fuzzer)
    set_target_properties(${target} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  else()
    set(target fuzz_${name}_replay)
    add_executable(${target} ${fuzz_dir}/fuzz_${name}.cpp ${fuzz_dir}/FuzzReplay.cpp)
    set(home ${CORVANE_TEST_HOME_ROOT}/${target})
    file(MAKE_DIRECTORY ${home})
    add_test(NAME fuzz.${name} COMMAND ${target} ${fuzz_dir}/corpus/${name})
    set_tests_properties(fuzz.${name} PROPERTIES
      ENVIRONMENT "HOME=${home}" LABELS fuzz TIMEOUT 120)
  endif()
  # The simulator ahead of the C library (kept even where no control function is called),
  # then the library's archive, which reaches the classes the shared object hides.
  target_link_libraries(${target} PRIVATE corvane_warnings corvane_sim corvane_sim_common
                        boardlist_print corvane_static Threads::Threads)
  if(name STREQUAL "modbus_frames")
    target_link_libraries(${target} PRIVATE corvane_modbus_core)
  endif()
  target_link_options(${target} PRIVATE -Wl,--no-as-needed)
  target_include_directories(${target} PRIVATE ${fuzz_dir} ${CMAKE_SOURCE_DIR}/sim)
  add_dependencies(fuzz_targets ${target})
endforeach()
