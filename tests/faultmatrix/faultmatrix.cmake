# The fault-injection matrix of the C interface: one board of each model, its own
# CORVANE_SIM_BOARDS (the registry is built once per process). Linked against
# libCorvane.so, whose exported functions the matrix lists with nm.
add_executable(fault_matrix
  ${CMAKE_CURRENT_LIST_DIR}/fault_matrix.cpp ${CMAKE_CURRENT_LIST_DIR}/FaultMatrixTable.cpp)
set(fault_matrix_libs "")
if(TARGET corvane_sim)
  list(APPEND fault_matrix_libs corvane_sim)
endif()
target_link_libraries(fault_matrix PRIVATE corvane_warnings ${fault_matrix_libs} Corvane
  GTest::gtest_main ${CMAKE_DL_LIBS})
target_link_options(fault_matrix PRIVATE -Wl,--no-as-needed)
target_include_directories(fault_matrix PRIVATE ${CMAKE_BINARY_DIR}/include)
add_dependencies(fault_matrix corvane_stage_headers)
set(fault_matrix_home ${CORVANE_TEST_HOME_ROOT}/fault_matrix)
file(MAKE_DIRECTORY ${fault_matrix_home})
# One CTest test running the whole matrix in one process, the way the registry lives.
add_test(NAME fault_matrix COMMAND fault_matrix)
set_tests_properties(fault_matrix PROPERTIES
  ENVIRONMENT "HOME=${fault_matrix_home};CORVANE_TEST_NM=${CMAKE_NM};CORVANE_SIM_BOARDS=keloe6100,kelo3100,keloe5100,keloe7100,kelo4210"
  LABELS "capi;faultmatrix"
  TIMEOUT 300)
