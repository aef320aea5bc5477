# What an integrator receives: install rules for the driver, its header and the tools,
# and the packages CPack makes of them (driven by scripts/package.sh).
#
#   Windows: a zip with the DLL, its import libraries and .def, the header, the Windows
#            reference host and the integration guide, all in one folder.
#   Linux:   a tar.gz and a .deb with lib/ (the versioned library, a pkg-config file and
#            a CMake package), include/, bin/ (host and simulator) and share/doc/.
# Every file that points at others does so relative to where it is installed, so a
# package can be unpacked anywhere.
if(NOT TARGET Ostrevane800 OR NOT TARGET ostrevane-host)
  return()
endif()

set(OSTREVANE_GUIDE ${PROJECT_SOURCE_DIR}/docs/INTEGRATION.md)
target_include_directories(Ostrevane800 INTERFACE $<INSTALL_INTERFACE:include>)

if(WIN32)
  math(EXPR OSTREVANE_PACKAGE_BITS "${CMAKE_SIZEOF_VOID_P} * 8")
  set(OSTREVANE_PACKAGE_PLATFORM win${OSTREVANE_PACKAGE_BITS})
  # ARCHIVE is the MinGW-named import library, libOstrevane800.dll.a.
  install(TARGETS Ostrevane800 RUNTIME DESTINATION . ARCHIVE DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/src/Ostrevane800.lib ${PROJECT_SOURCE_DIR}/src/driver/Ostrevane800.def
          ${OSTREVANE_GUIDE} DESTINATION .)
  install(TARGETS ostrevane-host RUNTIME DESTINATION .)
  install(FILES ${PROJECT_SOURCE_DIR}/include/Ostrevane800.h DESTINATION include)
  set(CPACK_GENERATOR ZIP)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" OSTREVANE_PACKAGE_PLATFORM)
  set(cmake_package_dir lib/cmake/Ostrevane800)
  install(TARGETS Ostrevane800 EXPORT Ostrevane800Targets LIBRARY DESTINATION lib)
  install(FILES ${PROJECT_SOURCE_DIR}/include/Ostrevane800.h DESTINATION include)
  install(TARGETS ostrevane-host RUNTIME DESTINATION bin)
  if(TARGET ostrevane-sim)
    install(TARGETS ostrevane-sim RUNTIME DESTINATION bin)
  endif()
  install(FILES ${OSTREVANE_GUIDE} DESTINATION share/doc/ostrevane800)

  configure_file(${CMAKE_CURRENT_LIST_DIR}/Ostrevane800.pc.in ${PROJECT_BINARY_DIR}/packaging/Ostrevane800.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/Ostrevane800.pc DESTINATION lib/pkgconfig)

  include(CMakePackageConfigHelpers)
  install(EXPORT Ostrevane800Targets NAMESPACE Ostrevane800:: DESTINATION ${cmake_package_dir})
  configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/Ostrevane800Config.cmake.in
    ${PROJECT_BINARY_DIR}/packaging/Ostrevane800Config.cmake INSTALL_DESTINATION ${cmake_package_dir})
  # The soname changes with the major version only, and so does what a host may rely on.
  write_basic_package_version_file(${PROJECT_BINARY_DIR}/packaging/Ostrevane800ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${PROJECT_BINARY_DIR}/packaging/Ostrevane800Config.cmake
          ${PROJECT_BINARY_DIR}/packaging/Ostrevane800ConfigVersion.cmake DESTINATION ${cmake_package_dir})

  set(CPACK_GENERATOR TGZ DEB)
  set(CPACK_DEBIAN_PACKAGE_NAME ostrevane800)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION libs)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Ostrevane800 developers")
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # Hosts built against this version run with any later one of the same major version.
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
  set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
endif()

set(CPACK_PACKAGE_NAME Ostrevane800)
set(CPACK_PACKAGE_VENDOR "Ostrevane800 developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Communication driver for Ostrevane 808/847 process controllers on a serial line")
set(CPACK_PACKAGE_FILE_NAME Ostrevane800-${PROJECT_VERSION}-${OSTREVANE_PACKAGE_PLATFORM})
set(CPACK_STRIP_FILES ON)
include(CPack)
