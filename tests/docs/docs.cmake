# The user documentation stays true:
# - docs.checker: the checker below finds each kind of fault on made-up pages;
# - docs.files: every code block marked as a file equals that file, every example under
#   docs/examples/ is shown and run by the guide, links between the documents lead to
#   existing files;
# - docs.generated: the generated tables (docs/boards.md, the error code names) equal what
#   corvane_docgen prints from the library;
# - docs.run.<name>: each marked command block of the guide runs as written (compile
#   commands included) in a fresh folder whose build/ is this build tree, over the
#   simulator, and prints exactly the output block the guide shows.
# The run blocks link programs against libCorvane.so the way a user does, which a
# sanitizer build of the library does not allow, so they are part of the normal build only.
find_program(CORVANE_DOCS_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(docs_check ${CMAKE_CURRENT_LIST_DIR}/check_docs.py)
set(docs_home ${CORVANE_TEST_HOME_ROOT}/docs)
file(MAKE_DIRECTORY ${docs_home})

add_test(NAME docs.checker COMMAND ${CORVANE_DOCS_PYTHON} ${CMAKE_CURRENT_LIST_DIR}/test_check_docs.py)
add_test(NAME docs.files COMMAND ${CORVANE_DOCS_PYTHON} ${docs_check} files ${CMAKE_SOURCE_DIR})
add_test(NAME docs.generated
  COMMAND ${CORVANE_DOCS_PYTHON} ${docs_check} generated ${CMAKE_SOURCE_DIR} $<TARGET_FILE:corvane_docgen>)
set_tests_properties(docs.checker docs.files docs.generated PROPERTIES
  ENVIRONMENT "HOME=${docs_home}"
  LABELS "docs"
  TIMEOUT 300)

if(NOT CORVANE_SANITIZE)
  # The guide's Python commands use the CPython 3.11 build (as python3).
  set(docs_python "")
  get_property(docs_python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
  foreach(entry ${docs_python_builds})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 tag)
    if(tag STREQUAL "3.11")
      list(GET fields 1 docs_python)
    endif()
  endforeach()

  # One test per run block; a new block is seen when a page changes.
  file(GLOB_RECURSE docs_pages CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/*.md)
  list(APPEND docs_pages ${CMAKE_SOURCE_DIR}/README.md)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${docs_pages})
  foreach(page ${docs_pages})
    file(STRINGS ${page} run_lines REGEX "^<!-- run: [^ ]+ -->$")
    foreach(line ${run_lines})
      string(REGEX REPLACE "^<!-- run: ([^ ]+) -->$" "\\1" name "${line}")
      add_test(NAME docs.run.${name}
        COMMAND ${CORVANE_DOCS_PYTHON} ${docs_check} run ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}
          ${name} ${docs_python})
      set_tests_properties(docs.run.${name} PROPERTIES
        LABELS "docs"
        SKIP_RETURN_CODE 77
        TIMEOUT 300)
      # The blocks that install this build tree take their turn with the install tests.
      if(name MATCHES "^installed-")
        set_tests_properties(docs.run.${name} PROPERTIES RESOURCE_LOCK corvane_install)
      endif()
    endforeach()
  endforeach()
endif()
