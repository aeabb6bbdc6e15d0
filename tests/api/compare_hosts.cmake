# Runs the Linux and the Windows build of the TRAVOK host, both under a locale
# with a decimal comma, and fails unless they print the same designs.
#
#   cmake -DLINUX_HOST= -DLINUX_DIRECTORY= -DLINUX_ROOT= -DWINDOWS_HOST= -DWINE=
#         -DWINDOWS_DIRECTORY= -DWINDOWS_ROOT= -P compare_hosts.cmake
cmake_minimum_required(VERSION 3.25)

if(NOT EXISTS "${LINUX_HOST}")
  message(FATAL_ERROR "No Linux build of the host at ${LINUX_HOST}: build the target "
                      "travok_host of the default preset first.")
endif()
if(NOT WINE)
  message(FATAL_ERROR "Wine was not found, so the Windows host cannot run.")
endif()
file(MAKE_DIRECTORY "${LINUX_DIRECTORY}")

set(ENV{LC_ALL} de_DE.UTF-8)
set(ENV{VARNO_ROOT} "${LINUX_ROOT}")
execute_process(COMMAND "${LINUX_HOST}" "${LINUX_DIRECTORY}" --comma-locale
  RESULT_VARIABLE linux_result OUTPUT_VARIABLE linux_output ERROR_VARIABLE linux_errors)
if(NOT linux_result EQUAL 0)
  message(FATAL_ERROR "The Linux host failed (${linux_result}): ${linux_errors}")
endif()

set(ENV{VARNO_ROOT} "${WINDOWS_ROOT}")
execute_process(COMMAND "${WINE}" "${WINDOWS_HOST}" "${WINDOWS_DIRECTORY}" --comma-locale
  RESULT_VARIABLE windows_result OUTPUT_VARIABLE windows_output ERROR_VARIABLE windows_errors)
if(NOT windows_result EQUAL 0)
  message(FATAL_ERROR "The Windows host failed under Wine (${windows_result}): ${windows_errors}")
endif()

string(REPLACE "\r\n" "\n" windows_output "${windows_output}")
if(NOT windows_output STREQUAL linux_output)
  file(WRITE "${LINUX_DIRECTORY}/designs.txt" "${linux_output}")
  file(WRITE "${LINUX_DIRECTORY}/designs-windows.txt" "${windows_output}")
  message(FATAL_ERROR "The Windows host's designs differ from the Linux host's; both lists "
                      "are in ${LINUX_DIRECTORY} (designs.txt, designs-windows.txt).")
endif()
string(REGEX MATCHALL "\n" lines "${linux_output}")
list(LENGTH lines line_count)
message(STATUS "Both hosts printed the same ${line_count} lines.")
