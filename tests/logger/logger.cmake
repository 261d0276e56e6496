# The logger's cross-process tests need a child program that writes through its own Logger.
add_executable(corvane_logger_writer ${CMAKE_CURRENT_LIST_DIR}/logger_writer.cpp)
target_link_libraries(corvane_logger_writer PRIVATE corvane_warnings corvane_static Threads::Threads)

foreach(logger_test test_logger test_logger_concurrency)
  if(TARGET ${logger_test})
    target_include_directories(${logger_test} PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  endif()
endforeach()
if(TARGET test_logger_concurrency)
  add_dependencies(test_logger_concurrency corvane_logger_writer)
  target_compile_definitions(test_logger_concurrency PRIVATE
    CORVANE_LOGGER_WRITER="$<TARGET_FILE:corvane_logger_writer>")
endif()
