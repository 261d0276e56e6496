# Tests of the board simulator that need their own programs or environments.
set(sim_test_dir ${CMAKE_CURRENT_LIST_DIR})
set(sim_bin_dir ${CMAKE_BINARY_DIR}/tests/sim)

# A C11 program that prints what it sees over the simulator (used by
# test_sim_environment with different CORVANE_SIM_BOARDS values).
add_executable(sim_probe ${sim_test_dir}/sim_probe.c)
target_link_libraries(sim_probe PRIVATE corvane_sim corvane_warnings)
set_target_properties(sim_probe PROPERTIES C_STANDARD 11 C_EXTENSIONS OFF RUNTIME_OUTPUT_DIRECTORY ${sim_bin_dir})
if(TARGET test_sim_environment)
  add_dependencies(test_sim_environment sim_probe)
endif()

# Fortified callers: open/openat through __open_2/__openat_2 and, with 64-bit file
# offsets, through __open64_2/__openat64_2.
foreach(variant IN ITEMS 32 64)
  set(prog sim_fortified${variant})
  add_executable(${prog} ${sim_test_dir}/sim_fortified.c)
  target_compile_options(${prog} PRIVATE -O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=2)
  if(variant STREQUAL "64")
    target_compile_definitions(${prog} PRIVATE _FILE_OFFSET_BITS=64)
    set(entry_points "__open64_2.*__openat64_2|__openat64_2.*__open64_2")
  else()
    set(entry_points "__open_2.*__openat_2|__openat_2.*__open_2")
  endif()
  target_link_libraries(${prog} PRIVATE corvane_sim corvane_warnings)
  set_target_properties(${prog} PROPERTIES C_STANDARD 11 RUNTIME_OUTPUT_DIRECTORY ${sim_bin_dir})
  add_test(NAME sim.fortified_open_${variant} COMMAND ${prog})
  set_tests_properties(sim.fortified_open_${variant} PROPERTIES
    ENVIRONMENT "CORVANE_SIM_BOARDS=keloe6100:inputs=0x1234"
    PASS_REGULAR_EXPRESSION "fortified opens caught"
    LABELS "unit;sim")
  # The program really calls the checking entry points (otherwise the test proves nothing).
  add_test(NAME sim.fortified_entry_points_${variant}
    COMMAND sh -c "nm -u \"$<TARGET_FILE:${prog}>\" | tr '\\n' ' '")
  set_tests_properties(sim.fortified_entry_points_${variant} PROPERTIES
    PASS_REGULAR_EXPRESSION "${entry_points}" LABELS "unit;sim")
endforeach()

# The runner preloads the simulator into uninstrumented programs; a sanitized
# libcorvane_sim.so cannot be preloaded, so these run in plain builds only.
if(NOT CORVANE_SANITIZE)
  set(runner $<TARGET_FILE:corvane-sim>)
  add_test(NAME sim.runner_lists_default_boards
    COMMAND sh -c "out=$(\"${runner}\" -- ls /dev/) && test \"$(echo $out)\" = 'kelo3100_0 kelo4210_0 keloe5100_0 keloe6100_0 keloe7100_0' || { echo \"got: $out\"; exit 1; }")
  add_test(NAME sim.runner_lists_one_board
    COMMAND sh -c "out=$(\"${runner}\" --boards kelo4210 -- ls /dev/) && test \"$out\" = kelo4210_0 || { echo \"got: $out\"; exit 1; }")
  add_test(NAME sim.runner_malformed_boards
    COMMAND sh -c "\"${runner}\" --boards 'kelo3100,kelo4210:number=x' -- ls /dev/ 2>&1")
  set_tests_properties(sim.runner_malformed_boards PROPERTIES
    PASS_REGULAR_EXPRESSION "CORVANE_SIM_BOARDS: bad item \"kelo4210:number=x\""
    FAIL_REGULAR_EXPRESSION "kelo3100_0|kelo4210_0")
  add_test(NAME sim.runner_keeps_existing_preload
    COMMAND sh -c "\"${runner}\" -- printenv LD_PRELOAD")
  set_tests_properties(sim.runner_keeps_existing_preload PROPERTIES
    ENVIRONMENT "LD_PRELOAD=$<TARGET_FILE:corvane_sim>"
    PASS_REGULAR_EXPRESSION "^[^:]*/libcorvane_sim\\.so:[^:]*/libcorvane_sim\\.so")
  add_test(NAME sim.runner_passes_other_paths
    COMMAND sh -c "\"${runner}\" -- sh -c 'echo data > /dev/null && cat /dev/null && ls -d /dev/ && echo ok'")
  set_tests_properties(sim.runner_passes_other_paths PROPERTIES PASS_REGULAR_EXPRESSION "/dev/\nok")
  add_test(NAME sim.runner_usage COMMAND ${runner})
  set_tests_properties(sim.runner_usage PROPERTIES WILL_FAIL TRUE)
  set_tests_properties(sim.runner_lists_default_boards sim.runner_lists_one_board sim.runner_malformed_boards
    sim.runner_keeps_existing_preload sim.runner_passes_other_paths sim.runner_usage
    PROPERTIES LABELS "unit;sim")
endif()

# The models under the virtual clock through the C interface (a C11 program; the
# registry is built once per process from its own board list).
corvane_c_test(sim_clock_capi SOURCE ${sim_test_dir}/sim_clock_capi.c SIM
  ENV "CORVANE_SIM_BOARDS=keloe6100,kelo3100,keloe7100" LABELS sim)
