# What an outside C++ program sees of libCorvane.so: the exported classes and the boards'
# default tables, reached through the staged public headers only.
add_executable(exports_shared ${CMAKE_CURRENT_LIST_DIR}/exports_shared.cpp)
target_include_directories(exports_shared PRIVATE ${CMAKE_BINARY_DIR}/include)
target_link_libraries(exports_shared PRIVATE corvane_warnings Corvane)
add_dependencies(exports_shared corvane_stage_headers)
add_test(NAME exports.shared_library COMMAND exports_shared)
set_tests_properties(exports.shared_library PROPERTIES LABELS "exports" TIMEOUT 60)
