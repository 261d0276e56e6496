# The console helpers read standard input and may end the process, so they are run in
# helper programs started as child processes with their input fed through a pipe: a C11
# program through libCorvane.so for the flat family, a C++ program for the utils family.
# Both link the board simulator, so that the device selection can run over simulated
# boards (CORVANE_SIM_BOARDS is set per child: the registry is built once per process).
add_executable(utils_flat_cli ${CMAKE_CURRENT_LIST_DIR}/utils_flat_cli.c)
set_target_properties(utils_flat_cli PROPERTIES C_STANDARD 11 C_STANDARD_REQUIRED ON C_EXTENSIONS OFF)
target_include_directories(utils_flat_cli PRIVATE ${CMAKE_BINARY_DIR}/include)
target_link_libraries(utils_flat_cli PRIVATE corvane_warnings corvane_sim Corvane)
target_link_options(utils_flat_cli PRIVATE -Wl,--no-as-needed)
add_dependencies(utils_flat_cli corvane_stage_headers)

add_executable(utils_cpp_cli ${CMAKE_CURRENT_LIST_DIR}/utils_cpp_cli.cpp)
target_link_libraries(utils_cpp_cli PRIVATE corvane_warnings corvane_sim corvane_static Threads::Threads)
target_link_options(utils_cpp_cli PRIVATE -Wl,--no-as-needed)

foreach(name test_utils_flat_process test_utils_cpp_process test_utils_sim_selection)
  corvane_gtest(${name}
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp
    LABELS unit
    NO_SIM)
  target_include_directories(${name} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_compile_definitions(${name} PRIVATE
    UTILS_FLAT_CLI="$<TARGET_FILE:utils_flat_cli>"
    UTILS_CPP_CLI="$<TARGET_FILE:utils_cpp_cli>")
  add_dependencies(${name} utils_flat_cli utils_cpp_cli)
endforeach()
