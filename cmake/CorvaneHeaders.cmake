# Gathers the public headers of the library folders into <build>/include/corvane so that
# programs include them as <corvane/Name.h>, in the build tree exactly as once installed.
file(GLOB CORVANE_PUBLIC_HEADERS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/foundation/*.h
  ${CMAKE_SOURCE_DIR}/core/*.h
  ${CMAKE_SOURCE_DIR}/boards/*.h
  ${CMAKE_SOURCE_DIR}/c_api/*.h)

set(CORVANE_STAGED_INCLUDE ${CMAKE_BINARY_DIR}/include)
set(staged_headers "")
foreach(header ${CORVANE_PUBLIC_HEADERS})
  get_filename_component(name ${header} NAME)
  set(staged ${CORVANE_STAGED_INCLUDE}/corvane/${name})
  add_custom_command(OUTPUT ${staged}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${header} ${staged}
    DEPENDS ${header}
    COMMENT "Staging corvane/${name}")
  list(APPEND staged_headers ${staged})
endforeach()
add_custom_target(corvane_stage_headers ALL DEPENDS ${staged_headers})

# Inside the project the folders themselves are on the include path; the staged
# folder serves programs written like an outside user's.
set(CORVANE_INCLUDE_DIRS
  ${CMAKE_SOURCE_DIR}/foundation
  ${CMAKE_SOURCE_DIR}/core
  ${CMAKE_SOURCE_DIR}/boards
  ${CMAKE_SOURCE_DIR}/c_api
  ${CORVANE_STAGED_INCLUDE})
