# The library's headers, split into the public set (the library's interface: staged into
# <build>/include/corvane so that programs include them as <corvane/Name.h>, in the build
# tree exactly as once installed, and installed) and the internal set (never staged, never
# installed). Every header of the library folders belongs to exactly one of the two lists;
# the headers test (tests/headers) checks that, that each public header compiles on its
# own, and that no public header includes an internal one. A new header is added to one
# list here.

# The C interface: these compile as C11 and as C++17.
set(CORVANE_PUBLIC_C_HEADER_NAMES
  core/CorvaneErrors.h
  core/CorvaneExport.h
  core/VelmorTypes.h
  c_api/Corvane.h
  c_api/VelmorArgParserFunctions.h
  c_api/VelmorCounterFunctions.h
  c_api/VelmorDeviceFunctions.h
  c_api/VelmorDigitalFunctions.h
  c_api/VelmorErrorFunctions.h
  c_api/VelmorInterruptFunctions.h
  c_api/VelmorTimerFunctions.h
  c_api/VelmorUtils.h
  c_api/VelmorWatchdogFunctions.h)

# The object interface: the exported classes and what their declarations need (the board
# classes derive from the capability implementations), the driver command numbers, the
# plug-in interface, the logger, both argument parsers and the console helpers.
set(CORVANE_PUBLIC_CXX_HEADER_NAMES
  foundation/ArgParser.h
  foundation/Logger.h
  core/CorvaneException.h
  core/CounterImpl.h
  core/CounterInterface.h
  core/Device.h
  core/DeviceDiscovery.h
  core/DeviceDiscoverySingleton.h
  core/DeviceInterface.h
  core/DigitalIOCommonInterface.h
  core/DigitalIOInterface.h
  core/DigitalIOPortsInterface.h
  core/DigitalImpl.h
  core/DigitalPortImpl.h
  core/InterruptImpl.h
  core/InterruptInterface.h
  core/IoctlCommandTable.h
  core/IoctlCommands.h
  core/IoctlInterface.h
  core/LinuxCardDiscovery.h
  core/LinuxIoctl.h
  core/PluginInterface.h
  core/TestInterface.h
  core/TimerImpl.h
  core/TimerInterface.h
  core/WatchdogImpl.h
  core/WatchdogInterface.h
  boards/KELO3100.h
  boards/KELO3100Discovery.h
  boards/KELO3100Tables.h
  boards/KELO42XX.h
  boards/KELO42XXDiscovery.h
  boards/KELO42XXTables.h
  boards/KELOE5100.h
  boards/KELOE5100Discovery.h
  boards/KELOE5100Tables.h
  boards/KELOE6100.h
  boards/KELOE6100Discovery.h
  boards/KELOE6100Tables.h
  boards/KELOX7100.h
  boards/KELOX7100Discovery.h
  boards/KELOX7100Tables.h
  c_api/CorvaneArgParser.h
  c_api/CorvaneUtils.h)

# Internal: the last-error store, the shared unit checks, the shared descriptor handle,
# the discovery log, the interrupt thread's start seam, the boards' text-copy and
# event-record helpers, the C call frame with its board index and the sample-support internals.
set(CORVANE_INTERNAL_HEADER_NAMES
  core/LastError.h
  core/UnitChecks.h
  core/DeviceHandle.h
  core/DiscoveryLog.h
  core/InterruptThreadStart.h
  boards/DigitalEventRecord.h
  boards/DriverText.h
  c_api/CApiBoardIndex.h
  c_api/CApiFrame.h
  c_api/UtilsSupport.h)

set(CORVANE_HEADER_FOLDERS foundation core boards c_api)

set(CORVANE_PUBLIC_HEADERS "")
foreach(name ${CORVANE_PUBLIC_C_HEADER_NAMES} ${CORVANE_PUBLIC_CXX_HEADER_NAMES})
  list(APPEND CORVANE_PUBLIC_HEADERS ${CMAKE_SOURCE_DIR}/${name})
endforeach()

# The simulator's control header is installed beside them (with the simulator) and staged
# with them, so that programs include <corvane/corvane_sim.h> in the build tree as once
# installed.
set(CORVANE_STAGED_EXTRA_HEADERS ${CMAKE_SOURCE_DIR}/sim/corvane_sim.h)

set(CORVANE_STAGED_INCLUDE ${CMAKE_BINARY_DIR}/include)
set(staged_headers "")
foreach(header ${CORVANE_PUBLIC_HEADERS} ${CORVANE_STAGED_EXTRA_HEADERS})
  get_filename_component(name ${header} NAME)
  set(staged ${CORVANE_STAGED_INCLUDE}/corvane/${name})
  add_custom_command(OUTPUT ${staged}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${header} ${staged}
    DEPENDS ${header}
    COMMENT "Staging corvane/${name}")
  list(APPEND staged_headers ${staged})
endforeach()
add_custom_target(corvane_stage_headers ALL DEPENDS ${staged_headers})

# A header that left the public set must not linger in the staged folder.
file(GLOB previously_staged ${CORVANE_STAGED_INCLUDE}/corvane/*)
foreach(old ${previously_staged})
  if(NOT old IN_LIST staged_headers)
    file(REMOVE ${old})
  endif()
endforeach()

# Inside the project the folders themselves are on the include path; the staged
# folder serves programs written like an outside user's.
set(CORVANE_INCLUDE_DIRS
  ${CMAKE_SOURCE_DIR}/foundation
  ${CMAKE_SOURCE_DIR}/core
  ${CMAKE_SOURCE_DIR}/boards
  ${CMAKE_SOURCE_DIR}/c_api
  ${CORVANE_STAGED_INCLUDE})
