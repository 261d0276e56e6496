# C11 callers of the public C header, linked against libCorvane.so as an outside program is.
# corvane_c_test(NAME SOURCE file [SIM] [ENV K=V...] [LABELS ...])
function(corvane_c_test name)
  cmake_parse_arguments(T "SIM" "SOURCE" "ENV;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCE})
  set_target_properties(${name} PROPERTIES C_STANDARD 11 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
  set(libs "")
  if(T_SIM AND TARGET corvane_sim)
    list(APPEND libs corvane_sim)
  endif()
  target_link_libraries(${name} PRIVATE corvane_warnings ${libs} Corvane)
  # Keep the simulator even when the program calls none of its functions: it has to
  # stand ahead of the C library to take the drivers' place.
  target_link_options(${name} PRIVATE -Wl,--no-as-needed)
  target_include_directories(${name} PRIVATE ${CMAKE_BINARY_DIR}/include ${CMAKE_CURRENT_LIST_DIR})
  add_dependencies(${name} corvane_stage_headers)
  set(home ${CORVANE_TEST_HOME_ROOT}/${name})
  file(MAKE_DIRECTORY ${home})
  add_test(NAME c.${name} COMMAND ${name})
  set_tests_properties(c.${name} PROPERTIES
    ENVIRONMENT "HOME=${home};${T_ENV}"
    LABELS "c;${T_LABELS}"
    TIMEOUT 120)
endfunction()

corvane_c_test(c_last_error SOURCE ${CMAKE_CURRENT_LIST_DIR}/c_last_error.c)
corvane_c_test(c_records SOURCE ${CMAKE_CURRENT_LIST_DIR}/c_records.c)
