# The argument parser's exiting paths (help, duplicate declarations, command-line
# errors) end the process, so they are checked on a C11 helper program run as a child
# process; the helper also exercises the exported C functions through libCorvane.so.
add_executable(argparser_cli ${CMAKE_CURRENT_LIST_DIR}/argparser_cli.c)
set_target_properties(argparser_cli PROPERTIES C_STANDARD 11 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
target_link_libraries(argparser_cli PRIVATE corvane_warnings Corvane)
add_dependencies(argparser_cli corvane_stage_headers)

corvane_gtest(test_argparser_process
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_argparser_process.cpp
  LABELS unit
  NO_SIM)
target_compile_definitions(test_argparser_process PRIVATE
  ARGPARSER_CLI_PATH="$<TARGET_FILE:argparser_cli>")
add_dependencies(test_argparser_process argparser_cli)
