# KELO3100 boards found by the registry and driven through the C interface. The registry
# is built once per process, so this runs as one test with its own board set.
add_executable(test_kelo3100_registry ${CMAKE_CURRENT_LIST_DIR}/test_kelo3100_registry.cpp)
set(kelo3100_libs "")
if(TARGET corvane_sim)
  list(APPEND kelo3100_libs corvane_sim)
endif()
target_link_libraries(test_kelo3100_registry PRIVATE corvane_warnings ${kelo3100_libs}
  corvane_static GTest::gmock GTest::gtest_main Threads::Threads)
target_include_directories(test_kelo3100_registry PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../support)
set(kelo3100_home ${CORVANE_TEST_HOME_ROOT}/test_kelo3100_registry)
file(MAKE_DIRECTORY ${kelo3100_home})
add_test(NAME test_kelo3100_registry COMMAND test_kelo3100_registry)
set_tests_properties(test_kelo3100_registry PROPERTIES
  ENVIRONMENT "HOME=${kelo3100_home};CORVANE_SIM_BOARDS=keloe6100,keloe3100:number=1,kelo3100"
  LABELS unit
  TIMEOUT 120)
