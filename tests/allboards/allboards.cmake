# One board of every model (both products of the port model), configured out of
# identifier order. The registry is built once per process, so these run with their own
# CORVANE_SIM_BOARDS: the registry test, and boardlist run over the same set.
set(allboards_dir ${CMAKE_CURRENT_LIST_DIR})
set(allboards_boards
  "keloe7100:number=1,kelo4220:number=3,keloe5100,kelo3100:number=2,kelo4210:pcie=1,keloe6100:number=4")

# One CTest test running every case in one process, the way the registry lives.
add_executable(allboards_registry ${allboards_dir}/allboards_registry.cpp)
set(allboards_libs "")
if(TARGET corvane_sim)
  list(APPEND allboards_libs corvane_sim)
endif()
target_link_libraries(allboards_registry PRIVATE corvane_warnings ${allboards_libs}
  corvane_static GTest::gmock GTest::gtest_main Threads::Threads)
target_include_directories(allboards_registry PRIVATE ${allboards_dir}/../support)
set(allboards_registry_home ${CORVANE_TEST_HOME_ROOT}/allboards_registry)
file(MAKE_DIRECTORY ${allboards_registry_home})
add_test(NAME allboards_registry COMMAND allboards_registry)
set_tests_properties(allboards_registry PROPERTIES
  ENVIRONMENT "HOME=${allboards_registry_home};CORVANE_SIM_BOARDS=${allboards_boards}"
  LABELS registry
  TIMEOUT 120)

if(TARGET boardlist AND TARGET corvane-sim)
  add_test(NAME allboards_boardlist
    COMMAND bash ${allboards_dir}/boardlist_order.sh
            $<TARGET_FILE:corvane-sim> $<TARGET_FILE:boardlist> "${allboards_boards}"
            "kelo3100_2 kelo4210_0 kelo4220_3 keloe5100_0 keloe6100_4 keloe7100_1")
  set(allboards_home ${CORVANE_TEST_HOME_ROOT}/allboards_boardlist)
  file(MAKE_DIRECTORY ${allboards_home})
  # Under AddressSanitizer the simulator is preloaded ahead of the sanitizer runtime,
  # which the runtime would otherwise refuse.
  set(allboards_env "HOME=${allboards_home}")
  if(CORVANE_SANITIZE MATCHES "address")
    list(APPEND allboards_env "ASAN_OPTIONS=verify_asan_link_order=0")
  endif()
  set_tests_properties(allboards_boardlist PROPERTIES
    ENVIRONMENT "${allboards_env}"
    LABELS "registry;c"
    TIMEOUT 120)
endif()