target_include_directories(sim_clock_capi PRIVATE ${sim_test_dir}/../c)

# The control language (control lines, durations, socket requests, scripts) as pure
# functions, without a server.
corvane_gtest(test_sim_control_parser
  SOURCES ${sim_test_dir}/test_sim_control_parser.cpp LABELS unit sim LIBS corvane_sim_common)
corvane_gtest(test_sim_script_parser
  SOURCES ${sim_test_dir}/test_sim_script_parser.cpp LABELS unit sim LIBS corvane_sim_common)
corvane_gtest(test_sim_control_executor
  SOURCES ${sim_test_dir}/test_sim_control_executor.cpp LABELS unit sim LIBS corvane_sim_server)
# The server against misbehaving clients, and its socket's rules (a server process per case).
corvane_gtest(test_sim_server SOURCES ${sim_test_dir}/test_sim_server.cpp LABELS unit sim)
if(TARGET test_sim_server)
  add_dependencies(test_sim_server corvane-sim corvane-sim-server)
endif()

# Boards shared between processes through the server: client programs linked with the
# simulator (so that the sanitizers see the library's interrupt thread and the caller's
# thread on one connection), the server, and corvane-sim ctl.
add_executable(sim_shared_client ${sim_test_dir}/sim_shared_client.c)
target_link_libraries(sim_shared_client PRIVATE corvane_warnings corvane_sim Corvane)
target_link_options(sim_shared_client PRIVATE -Wl,--no-as-needed)
target_include_directories(sim_shared_client PRIVATE ${CMAKE_BINARY_DIR}/include)
add_dependencies(sim_shared_client corvane_stage_headers)
set_target_properties(sim_shared_client PROPERTIES C_STANDARD 11 RUNTIME_OUTPUT_DIRECTORY ${sim_bin_dir})
corvane_gtest(test_sim_shared_concurrency
  SOURCES ${sim_test_dir}/test_sim_shared_concurrency.cpp LABELS unit sim concurrency)
if(TARGET test_sim_shared_concurrency)
  add_dependencies(test_sim_shared_concurrency sim_shared_client corvane-sim corvane-sim-server)
endif()
corvane_gtest(test_sim_ctl SOURCES ${sim_test_dir}/test_sim_ctl.cpp LABELS unit sim
  LIBS nlohmann_json::nlohmann_json)
if(TARGET test_sim_ctl)
  add_dependencies(test_sim_ctl corvane-sim corvane-sim-server)
endif()
# The runner with a server (--connect, --script): it preloads the simulator, so plain
# builds only.
if(NOT CORVANE_SANITIZE)
  corvane_gtest(test_sim_runner SOURCES ${sim_test_dir}/test_sim_runner.cpp LABELS unit sim
    ENV CORVANE_SIM_TEST_SCRIPTS=${sim_test_dir}/scripts)
  if(TARGET test_sim_runner)
    add_dependencies(test_sim_runner sim_shared_client corvane-sim corvane-sim-server)
  endif()
endif()

# With each CPython build: the simulator server's Python client (python/corvane_sim.py), as
# the build copies it beside the corvane module, against live servers (it needs no
# preloading, the server runs the boards); and once, with the first build, the sample of
# input events and timer interrupts with its script as scripts/demo runs it: it must
# print both kinds.
get_property(sim_python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
set(sample_tested OFF)
foreach(entry ${sim_python_builds})
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 tag)
  list(GET fields 1 interpreter)
  list(GET fields 2 module_dir)
  if(tag STREQUAL "abi3")
    continue()
  endif()
  set(home ${CORVANE_TEST_HOME_ROOT}/python_${tag}_sim_client)
  file(MAKE_DIRECTORY ${home})
  add_test(NAME python.${tag}.sim_client
    COMMAND ${interpreter} -X faulthandler -m unittest -v test_sim_client
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/python)
  set_tests_properties(python.${tag}.sim_client PROPERTIES
    ENVIRONMENT "HOME=${home};PYTHONPATH=${module_dir};PYTHONDONTWRITEBYTECODE=1;CORVANE_SIM_RUNNER=$<TARGET_FILE:corvane-sim>;CORVANE_SIM_CLIENT_PROGRAM=$<TARGET_FILE:sim_shared_client>"
    LABELS "python;sim"
    TIMEOUT 300)
  if(NOT sample_tested)
    set(sample_tested ON)
    add_test(NAME python.${tag}.sample_input_and_timer_events
      COMMAND $<TARGET_FILE:corvane-sim> --boards keloe6100
              --script ${CMAKE_SOURCE_DIR}/samples/input_and_timer_events.script
              -- ${interpreter} ${CMAKE_SOURCE_DIR}/samples/input_and_timer_events.py)
    set_tests_properties(python.${tag}.sample_input_and_timer_events PROPERTIES
      ENVIRONMENT "HOME=${home};PYTHONPATH=${module_dir};PYTHONDONTWRITEBYTECODE=1"
      PASS_REGULAR_EXPRESSION "input event: input 5 rose.*input event: input 5 fell.*Received [1-9][0-9]* input events and [1-9][0-9]* timer interrupts"
      LABELS "python;sim;sample"
      TIMEOUT 120)
  endif()
endforeach()
