# Installs the library, its header, a CMake package (find_package(varno) gives
# varno::varno) and a pkg-config file.
include(CMakePackageConfigHelpers)

install(TARGETS varno EXPORT varnoTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/varno.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(varno_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/varno)
install(EXPORT varnoTargets NAMESPACE varno:: DESTINATION ${varno_cmake_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/varnoConfig.cmake.in
  ${PROJECT_BINARY_DIR}/varnoConfig.cmake
  INSTALL_DESTINATION ${varno_cmake_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/varnoConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/varnoConfig.cmake
              ${PROJECT_BINARY_DIR}/varnoConfigVersion.cmake
  DESTINATION ${varno_cmake_dir})

# The pkg-config file names absolute directories, so it is written when the
# install runs: only then is the prefix final (`cmake --install --prefix` may
# change it). The escaped \${CMAKE_INSTALL_PREFIX} below is expanded then.
# One scratch file per prefix keeps concurrent installs apart.
foreach(kind LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(varno_pc_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(varno_pc_${kind} "\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
install(CODE "
  set(PROJECT_DESCRIPTION [[${PROJECT_DESCRIPTION}]])
  set(PROJECT_VERSION [[${PROJECT_VERSION}]])
  set(VARNO_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(VARNO_PC_LIBDIR \"${varno_pc_LIBDIR}\")
  set(VARNO_PC_INCLUDEDIR \"${varno_pc_INCLUDEDIR}\")
  string(MD5 prefix_hash \"\${CMAKE_INSTALL_PREFIX}\")
  set(pc_file \"${PROJECT_BINARY_DIR}/pkgconfig/varno-\${prefix_hash}.pc\")
  configure_file([[${PROJECT_SOURCE_DIR}/cmake/varno.pc.in]] \"\${pc_file}\" @ONLY)
  file(INSTALL \"\${pc_file}\" DESTINATION \"\${VARNO_PC_LIBDIR}/pkgconfig\" RENAME varno.pc)
")
