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
set(fault_matrix_env "HOME=${fault_matrix_home};CORVANE_TEST_NM=${CMAKE_NM};CORVANE_SIM_BOARDS=keloe6100,kelo3100,keloe5100,keloe7100,kelo4210")
# One CTest test running the whole matrix in one process, the way the registry lives. A
# filter that matched nothing would pass silently: the pass expression counts the tests.
# A pass expression makes CTest ignore the exit status, so a sanitizer's report (which
# may come after the tests' summary, at exit) fails the test by its text.
set(fault_matrix_fail "Sanitizer|runtime error:|FAILED")
add_test(NAME fault_matrix COMMAND fault_matrix --gtest_filter=FaultMatrix.*)
set_tests_properties(fault_matrix PROPERTIES
  ENVIRONMENT "${fault_matrix_env}"
  PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 4 tests\\."
  FAIL_REGULAR_EXPRESSION "${fault_matrix_fail}"
  LABELS "capi;faultmatrix"
  TIMEOUT 300)

# The first call of a process, which builds the registry, with one board's information
# request failing: once per function (each failing another model's board, the first to
# the last discovered), with and without the driver's error record. The KELOE6100
# replaces the driver failure with its start-up failure code; the others pass it on.
foreach(first_call
    VelmorGetNumberOfDevices:kelo3100_0:86000F08 VelmorGetDeviceList:keloe6100_0:110D
    VelmorGetDeviceStructFromDeviceName:keloe7100_0:86000F08
    VelmorReadAllDigitalInputs:keloe5100_0:86000F08 VelmorGetNumberOfDevices:kelo4210_0:86000F08)
  string(REPLACE ":" ";" parts ${first_call})
  list(GET parts 0 function)
  list(GET parts 1 board)
  list(GET parts 2 code)
  foreach(fetch record no_record)
    set(name fault_matrix.registry.${function}.${board}.${fetch})
    add_test(NAME ${name} COMMAND fault_matrix --gtest_filter=RegistryBuild.*)
    set(env "${fault_matrix_env};CORVANE_FAULT_FIRST_CALL=${function};CORVANE_FAULT_BOARD=${board};CORVANE_FAULT_CODE=${code}")
    if(fetch STREQUAL "no_record")
      list(APPEND env "CORVANE_FAULT_FETCH_FAILS=1")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" LABELS "capi;faultmatrix;registry"
      PASS_REGULAR_EXPRESSION "\\[  PASSED  \\] 1 test\\."
      FAIL_REGULAR_EXPRESSION "${fault_matrix_fail}" TIMEOUT 60)
  endforeach()
endforeach()
