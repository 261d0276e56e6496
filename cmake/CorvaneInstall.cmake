# Where things go when installed, and the helpers that every installed program uses.
#
# Install components, one per Debian package (packaging/DebianPackages.cmake names them; a
# component outside this list is in no package, and the packages test says so):
#   runtime  libcorvane1       libCorvane.so.1, the udev rule
#   dev      libcorvane-dev    headers, development link, CMake package, corvane.pc, docs
#   tools    corvane-tools     the programs (boardlist, corvane, corvane-modbus, ...)
#   sim      corvane-sim       libcorvane_sim.so (in lib/corvane-sim/), corvane-sim,
#                              corvane_sim.h, its CMake targets and corvane-sim.pc
#   python   python3-corvane   the corvane modules, corvane.pyi, corvane-stubs/
#
# A new program joins the packages with one line beside its add_executable:
#     corvane_install_program(corvane)                    # tools/corvane
#     corvane_install_program(corvane-modbus)             # tools/corvane-modbus
#     corvane_install_program(corvane-sim COMPONENT sim)  # a simulator program
# and a Python file that belongs beside the corvane module with:
#     corvane_install_python_file(${CMAKE_CURRENT_SOURCE_DIR}/corvane_sim.py)
# A manual page packaging/man/<program>.1, when present, is installed with the program.
# Installed programs find libCorvane.so through a run path relative to themselves
# ($ORIGIN/../lib), so an install under any prefix (or a DESTDIR staging) works without
# LD_LIBRARY_PATH and never points into the build tree.
include_guard(GLOBAL)
include(GNUInstallDirs)

set(CORVANE_INSTALL_PYTHONDIR "lib/python3/dist-packages" CACHE STRING
  "Where the corvane Python modules are installed, relative to the prefix")
set(CORVANE_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Corvane" CACHE STRING
  "Where the Corvane CMake package is installed, relative to the prefix")
set(CORVANE_INSTALL_SIMDIR "${CMAKE_INSTALL_LIBDIR}/corvane-sim" CACHE STRING
  "Where libcorvane_sim.so is installed (a private folder: it is preloaded or linked on purpose, never found by the loader's search), relative to the prefix")
set(CORVANE_INSTALL_UDEVRULESDIR "lib/udev/rules.d" CACHE STRING
  "Where the udev rule is installed, relative to the prefix")

# corvane_relative_libdir(<dir> <out-var> [<to>]): the path from <dir> to the library
# directory (or to <to>), both installed under the same prefix ("../lib" from bin/).
function(corvane_relative_libdir dir out)
  set(to "${CMAKE_INSTALL_LIBDIR}")
  if(ARGC GREATER 2)
    set(to "${ARGV2}")
  endif()
  set(root "/corvane-prefix")
  foreach(var dir to)
    if(IS_ABSOLUTE "${${var}}")
      set(abs_${var} "${${var}}")
    else()
      set(abs_${var} "${root}/${${var}}")
    endif()
  endforeach()
  file(RELATIVE_PATH relative "${abs_dir}" "${abs_to}")
  string(REGEX REPLACE "/+$" "" relative "${relative}")
  if(relative STREQUAL "")
    set(relative ".")
  endif()
  set(${out} "${relative}" PARENT_SCOPE)
endfunction()

# corvane_relative_rpath(<dir> <out-var>): "$ORIGIN/<path from dir to the library dir>"
# for a file installed in <dir> (relative to the prefix).
function(corvane_relative_rpath dir out)
  corvane_relative_libdir("${dir}" relative)
  set(${out} "\$ORIGIN/${relative}" PARENT_SCOPE)
endfunction()

# corvane_install_program(<target> [COMPONENT <component>]): installs the program into
# bin/ (component tools unless told otherwise) with a run path to the installed library.
function(corvane_install_program target)
  cmake_parse_arguments(P "" "COMPONENT" "" ${ARGN})
  if(NOT P_COMPONENT)
    set(P_COMPONENT tools)
  endif()
  corvane_relative_rpath("${CMAKE_INSTALL_BINDIR}" rpath)
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
  install(TARGETS ${target} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT ${P_COMPONENT})
  # Its manual page, packaging/man/<program>.1, when there is one.
  set(page ${CMAKE_SOURCE_DIR}/packaging/man/${target}.1)
  if(EXISTS ${page})
    set(compressed ${CMAKE_BINARY_DIR}/man/${target}.1.gz)
    add_custom_command(OUTPUT ${compressed}
      COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
      COMMAND sh -c "gzip -9n -c \"$1\" > \"$2\"" gzip ${page} ${compressed}
      DEPENDS ${page}
      COMMENT "Compressing the manual page of ${target}"
      VERBATIM)
    add_custom_target(${target}_manual_page ALL DEPENDS ${compressed})
    install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT ${P_COMPONENT})
  endif()
endfunction()

# corvane_install_python_file(<file>... [COMPONENT <component>]): Python sources installed
# beside the modules (component python unless told otherwise).
function(corvane_install_python_file)
  cmake_parse_arguments(P "" "COMPONENT" "" ${ARGN})
  if(NOT P_COMPONENT)
    set(P_COMPONENT python)
  endif()
  install(FILES ${P_UNPARSED_ARGUMENTS} DESTINATION ${CORVANE_INSTALL_PYTHONDIR} COMPONENT ${P_COMPONENT})
endfunction()

# corvane_install_prune(COMPONENT <c> DIRECTORY <dir> PATTERN <glob> [KEEP names...]
#                       [KEEP_FROM globs...])
# After the component's files are installed, removes from <prefix>/<dir> the files
# matching <glob> that this install does not ship: KEEP names them, KEEP_FROM gives globs
# (evaluated at install time) of the files shipped.
function(corvane_install_prune)
  cmake_parse_arguments(PRUNE "" "COMPONENT;DIRECTORY;PATTERN" "KEEP;KEEP_FROM" ${ARGN})
  string(MAKE_C_IDENTIFIER "${PRUNE_COMPONENT}_${PRUNE_DIRECTORY}" id)
  set(script ${CMAKE_BINARY_DIR}/install-prune/${id}.cmake)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/CorvanePrune.cmake.in ${script} @ONLY)
  install(SCRIPT ${script} COMPONENT ${PRUNE_COMPONENT})
endfunction()
