# The Debian packages, one per install component (cmake/CorvaneInstall.cmake):
#   cpack -G DEB             in a build tree (scripts/package does it from a clean one)
# Versions come from the project version; the dependencies on libraries outside the
# project from dpkg-shlibdeps, those between our packages from the components.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME libcorvane)
set(CPACK_PACKAGE_VENDOR "libCorvane developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${CORVANE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CORVANE_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_STRIP_FILES ON)
# Packages install into /usr; DESTDIR staging lets the install-time files (pkg-config)
# see the final prefix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)

set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps finds libCorvane.so.1 (packaged in libcorvane1) in the build tree; the
# dependency on libcorvane1 itself comes from the component dependencies below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)

set(CPACK_COMPONENTS_ALL runtime dev tools sim)
get_property(python_builds GLOBAL PROPERTY CORVANE_PYTHON_BUILDS)
if(python_builds)
  list(APPEND CPACK_COMPONENTS_ALL python)
endif()

set(debian_scripts ${CMAKE_SOURCE_DIR}/packaging/debian)

# libcorvane1: the library and the udev rule; its maintainer scripts create the group.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME libcorvane1)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "adduser")
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA
  ${debian_scripts}/libcorvane1/postinst
  ${debian_scripts}/libcorvane1/postrm
  ${debian_scripts}/libcorvane1/triggers)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION
"library for the KELO industrial digital I/O boards
libCorvane drives the KELOE6100, KELO3100, KELOE5100, KELOX7100 and KELO42XX
boards (digital inputs and outputs, 8-bit ports, timers, counters, watchdogs
and hardware interrupts) through their kernel drivers, with a C++ object
interface and a flat C interface.
.
This package holds the shared library and a udev rule that gives the group
corvane read-write access to the boards' device nodes.")

# libcorvane-dev: headers, development link, CMake package, pkg-config file, documents.
set(CPACK_DEBIAN_DEV_PACKAGE_NAME libcorvane-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_COMPONENT_DEV_DEPENDS runtime)
set(CPACK_COMPONENT_DEV_DESCRIPTION
"development files for libCorvane
libCorvane drives the KELO industrial digital I/O boards through their kernel
drivers.
.
This package holds the C and C++ headers, the development link, the CMake
package (find_package(Corvane), target Corvane::Corvane), the pkg-config file
corvane.pc, the documentation and the sample programs' sources.")

# corvane-tools: the programs.
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME corvane-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_COMPONENT_TOOLS_DEPENDS runtime)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION
"programs for the KELO industrial digital I/O boards
Programs built on libCorvane: corvane, a command-line tool that lists the
boards, reads inputs, switches outputs, runs timers, counters and watchdogs
and watches interrupts; boardlist, which prints every board that the library
finds; and corvane-modbus, a Modbus TCP gateway that serves the boards to
SCADA systems, HMIs and PLCs.")

# corvane-sim: the board simulator.
set(CPACK_DEBIAN_SIM_PACKAGE_NAME corvane-sim)
set(CPACK_DEBIAN_SIM_PACKAGE_SECTION devel)
# Its header includes the library's records, its pkg-config file requires corvane.pc and
# its CMake targets load with the library's package: all three need libcorvane-dev.
set(CPACK_COMPONENT_SIM_DEPENDS dev)
set(CPACK_COMPONENT_SIM_DESCRIPTION
"simulator of the KELO industrial digital I/O boards
The simulator takes the kernel drivers' place in user space, so that programs
using libCorvane run unchanged on machines without boards: corvane-sim runs
any program over simulated boards.
.
This package also holds the simulator's control library and header for tests
(CMake target Corvane::Simulator, pkg-config file corvane-sim.pc).")

# python3-corvane: the modules for every CPython built, and the stable-ABI one.
set(CPACK_DEBIAN_PYTHON_PACKAGE_NAME python3-corvane)
set(CPACK_DEBIAN_PYTHON_PACKAGE_SECTION python)
set(CPACK_DEBIAN_PYTHON_PACKAGE_DEPENDS "python3")
set(CPACK_COMPONENT_PYTHON_DEPENDS runtime)
set(CPACK_COMPONENT_PYTHON_DESCRIPTION
"Python module for the KELO industrial digital I/O boards
The corvane module makes libCorvane's object interface usable from Python:
board discovery, digital I/O, ports, timers, counters, watchdogs and
interrupt callbacks.")

include(CPack)
