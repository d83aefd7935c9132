# Installs the build into a fresh prefix and checks that the exporter and its
# systemd unit land where systemd looks, the unit naming the installed program.
# Run: cmake -DBUILD_DIR=<build> -DPREFIX=<empty folder> -P CheckInstall.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE status OUTPUT_QUIET)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(unit "${PREFIX}/lib/systemd/system/kestrine-exporter.service")
foreach(file "${PREFIX}/bin/kestrine-exporter" "${PREFIX}/bin/kestrinectl" "${unit}")
  if(NOT EXISTS "${file}")
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()
file(STRINGS "${unit}" exec REGEX "^ExecStart=")
if(NOT exec MATCHES "^ExecStart=${PREFIX}/bin/kestrine-exporter ")
  message(FATAL_ERROR "the unit starts another program: ${exec}")
endif()
file(STRINGS "${unit}" sandbox REGEX "^(DynamicUser|NoNewPrivileges|ProtectSystem)=")
list(LENGTH sandbox count)
if(NOT count EQUAL 3)
  message(FATAL_ERROR "the unit lost its sandbox: ${sandbox}")
endif()

find_program(SYSTEMD_ANALYZE systemd-analyze)
if(SYSTEMD_ANALYZE)
  execute_process(COMMAND ${SYSTEMD_ANALYZE} verify "${unit}" RESULT_VARIABLE status ERROR_VARIABLE problems)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "systemd-analyze verify: ${problems}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
message(STATUS "installed and checked: ${unit}")
