# Installs the build into a scratch prefix and runs the installed command line from there:
# its version, the DXCC tables found in the installed data folder, and the DigiPan example.
# Run with -DBUILD_DIR=... -DSOURCE_DIR=... -DWORK_DIR=... -DWITH_GUI=ON|OFF.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})
set(prefix ${WORK_DIR}/prefix)

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(out "${out}" PARENT_SCOPE)
endfunction()

run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})

set(expected bin/trelvo5 share/trelvo5/ADIF2HL.txt share/trelvo5/HL2ADIF.txt)
if(WITH_GUI)
  list(APPEND expected bin/trelvo5-gui share/applications/trelvo5-gui.desktop
       share/icons/hicolor/scalable/apps/trelvo5.svg)
endif()
foreach(f ${expected})
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
if(WITH_GUI)
  file(READ ${prefix}/share/applications/trelvo5-gui.desktop desktop)
  if(NOT desktop MATCHES "Exec=trelvo5-gui" OR NOT desktop MATCHES "Icon=trelvo5")
    message(FATAL_ERROR "the desktop entry does not start the window with its icon:\n${desktop}")
  endif()
endif()

# Nothing of the build folder may be reached: run from a folder of its own.
set(ENV{XDG_CONFIG_HOME} ${WORK_DIR}/config)
run(${prefix}/bin/trelvo5 --version)
if(NOT out MATCHES "[0-9]+\\.[0-9]+")
  message(FATAL_ERROR "no version printed: ${out}")
endif()

run(${prefix}/bin/trelvo5 settings)
if(NOT out MATCHES "share/trelvo5/ADIF2HL.txt")
  message(FATAL_ERROR "the installed DXCC table is not used:\n${out}")
endif()

file(COPY ${SOURCE_DIR}/examples/digipan/Digipan.LOG DESTINATION ${WORK_DIR}/logs)
run(${prefix}/bin/trelvo5 import digipan ${WORK_DIR}/logs/Digipan.LOG -o ${WORK_DIR}/out.csv)
file(SIZE ${WORK_DIR}/out.csv size)
if(size EQUAL 0)
  message(FATAL_ERROR "the installed program converted nothing")
endif()
