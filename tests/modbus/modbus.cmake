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
