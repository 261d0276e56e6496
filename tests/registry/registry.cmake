# The registry is built once per process, so each board set is its own executable with
# its own CORVANE_SIM_BOARDS (and every test case runs in a process of its own).
set(registry_dir ${CMAKE_CURRENT_LIST_DIR})

set(registry_order_boards
  "keloe6100:number=1,kelo6100:node=kelo6100_3:number=3,keloe6100:number=0")

corvane_gtest(registry_order
  SOURCES ${registry_dir}/registry_order.cpp
  LABELS registry
  ENV "CORVANE_SIM_BOARDS=${registry_order_boards}")

corvane_gtest(registry_concurrency
  SOURCES ${registry_dir}/registry_concurrency.cpp
  LABELS registry concurrency
  ENV "CORVANE_SIM_BOARDS=${registry_order_boards}")

corvane_gtest(registry_collision
  SOURCES ${registry_dir}/registry_collision.cpp
  LABELS registry
  ENV "CORVANE_SIM_BOARDS=keloe6100:number=5:firmware=FIRST,keloe6100:number=5:firmware=SECOND"
      "VELMOR_LOG_LEVEL=3")

corvane_gtest(registry_failure
  SOURCES ${registry_dir}/registry_failure.cpp
  LABELS registry
  ENV "CORVANE_SIM_BOARDS=keloe6100,kelo6100")

set(registry_many_boards "keloe6100")
foreach(i RANGE 2 256)
  string(APPEND registry_many_boards ",keloe6100")
endforeach()
corvane_gtest(registry_many
  SOURCES ${registry_dir}/registry_many.cpp
  LABELS registry
  ENV "CORVANE_SIM_BOARDS=${registry_many_boards}" "VELMOR_LOG_LEVEL=2")

corvane_gtest(registry_empty
  SOURCES ${registry_dir}/registry_empty.cpp
  LABELS registry
  ENV "CORVANE_SIM_BOARDS=" "VELMOR_LOG_LEVEL=3")

corvane_gtest(discovery_close
  SOURCES ${registry_dir}/discovery_close.cpp
  LABELS registry
  ENV "CORVANE_SIM_BOARDS=keloe6100,kelo6100:number=1")
target_link_options(discovery_close PRIVATE -Wl,--wrap=close)

corvane_gtest(registry_descriptors
  SOURCES ${registry_dir}/registry_descriptors.cpp
  LABELS registry concurrency
  ENV "CORVANE_SIM_BOARDS=kelo3100,keloe6100" "VELMOR_LOG_LEVEL=2")

foreach(t registry_order registry_concurrency registry_collision registry_failure registry_many
          registry_empty discovery_close registry_descriptors)
  target_include_directories(${t} PRIVATE ${registry_dir})
endforeach()

# The C++ sample over the simulator, preloaded like for any outside program (not in
# sanitized builds, where the sanitizer runtime must come first).
if(TARGET cpp_example AND TARGET corvane_sim AND NOT CORVANE_SANITIZE)
  add_test(NAME sample_cpp_example COMMAND cpp_example)
  set_tests_properties(sample_cpp_example PROPERTIES
    ENVIRONMENT "HOME=${CORVANE_TEST_HOME_ROOT}/sample_cpp_example;LD_PRELOAD=$<TARGET_FILE:corvane_sim>;CORVANE_SIM_BOARDS=kelo3100,keloe6100:number=2"
    PASS_REGULAR_EXPRESSION "Boards found: 2\n.*keloe6100_2.*Switching output 0 on on keloe6100_2\nOutput status: 0x00000001"
    LABELS registry)
  file(MAKE_DIRECTORY ${CORVANE_TEST_HOME_ROOT}/sample_cpp_example)
endif()
