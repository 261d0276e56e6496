# Soak and stress programs (label "stress"): C11 callers of the C interface with the
# simulator linked in, and a Python suite. Each states its full size and reads a scale
# from CORVANE_STRESS_SCALE; here the tests get a small default scale, which an outer
# CORVANE_STRESS_SCALE (scripts/soak sets 1) overrides. Under the sanitizers the scale is
# smaller still and resident memory is not bounded (the sanitizer's own quarantine of
# freed memory grows on purpose); descriptors and threads are checked in every tree.
if(NOT TARGET corvane_sim)
  return()
endif()

set(stress_dir ${CMAKE_CURRENT_LIST_DIR})
if(CORVANE_SANITIZE)
  set(stress_env "CORVANE_STRESS_DEFAULT_SCALE=0.01;CORVANE_STRESS_RSS_LIMIT_KB=0")
else()
  set(stress_env "CORVANE_STRESS_DEFAULT_SCALE=0.05")
endif()

# corvane_stress_test(NAME BOARDS)
function(corvane_stress_test name boards)
  add_executable(${name} ${stress_dir}/${name}.c)
  set_target_properties(${name} PROPERTIES C_STANDARD 11 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  target_link_libraries(${name} PRIVATE corvane_warnings corvane_sim Corvane Threads::Threads)
  target_link_options(${name} PRIVATE -Wl,--no-as-needed)
  target_include_directories(${name} PRIVATE ${CMAKE_BINARY_DIR}/include ${stress_dir})
  add_dependencies(${name} corvane_stage_headers)
  set(home ${CORVANE_TEST_HOME_ROOT}/${name})
  file(MAKE_DIRECTORY ${home})
  add_test(NAME stress.${name} COMMAND ${name})
  set_tests_properties(stress.${name} PROPERTIES
    ENVIRONMENT "HOME=${home};CORVANE_SIM_BOARDS=${boards};${stress_env}"
    LABELS "stress" TIMEOUT 3600)
endfunction()

set(stress_boards "keloe6100,keloe6100:number=1,keloe6100:number=2,keloe6100:number=3")
corvane_stress_test(stress_interrupts "keloe6100,keloe6100:number=1")
corvane_stress_test(stress_lifecycle "${stress_boards}")
corvane_stress_test(stress_last_error "${stress_boards}")

# The Python module under the same load, for the default python3's build (the simulator
# preloaded, as for the Python suites).
get_property(stress_python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
find_program(CORVANE_DEFAULT_PYTHON python3)
foreach(entry ${stress_python_builds})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 1 interpreter)
  list(GET fields 2 module_dir)
  execute_process(COMMAND ${interpreter} -c "import sys; print(sys.prefix)"
    OUTPUT_VARIABLE stress_exe OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  execute_process(COMMAND ${CORVANE_DEFAULT_PYTHON} -c "import sys; print(sys.prefix)"
    OUTPUT_VARIABLE default_exe OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  list(GET fields 0 tag)
  if(NOT tag STREQUAL "abi3" AND stress_exe STREQUAL default_exe)
    set(home ${CORVANE_TEST_HOME_ROOT}/stress_python)
    file(MAKE_DIRECTORY ${home})
    add_test(NAME stress.python.${tag}
      COMMAND ${interpreter} -X faulthandler ${stress_dir}/stress_python.py -v
      WORKING_DIRECTORY ${stress_dir})
    set_tests_properties(stress.python.${tag} PROPERTIES
      ENVIRONMENT "HOME=${home};LD_PRELOAD=$<TARGET_FILE:corvane_sim>;CORVANE_SIM_BOARDS=${stress_boards};PYTHONPATH=${module_dir};PYTHONDONTWRITEBYTECODE=1;${stress_env}"
      FAIL_REGULAR_EXPRESSION "Fatal Python error|Exception ignored"
      LABELS "stress;python" TIMEOUT 3600)
    break()
  endif()
endforeach()
