# Test plug-ins: small shared libraries loaded by the plug-in tests from temporary
# directories. Their file names are what the tests copy; the names they register under
# come from TEST_PLUGIN_NAME.
set(corvane_test_plugins "")
function(corvane_test_plugin target name kind)
  add_library(${target} MODULE ${CMAKE_CURRENT_LIST_DIR}/TestPlugin.cpp)
  target_compile_definitions(${target} PRIVATE TEST_PLUGIN_NAME="${name}" TEST_PLUGIN_KIND=${kind})
  target_include_directories(${target} PRIVATE ${CORVANE_INCLUDE_DIRS})
  target_link_libraries(${target} PRIVATE corvane_warnings)
  set_target_properties(${target} PROPERTIES
    PREFIX "lib" OUTPUT_NAME ${target}
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/test-plugins
    CXX_VISIBILITY_PRESET hidden)
  set(corvane_test_plugins ${corvane_test_plugins} ${target} PARENT_SCOPE)
endfunction()

corvane_test_plugin(CorvaneTestAlpha alpha 0)
corvane_test_plugin(CorvaneTestBeta beta 0)
corvane_test_plugin(CorvaneTestGamma gamma 0)
corvane_test_plugin(CorvaneTestAlphaAgain alpha 0)
corvane_test_plugin(CorvaneTestNoFactory nofactory 1)
corvane_test_plugin(CorvaneTestNullFactory nullfactory 2)
corvane_test_plugin(CorvaneTestStrict strict 3)
corvane_test_plugin(CorvaneTestStrictAgain strict 3)

if(TARGET test_plugins)
  add_dependencies(test_plugins ${corvane_test_plugins})
  target_compile_definitions(test_plugins PRIVATE
    CORVANE_TEST_PLUGIN_BUILD_DIR="${CMAKE_BINARY_DIR}/test-plugins")
endif()
