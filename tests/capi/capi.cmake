# The C interface seen from C11 programs, and boardlist. The registry of boards is built
# once per process, so every board configuration is a test of its own with its own
# CORVANE_SIM_BOARDS.
set(capi_c_dir ${CMAKE_CURRENT_LIST_DIR}/../c)

corvane_c_test(c_api_no_boards SOURCE ${capi_c_dir}/c_api_no_boards.c SIM
  ENV CORVANE_SIM_BOARDS= LABELS capi)

corvane_c_test(c_api_frame SOURCE ${capi_c_dir}/c_api_frame.c SIM
  ENV "CORVANE_SIM_BOARDS=keloe6100,keloe6100:number=1,kelo3100,keloe5100,keloe7100,kelo4210"
  LABELS capi)

corvane_c_test(c_api_interrupts SOURCE ${capi_c_dir}/c_api_interrupts.c SIM
  ENV "CORVANE_SIM_BOARDS=keloe6100,keloe6100:number=1" LABELS capi)
target_link_libraries(c_api_interrupts PRIVATE Threads::Threads)

corvane_c_test(c_api_enum_values SOURCE ${capi_c_dir}/c_api_enum_values.c SIM
  ENV "CORVANE_SIM_BOARDS=keloe6100,kelo3100,keloe5100,keloe7100" LABELS capi)

corvane_c_test(c_api_startup_failure SOURCE ${capi_c_dir}/c_api_startup_failure.c SIM
  ENV CORVANE_SIM_BOARDS=keloe6100 LABELS capi)

corvane_c_test(c_api_no_home SOURCE ${capi_c_dir}/c_api_no_home.c SIM
  ENV CORVANE_SIM_BOARDS=keloe6100 LABELS capi)
set_tests_properties(c.c_api_no_home PROPERTIES ENVIRONMENT_MODIFICATION "HOME=unset:")

# boardlist: the whole output, byte for byte, with no board and with two boards (a base
# address register above 32 bits, empty texts, a custom id outside ASCII shown in the C
# locale and in a UTF-8 one), then a memcheck run with no error.
if(TARGET boardlist AND TARGET corvane-sim)
  set(boardlist_two_boards
    "keloe6100:number=3:bar0=0x12345678ABCDEF01:bar5=0xFFFFFFFF:firmware=:irq=255:bus=7:slot=4,kelo3100:vendor=0xBEEF:device=0x0042:pcie=0:custom=caf%C3%A9%20id:firmware=FW 2.5")
  set(boardlist_home ${CORVANE_TEST_HOME_ROOT}/boardlist)
  file(MAKE_DIRECTORY ${boardlist_home})

  # The runner preloads the simulator, so in an AddressSanitizer build the sanitizer's
  # runtime is not the first library; the simulator does not touch memory allocation, so
  # the order check is relaxed for these runs.
  set(boardlist_sanitizer_env "")
  if(CORVANE_SANITIZE MATCHES "address")
    set(boardlist_sanitizer_env ";ASAN_OPTIONS=verify_asan_link_order=0")
  endif()

  function(boardlist_output_test name boards expected locale)
    add_test(NAME boardlist.${name}
      COMMAND bash ${capi_c_dir}/boardlist_compare.sh $<TARGET_FILE:corvane-sim>
              $<TARGET_FILE:boardlist> "${boards}" ${capi_c_dir}/expected/${expected})
    set_tests_properties(boardlist.${name} PROPERTIES
      ENVIRONMENT "HOME=${boardlist_home};LC_ALL=${locale}${boardlist_sanitizer_env}"
      LABELS "c;capi;boardlist" TIMEOUT 60)
  endfunction()

  boardlist_output_test(no_boards "" boardlist_no_boards.txt C)
  # The first registry build fails (the first information request of the process
  # fails), the count stays 0 and the list call builds the registry again: boardlist
  # passes no buffer, lists nothing and still exits with 0.
  add_library(sim_fail_first_information SHARED ${capi_c_dir}/sim_fail_first_information.c)
  target_link_libraries(sim_fail_first_information PRIVATE corvane_warnings corvane_sim)
  boardlist_output_test(first_discovery_fails "keloe6100,kelo3100" boardlist_no_boards.txt C)
  set_property(TEST boardlist.first_discovery_fails APPEND PROPERTY ENVIRONMENT
    "LD_PRELOAD=$<TARGET_FILE:sim_fail_first_information>")
  boardlist_output_test(two_boards "${boardlist_two_boards}" boardlist_two_boards.txt C)
  boardlist_output_test(two_boards_utf8 "${boardlist_two_boards}" boardlist_two_boards_utf8.txt C.UTF-8)

  # boardlist does not link the simulator: preload it, as the runner does. The device
  # array that boardlist keeps until it ends is still reachable, not lost.
  find_program(VALGRIND_EXECUTABLE valgrind)
  # boardlist_memcheck(NAME BOARDS PRELOAD EXPECTED): boardlist under memcheck with the
  # simulator (and PRELOAD after it) preloaded. A pass needs the EXPECTED output and no
  # memcheck error: with a pass expression CTest ignores the exit status, so the error
  # summary is checked as well.
  function(boardlist_memcheck name boards preload expected)
    add_test(NAME boardlist.${name}
      COMMAND ${VALGRIND_EXECUTABLE} --error-exitcode=1 --leak-check=full
              --errors-for-leak-kinds=definite,indirect,possible
              --show-leak-kinds=definite,indirect,possible
              $<TARGET_FILE:boardlist>)
    set_tests_properties(boardlist.${name} PROPERTIES
      ENVIRONMENT "HOME=${boardlist_home};LC_ALL=C;LD_PRELOAD=$<TARGET_FILE:corvane_sim>${preload};CORVANE_SIM_BOARDS=${boards}"
      PASS_REGULAR_EXPRESSION "${expected}"
      FAIL_REGULAR_EXPRESSION "ERROR SUMMARY: [1-9]"
      LABELS "c;capi;boardlist;memcheck" TIMEOUT 300)
  endfunction()
  if(VALGRIND_EXECUTABLE AND NOT CORVANE_SANITIZE)
    boardlist_memcheck(memcheck "${boardlist_two_boards}" "" "Found card keloe6100_3")
    boardlist_memcheck(memcheck_first_discovery_fails "keloe6100,kelo3100"
      ":$<TARGET_FILE:sim_fail_first_information>" "Found 0 cards")
  endif()
endif()
