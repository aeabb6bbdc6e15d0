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

configure_file(${PROJECT_SOURCE_DIR}/cmake/varno.pc.in ${PROJECT_BINARY_DIR}/varno.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/varno.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
