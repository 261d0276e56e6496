# The public header set as staged in <build>/include/corvane: exactly the public headers
# and the simulator's control header,
# none including an internal one, and every header of the library folders placed in one
# of the two lists of cmake/CorvaneHeaders.cmake. That each compiles on its own (C
# headers as C11 and C++17) is checked on the installed copies (install.headers, the same
# script). The sanitizer builds stage the same headers: checked once.
if(NOT CORVANE_SANITIZE)
  string(REPLACE ";" "\\;" c_headers "${CORVANE_PUBLIC_C_HEADER_NAMES}")
  string(REPLACE ";" "\\;" cxx_headers "${CORVANE_PUBLIC_CXX_HEADER_NAMES}")
  string(REPLACE ";" "\\;" internal_headers "${CORVANE_INTERNAL_HEADER_NAMES}")
  string(REPLACE ";" "\\;" header_folders "${CORVANE_HEADER_FOLDERS}")
  set(CORVANE_HEADER_CHECK_ENV
    "C_HEADERS=${c_headers}"
    "CXX_HEADERS=${cxx_headers}"
    "INTERNAL_HEADERS=${internal_headers}"
    "CC=${CMAKE_C_COMPILER}"
    "CXX=${CMAKE_CXX_COMPILER}")
  add_test(NAME headers.staged_public_set
    COMMAND ${CMAKE_CURRENT_LIST_DIR}/check_headers.sh ${CMAKE_BINARY_DIR}/include)
  set_tests_properties(headers.staged_public_set PROPERTIES
    ENVIRONMENT "${CORVANE_HEADER_CHECK_ENV};HEADERS_EXTRA=corvane_sim.h;COMPILE=0;SOURCE_DIR=${CMAKE_SOURCE_DIR};HEADER_FOLDERS=${header_folders}"
    LABELS "headers"
    TIMEOUT 300)
endif()
