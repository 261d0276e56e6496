# Install tests: cmake --install into a prefix under <build>/install-test, then, using only
# that prefix, a CMake consumer (find_package), a C program built with pkg-config's flags
# and every Python build import and list the simulated boards under the installed
# corvane-sim; the version check of the CMake package; DESTDIR staging; installing twice
# and over an older install; the Debian packages made by CPack (contents, control data,
# lintian). Sanitizer builds install nothing new: these run in the normal build only.
if(NOT CORVANE_SANITIZE)
  set(install_work ${CMAKE_BINARY_DIR}/install-test)
  file(MAKE_DIRECTORY ${install_work})
  set(module_dirs "")
  get_property(python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
  foreach(entry ${python_builds})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 2 module_dir)
    list(APPEND module_dirs ${module_dir})
  endforeach()
  string(REPLACE ";" "\\;" module_dirs "${module_dirs}")
  string(REPLACE ";" "\\;" internal_headers "${CORVANE_INTERNAL_HEADER_NAMES}")
  set(install_env
    "BUILD_DIR=${CMAKE_BINARY_DIR}"
    "SOURCE_DIR=${CMAKE_SOURCE_DIR}"
    "WORK_DIR=${install_work}"
    "CMAKE=${CMAKE_COMMAND}"
    "CPACK=${CMAKE_CPACK_COMMAND}"
    "CC=${CMAKE_C_COMPILER}"
    "CXX=${CMAKE_CXX_COMPILER}"
    "BINDIR=${CMAKE_INSTALL_BINDIR}"
    "LIBDIR=${CMAKE_INSTALL_LIBDIR}"
    "INCLUDEDIR=${CMAKE_INSTALL_INCLUDEDIR}"
    "PYTHONDIR=${CORVANE_INSTALL_PYTHONDIR}"
    "SIMDIR=${CORVANE_INSTALL_SIMDIR}"
    "CMAKEDIR=${CORVANE_INSTALL_CMAKEDIR}"
    "PYTHON_MODULE_DIRS=${module_dirs}"
    "INTERNAL_HEADERS=${internal_headers}"
    "PROJECT_VERSION=${PROJECT_VERSION}"
    "HOME=${install_work}/home")
  file(MAKE_DIRECTORY ${install_work}/home)
  set(script ${CMAKE_CURRENT_LIST_DIR}/install_test.sh)

  # corvane_install_test(<name> <step> [args...]): one step over the installed prefix.
  function(corvane_install_test name step)
    add_test(NAME install.${name} COMMAND ${script} ${step} ${ARGN})
    set_tests_properties(install.${name} PROPERTIES
      ENVIRONMENT "${install_env}"
      FIXTURES_REQUIRED corvane_prefix
      LABELS "install"
      TIMEOUT 300)
  endfunction()

  add_test(NAME install.prefix COMMAND ${script} prefix)
  set_tests_properties(install.prefix PROPERTIES
    ENVIRONMENT "${install_env}" FIXTURES_SETUP corvane_prefix LABELS "install" TIMEOUT 300
    RESOURCE_LOCK corvane_install)

  corvane_install_test(tree tree)
  corvane_install_test(cmake_consumer cmake-consumer)
  corvane_install_test(pkgconfig_consumer pkgconfig-consumer)
  corvane_install_test(find_package_versions versions)
  corvane_install_test(runner_alone runner-alone)
  corvane_install_test(destdir destdir)
  corvane_install_test(reinstall reinstall)
  corvane_install_test(components components)
  corvane_install_test(packages package)
  # These install (or package) themselves: one at a time.
  set_tests_properties(install.destdir install.reinstall install.components install.packages PROPERTIES
    RESOURCE_LOCK corvane_install)
  set_tests_properties(install.packages PROPERTIES LABELS "install;package")

  # The installed headers: the public set plus the simulator's, each on its own.
  string(REPLACE ";" "\\;" c_headers "${CORVANE_PUBLIC_C_HEADER_NAMES}")
  string(REPLACE ";" "\\;" cxx_headers "${CORVANE_PUBLIC_CXX_HEADER_NAMES}")
  add_test(NAME install.headers
    COMMAND ${CMAKE_SOURCE_DIR}/tests/headers/check_headers.sh ${install_work}/prefix/${CMAKE_INSTALL_INCLUDEDIR})
  set_tests_properties(install.headers PROPERTIES
    ENVIRONMENT "C_HEADERS=${c_headers}\\;corvane_sim.h;CXX_HEADERS=${cxx_headers};INTERNAL_HEADERS=${internal_headers};CC=${CMAKE_C_COMPILER};CXX=${CMAKE_CXX_COMPILER}"
    FIXTURES_REQUIRED corvane_prefix
    LABELS "install;headers"
    TIMEOUT 300)

  # Each installed interpreter build, and the stable-ABI build under 3.12 and later.
  get_property(stable_interpreters GLOBAL PROPERTY CORVANE_PYTHON_STABLE_INTERPRETERS)
  foreach(entry ${python_builds})
    string(REPLACE "|" ";" fields "${entry}")
    list(GET fields 0 tag)
    list(GET fields 1 interpreter)
    if(tag STREQUAL "abi3")
      foreach(stable ${stable_interpreters})
        foreach(other ${python_builds})
          if(other MATCHES "^([0-9.]+)\\|${stable}\\|")
            corvane_install_test(python_abi3_${CMAKE_MATCH_1} python ${stable} corvane.abi3.so)
          endif()
        endforeach()
      endforeach()
    else()
      corvane_install_test(python_${tag} python ${interpreter})
    endif()
  endforeach()

  # The udev rule covers every node prefix the discoverers claim (no install needed).
  add_test(NAME install.udev_rule COMMAND ${script} udev-rule)
  set_tests_properties(install.udev_rule PROPERTIES
    ENVIRONMENT "${install_env}" LABELS "install" TIMEOUT 60)
endif()
