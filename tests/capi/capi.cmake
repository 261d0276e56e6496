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

corvane_c_test(c_api_startup_failure SOURCE ${capi_c_dir}/c_api_startup_failure.c SIM
  ENV CORVANE_SIM_BOARDS=keloe6100 LABELS capi)

corvane_c_test(c_api_no_home SOURCE ${capi_c_dir}/c_api_no_home.c SIM
  ENV CORVANE_SIM_BOARDS=keloe6100 LABELS capi)
set_tests_properties(c.c_api_no_home PROPERTIES ENVIRONMENT_MODIFICATION "HOME=unset:")
