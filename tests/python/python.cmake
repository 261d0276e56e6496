# The unittest suites of the corvane Python module and the typed sample, run once per built
# interpreter and once for the stable-ABI build under each CPython 3.12 or later, each over
# the simulated boards (the simulator is preloaded: the interpreter itself is not built with
# it). The registry is built once per process, so every board set has its own test process.
# Each build's stub is type-checked once.
get_property(python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
get_property(python_stable_interpreters GLOBAL PROPERTY CORVANE_PYTHON_STABLE_INTERPRETERS)

if(python_builds AND TARGET corvane_sim)
  set(python_test_dir ${CMAKE_CURRENT_LIST_DIR})
  # One board of every model; the KELO3100 carries a custom id outside ASCII.
  set(python_boards "keloe6100,kelo3100:custom=Caf%C3%A9-%E2%82%AC,keloe5100,keloe7100,kelo4210")

  # corvane_python_test(<name> <interpreter> <module dir> <expected file suffix>)
  function(corvane_python_test name interpreter module_dir suffix)
    foreach(kind boards no_boards typed_example)
      if(kind STREQUAL "boards")
        set(command -X faulthandler -m unittest -v test_api test_callbacks test_calls test_reference)
        set(boards "${python_boards}")
      elseif(kind STREQUAL "no_boards")
        set(command -X faulthandler -m unittest -v test_no_boards)
        set(boards "")
      else()
        # The typed sample runs as it is over the same boards.
        set(command ${CMAKE_SOURCE_DIR}/samples/typed_example.py)
        set(boards "${python_boards}")
      endif()
      set(test python.${name}.${kind})
      set(home ${CORVANE_TEST_HOME_ROOT}/python_${name}_${kind})
      file(MAKE_DIRECTORY ${home})
      add_test(NAME ${test}
        COMMAND ${interpreter} ${command}
        WORKING_DIRECTORY ${python_test_dir})
      set_tests_properties(${test} PROPERTIES
        ENVIRONMENT "HOME=${home};LD_PRELOAD=$<TARGET_FILE:corvane_sim>;CORVANE_SIM_BOARDS=${boards};PYTHONPATH=${module_dir}:${python_test_dir};PYTHONDONTWRITEBYTECODE=1;CORVANE_EXPECTED_MODULE_DIR=${module_dir};CORVANE_EXPECTED_SUFFIX=${suffix}"
        LABELS "python"
        TIMEOUT 300)
    endforeach()
  endfunction()

  # mypy --strict against each build's stub (mypy from Debian, for the system's python3):
  # the typed sample passes, and the misuses in typing_misuse.py are found.
  find_program(CORVANE_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  foreach(entry ${python_builds})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 tag)
    list(GET fields 2 module_dir)
    add_test(NAME python.${tag}.typecheck
      COMMAND ${CORVANE_SYSTEM_PYTHON} ${python_test_dir}/check_types.py ${module_dir}
        ${CMAKE_CURRENT_BINARY_DIR}/mypy-cache-${tag} ${CMAKE_SOURCE_DIR}/samples/typed_example.py
        ${python_test_dir}/typing_misuse.py
      WORKING_DIRECTORY ${python_test_dir})
    set_tests_properties(python.${tag}.typecheck PROPERTIES LABELS "python" TIMEOUT 300)
  endforeach()

  set(stable_dir "")
  foreach(entry ${python_builds})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 tag)
    list(GET fields 1 interpreter)
    list(GET fields 2 module_dir)
    if(tag STREQUAL "abi3")
      set(stable_dir "${module_dir}")
    else()
      set(python_${tag} "${interpreter}")
      corvane_python_test(${tag} "${interpreter}" "${module_dir}" ".cpython-")
    endif()
  endforeach()

  if(stable_dir)
    foreach(entry ${python_builds})
      string(REPLACE "|" ";" fields "${entry}")
      list(GET fields 0 tag)
      list(GET fields 1 interpreter)
      if(NOT tag STREQUAL "abi3" AND interpreter IN_LIST python_stable_interpreters)
        corvane_python_test(abi3-${tag} "${interpreter}" "${stable_dir}" ".abi3.so")
      endif()
    endforeach()
  endif()
endif()
