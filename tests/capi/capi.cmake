# The C interface seen from C11 programs, and boardlist. The registry of boards is built
# once per process, so every board configuration is a test of its own with its own
# CORVANE_SIM_BOARDS.
set(capi_c_dir ${CMAKE_CURRENT_LIST_DIR}/../c)

corvane_c_test(c_api_no_boards SOURCE ${capi_c_dir}/c_api_no_boards.c SIM
  ENV CORVANE_SIM_BOARDS= LABELS capi)
