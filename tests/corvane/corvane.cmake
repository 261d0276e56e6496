# The corvane command-line tool. In-process tests run its commands over the default
# simulated board set (one board of each model); the registry is built once per process,
# and CTest runs every case in a process of its own.
if(TARGET corvane_tool_commands)
  set(corvane_tool_dir ${CMAKE_CURRENT_LIST_DIR})
  set(corvane_tool_boards "keloe6100,kelo3100,keloe5100,keloe7100,kelo4210")

  function(corvane_tool_gtest name)
    cmake_parse_arguments(T "" "" "LABELS;ENV" ${ARGN})
    corvane_gtest(${name}
      SOURCES ${corvane_tool_dir}/${name}.cpp
      LABELS tool ${T_LABELS}
      ENV "CORVANE_SIM_BOARDS=${corvane_tool_boards}" ${T_ENV})
    # The command code needs the library, so the library's archive comes after it.
    target_link_libraries(${name} PRIVATE corvane_tool_commands corvane_static)
    target_include_directories(${name} PRIVATE ${corvane_tool_dir})
  endfunction()

  corvane_tool_gtest(test_corvane_commands)
  # The library's interrupt thread meets the monitor's printing thread and its signals.
  corvane_tool_gtest(test_corvane_monitor LABELS concurrency)

  # The program's help, every command's help, the README and the manual page agree.
  corvane_tool_gtest(test_corvane_help)
  target_compile_definitions(test_corvane_help PRIVATE
    CORVANE_README="${CMAKE_SOURCE_DIR}/README.md"
    CORVANE_MANUAL_PAGE="${CMAKE_SOURCE_DIR}/packaging/man/corvane.1")

  # The program itself, started over the simulator by corvane-sim, against golden files.
  # Under AddressSanitizer the preloaded simulator stands ahead of the sanitizer runtime,
  # which the runtime would otherwise refuse.
  set(corvane_process_env "")
  if(CORVANE_SANITIZE MATCHES "address")
    list(APPEND corvane_process_env "ASAN_OPTIONS=verify_asan_link_order=0")
  endif()
  # The monitor against the simulator server, its interrupts queued with corvane-sim ctl.
  foreach(name test_corvane_process test_corvane_server)
    corvane_tool_gtest(${name} ENV ${corvane_process_env})
    target_include_directories(${name} PRIVATE ${corvane_tool_dir}/../utils)
    target_compile_definitions(${name} PRIVATE
      CORVANE_TOOL="$<TARGET_FILE:corvane>"
      CORVANE_SIM_RUNNER="$<TARGET_FILE:corvane-sim>"
      CORVANE_GOLDEN_DIR="${corvane_tool_dir}/golden")
    add_dependencies(${name} corvane corvane-sim corvane_sim corvane-sim-server)
  endforeach()
endif()
