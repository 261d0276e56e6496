# memcheck over the C interface (label "valgrind"): the C programs that cover it run again
# under valgrind, with their own environment, and must show no error and no definite
# leak; then the Python suites' calls into the library, on an interpreter that is clean
# under memcheck by itself, so that nothing needs to be suppressed. Only in an
# uninstrumented tree: the sanitizers and valgrind do not mix.
find_program(VALGRIND_EXECUTABLE valgrind)
if(NOT VALGRIND_EXECUTABLE OR CORVANE_SANITIZE OR NOT TARGET corvane_sim)
  return()
endif()

set(valgrind_dir ${CMAKE_CURRENT_LIST_DIR})
set(valgrind_command ${VALGRIND_EXECUTABLE} --error-exitcode=1 --leak-check=full
  --errors-for-leak-kinds=definite --show-leak-kinds=definite --track-origins=yes)

foreach(program c_last_error c_records c_api_no_boards c_api_frame c_api_interrupts
                c_api_enum_values c_api_startup_failure c_api_no_home c_api_many_boards_256
                sim_clock_capi)
  if(TARGET ${program})
    get_test_property(c.${program} ENVIRONMENT program_env)
    get_test_property(c.${program} ENVIRONMENT_MODIFICATION program_env_changes)
    add_test(NAME valgrind.${program} COMMAND ${valgrind_command} $<TARGET_FILE:${program}>)
    set_tests_properties(valgrind.${program} PROPERTIES
      ENVIRONMENT "${program_env}"
      FAIL_REGULAR_EXPRESSION "ERROR SUMMARY: [1-9]"
      LABELS "valgrind" TIMEOUT 600)
    if(program_env_changes)
      set_tests_properties(valgrind.${program} PROPERTIES ENVIRONMENT_MODIFICATION "${program_env_changes}")
    endif()
  endif()
endforeach()

# The Python suites that call every function of the module. The interpreter uses the
# system allocator (PYTHONMALLOC=malloc), so memcheck sees every allocation. CPython 3.10
# runs clean under memcheck by itself, so its build runs without any suppression: every
# report is ours. (3.11 reads an unwritten digit in int.from_bytes at every import, whose
# reports can only be silenced by matching the interpreter's frames, and those would also
# hide an unwritten value the module handed to Python; 3.12 and 3.13 leave objects
# unfreed at exit.) Without a 3.10 build, the default python3's build runs with
# python.supp, which silences those interpreter reports.
get_property(valgrind_python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
find_program(CORVANE_DEFAULT_PYTHON python3)
execute_process(COMMAND ${CORVANE_DEFAULT_PYTHON} -c "import sys; print(sys.prefix)"
  OUTPUT_VARIABLE valgrind_default_prefix OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
set(valgrind_clean_tag "")
foreach(entry ${valgrind_python_builds})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 tag)
  if(tag STREQUAL "3.10")
    set(valgrind_clean_tag ${tag})
  endif()
endforeach()
foreach(entry ${valgrind_python_builds})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 tag)
  list(GET fields 1 interpreter)
  list(GET fields 2 module_dir)
  execute_process(COMMAND ${interpreter} -c "import sys; print(sys.prefix)"
    OUTPUT_VARIABLE valgrind_prefix OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(valgrind_clean_tag)
    set(chosen FALSE)
    if(tag STREQUAL valgrind_clean_tag)
      set(chosen TRUE)
    endif()
    set(suppressions "")
  else()
    set(chosen FALSE)
    if(NOT tag STREQUAL "abi3" AND valgrind_prefix STREQUAL valgrind_default_prefix)
      set(chosen TRUE)
    endif()
    set(suppressions --suppressions=${valgrind_dir}/python.supp)
  endif()
  if(chosen)
    set(home ${CORVANE_TEST_HOME_ROOT}/valgrind_python)
    file(MAKE_DIRECTORY ${home})
    add_test(NAME valgrind.python.${tag}
      COMMAND ${valgrind_command} ${suppressions}
              ${interpreter} -m unittest test_api test_callbacks
      WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/python)
    set_tests_properties(valgrind.python.${tag} PROPERTIES
      ENVIRONMENT "HOME=${home};PYTHONMALLOC=malloc;LD_PRELOAD=$<TARGET_FILE:corvane_sim>;CORVANE_SIM_BOARDS=keloe6100,kelo3100:custom=Caf%C3%A9-%E2%82%AC,keloe5100,keloe7100,kelo4210;PYTHONPATH=${module_dir}:${CMAKE_SOURCE_DIR}/tests/python;PYTHONDONTWRITEBYTECODE=1;CORVANE_EXPECTED_MODULE_DIR=${module_dir};CORVANE_EXPECTED_SUFFIX=.cpython-"
      FAIL_REGULAR_EXPRESSION "ERROR SUMMARY: [1-9]"
      LABELS "valgrind;python" TIMEOUT 900)
    break()
  endif()
endforeach()
