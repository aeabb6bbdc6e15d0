# Installs the current build into a scratch prefix, then builds and runs a
# small host against that installation twice: once through find_package(varno)
# and once with the flags pkg-config reports.
#
# Variables: BUILD_DIR, CONFIG, WORK_DIR, CONSUMER_SOURCE, GENERATOR,
# C_COMPILER, LIBDIR (relative install library directory), PKG_CONFIG,
# SANITIZER_FLAGS and SANITIZER_LINK_FLAGS (either may be empty).
cmake_minimum_required(VERSION 3.25)

foreach(variable BUILD_DIR WORK_DIR CONSUMER_SOURCE GENERATOR C_COMPILER LIBDIR)
  if(NOT DEFINED ${variable} OR "${${variable}}" STREQUAL "")
    message(FATAL_ERROR "${variable} is not set.")
  endif()
endforeach()

function(run step)
  execute_process(COMMAND ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${step} failed (${result}):\n${output}\n${error}")
  endif()
  set(last_output "${output}" PARENT_SCOPE)
endfunction()

set(prefix "${WORK_DIR}/prefix")
set(consumer_build "${WORK_DIR}/consumer-build")
set(libdir "${prefix}/${LIBDIR}")
# Start from nothing, so that files left by an earlier run cannot hide a
# broken installation.
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

set(config_args "")
if(NOT "${CONFIG}" STREQUAL "")
  set(config_args --config "${CONFIG}")
endif()
run("Installing" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}" ${config_args})

foreach(file include/varno.h "${LIBDIR}/cmake/varno/varnoConfig.cmake"
             "${LIBDIR}/cmake/varno/varnoConfigVersion.cmake" "${LIBDIR}/pkgconfig/varno.pc")
  if(NOT EXISTS "${prefix}/${file}")
    message(FATAL_ERROR "The installation lacks ${file}.")
  endif()
endforeach()

# --- find_package(varno) -------------------------------------------------------
set(flag_args "")
if(NOT "${SANITIZER_FLAGS}" STREQUAL "")
  list(APPEND flag_args "-DCMAKE_C_FLAGS=${SANITIZER_FLAGS}"
                        "-DCMAKE_EXE_LINKER_FLAGS=${SANITIZER_FLAGS} ${SANITIZER_LINK_FLAGS}")
endif()
run("Configuring the consumer" "${CMAKE_COMMAND}" -S "${CONSUMER_SOURCE}" -B "${consumer_build}"
    -G "${GENERATOR}" "-DCMAKE_C_COMPILER=${C_COMPILER}" "-DCMAKE_PREFIX_PATH=${prefix}"
    -DCMAKE_BUILD_TYPE=Release ${flag_args})
# The package must come from the scratch prefix, not from the build tree or a
# system-wide installation.
file(STRINGS "${consumer_build}/CMakeCache.txt" varno_dir REGEX "^varno_DIR:")
if(NOT varno_dir STREQUAL "varno_DIR:PATH=${libdir}/cmake/varno")
  message(FATAL_ERROR "find_package(varno) found the wrong package: ${varno_dir}")
endif()
run("Building the consumer" "${CMAKE_COMMAND}" --build "${consumer_build}")

set(ENV{LD_LIBRARY_PATH} "${libdir}")
run("Running the consumer" "${consumer_build}/varno_consumer")
message(STATUS "find_package consumer: ${last_output}")

# --- pkg-config -------------------------------------------------------------
if("${PKG_CONFIG}" STREQUAL "" OR NOT EXISTS "${PKG_CONFIG}")
  message(FATAL_ERROR "pkg-config is needed for this test (scripts/install-deps.sh installs it).")
endif()
set(ENV{PKG_CONFIG_PATH} "${libdir}/pkgconfig")
unset(ENV{PKG_CONFIG_LIBDIR})
run("pkg-config" "${PKG_CONFIG}" --cflags --libs varno)
string(STRIP "${last_output}" pc_flags)
string(FIND " ${pc_flags} " " -I${prefix}/include " include_at)
string(FIND " ${pc_flags} " " -L${libdir} " libdir_at)
if(include_at EQUAL -1 OR libdir_at EQUAL -1)
  message(FATAL_ERROR "pkg-config does not point at the installation in ${prefix}: '${pc_flags}'")
endif()
separate_arguments(pc_args UNIX_COMMAND "${pc_flags}")
separate_arguments(sanitizer_args UNIX_COMMAND "${SANITIZER_FLAGS} ${SANITIZER_LINK_FLAGS}")
set(pc_program "${WORK_DIR}/varno_consumer_pc")
run("Building with the pkg-config flags" "${C_COMPILER}" -std=c11 -Wall -Wextra -Werror -pedantic
    ${sanitizer_args} "${CONSUMER_SOURCE}/consumer.c" -o "${pc_program}" ${pc_args})
run("Running the pkg-config consumer" "${pc_program}")
message(STATUS "pkg-config consumer: ${last_output}")
