# corvane-modbus: its parts as GoogleTest suites (options, framing, requests over
# simulated boards, interrupt counters), and the program itself against pymodbus
# (Debian's python3-pymodbus, run by /usr/bin/python3) over a simulator server.
if(TARGET corvane_modbus_core)
  set(modbus_test_dir ${CMAKE_CURRENT_LIST_DIR})
  corvane_gtest(test_modbus_options SOURCES ${modbus_test_dir}/test_modbus_options.cpp
    LABELS unit modbus LIBS corvane_modbus_core NO_SIM)
  corvane_gtest(test_modbus_framing SOURCES ${modbus_test_dir}/test_modbus_framing.cpp
    LABELS unit modbus LIBS corvane_modbus_core NO_SIM)
  corvane_gtest(test_modbus_handler SOURCES ${modbus_test_dir}/test_modbus_handler.cpp
    LABELS unit modbus LIBS corvane_modbus_core
    ENV "CORVANE_SIM_BOARDS=keloe6100,kelo3100,kelo4210,kelo4220,keloe7100,keloe5100,kelo5100")
  corvane_gtest(test_modbus_interrupts_concurrency SOURCES ${modbus_test_dir}/test_modbus_interrupts_concurrency.cpp
    LABELS unit modbus concurrency LIBS corvane_modbus_core
    ENV "CORVANE_SIM_BOARDS=keloe6100,kelo4210")
endif()

# The program against pymodbus over a simulator server. Sanitized builds cannot preload
# the simulator into a sanitized program: there the gateway is built with the simulator
# linked in and reaches the server through CORVANE_SIM_SERVER.
if(TARGET corvane-modbus AND TARGET corvane_sim)
  find_program(CORVANE_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
  add_executable(modbus_unit_setup ${modbus_test_dir}/modbus_unit_setup.c)
  add_executable(modbus_gateway_linked ${CMAKE_SOURCE_DIR}/tools/corvane-modbus/main.cpp)
  foreach(program modbus_unit_setup modbus_gateway_linked)
    target_link_libraries(${program} PRIVATE corvane_warnings corvane_sim)
    target_link_options(${program} PRIVATE -Wl,--no-as-needed)
    set_target_properties(${program} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/modbus)
  endforeach()
  set_target_properties(modbus_unit_setup PROPERTIES C_STANDARD 11)
  target_include_directories(modbus_unit_setup PRIVATE ${CMAKE_BINARY_DIR}/include)
  target_link_libraries(modbus_unit_setup PRIVATE Corvane)
  target_link_libraries(modbus_gateway_linked PRIVATE corvane_modbus_core Corvane)

  set(modbus_env
    "MODBUS_RUNNER=$<TARGET_FILE:corvane-sim>"
    "MODBUS_GATEWAY=$<TARGET_FILE:corvane-modbus>"
    "MODBUS_SETUP=$<TARGET_FILE:modbus_unit_setup>"
    "PYTHONPATH=${CMAKE_SOURCE_DIR}/python:${modbus_test_dir}"
    "PYTHONDONTWRITEBYTECODE=1")
  if(CORVANE_SANITIZE)
    list(APPEND modbus_env "MODBUS_LINKED=$<TARGET_FILE:modbus_gateway_linked>")
  endif()

  # corvane_modbus_python_test(<name> <labels> <command...>)
  function(corvane_modbus_python_test name labels)
    set(home ${CORVANE_TEST_HOME_ROOT}/modbus_${name})
    file(MAKE_DIRECTORY ${home})
    add_test(NAME modbus.${name} COMMAND ${CORVANE_DEBIAN_PYTHON} ${ARGN} WORKING_DIRECTORY ${modbus_test_dir})
    set_tests_properties(modbus.${name} PROPERTIES
      ENVIRONMENT "HOME=${home};${modbus_env}"
      LABELS "${labels}"
      TIMEOUT 300)
  endfunction()
  corvane_modbus_python_test(gateway "modbus;python" -m unittest -v test_gateway)
  corvane_modbus_python_test(garbage "modbus;python" -m unittest -v test_gateway_garbage)
  corvane_modbus_python_test(interrupts "modbus;python;concurrency" -m unittest -v test_gateway_interrupts)
  # Load: 10 clients x 10,000 mixed requests (1,000 each in sanitized builds, which run
  # several times slower); prints the requests per second and the p99 latency.
  if(CORVANE_SANITIZE)
    set(modbus_load_requests 1000)
  else()
    set(modbus_load_requests 10000)
  endif()
  corvane_modbus_python_test(load "modbus;python;load" ${modbus_test_dir}/gateway_load.py
    --clients 10 --requests ${modbus_load_requests})
endif()
# The tables of docs/modbus.md are the program's map of every model.
if(TARGET corvane-modbus AND TARGET corvane_sim AND NOT CORVANE_SANITIZE)
  add_test(NAME modbus.map_docs
    COMMAND ${CORVANE_DEBIAN_PYTHON} ${modbus_test_dir}/check_map_docs.py ${CMAKE_SOURCE_DIR}/docs/modbus.md --
      $<TARGET_FILE:corvane-sim> --boards keloe6100,kelo6100,kelo3100,keloe3100,keloe5100,kelo5100,keloe7100,kelo7100,kelo4210,kelo4220
      -- $<TARGET_FILE:corvane-modbus>)
  set_tests_properties(modbus.map_docs PROPERTIES
    ENVIRONMENT "HOME=${CORVANE_TEST_HOME_ROOT}/modbus_map_docs" LABELS "modbus;docs" TIMEOUT 120)
  file(MAKE_DIRECTORY ${CORVANE_TEST_HOME_ROOT}/modbus_map_docs)
endif()
