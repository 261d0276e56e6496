# More boards than the C interface's 8-bit count holds: 255, 256 and 300 KELOE6100
# (numbered 0 to N-1). The C interface seen from a C11 program, and boardlist under the
# runner (in the sanitizer build under AddressSanitizer too) and under memcheck.
set(manyboards_c_dir ${CMAKE_CURRENT_LIST_DIR}/../c)
foreach(total 255 256 300)
  set(boards "keloe6100")
  set(ids keloe6100_0)
  math(EXPR last "${total} - 1")
  foreach(i RANGE 1 ${last})
    string(APPEND boards ",keloe6100")
    list(APPEND ids keloe6100_${i})
  endforeach()

  corvane_c_test(c_api_many_boards_${total} SOURCE ${manyboards_c_dir}/c_api_many_boards.c SIM
    ENV "CORVANE_SIM_BOARDS=${boards}" VELMOR_LOG_LEVEL=2 LABELS capi)

  # boardlist lists the first 255 identifiers in byte-wise order.
  list(SORT ids)
  list(SUBLIST ids 0 255 listed)
  string(JOIN " " listed ${listed})
  if(TARGET boardlist AND TARGET corvane-sim)
    set(env "HOME=${CORVANE_TEST_HOME_ROOT}/boardlist")
    if(CORVANE_SANITIZE MATCHES "address")
      list(APPEND env "ASAN_OPTIONS=verify_asan_link_order=0")
    endif()
    add_test(NAME boardlist.many_${total}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/../allboards/boardlist_order.sh
              $<TARGET_FILE:corvane-sim> $<TARGET_FILE:boardlist> "${boards}" "${listed}")
    set_tests_properties(boardlist.many_${total} PROPERTIES
      ENVIRONMENT "${env}" LABELS "c;capi;boardlist" TIMEOUT 120)
    if(VALGRIND_EXECUTABLE AND NOT CORVANE_SANITIZE AND NOT total EQUAL 255)
      boardlist_memcheck(memcheck_many_${total} "${boards}" "" "Found 255 cards")
    endif()
  endif()
endforeach()
