# Installing the runtime for games built elsewhere: the two static libraries,
# the game-facing headers (with the generated key codes), the command-line
# tools, a CMake package (find_package(Orvane)), an orvane.pc for pkg-config
# and a Debian package through CPack.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Games built against an installed copy need the same language level.
target_compile_features(orvane PUBLIC cxx_std_20)

install(TARGETS orvane orvane_main EXPORT OrvaneTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY include/orvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(FILES ${ORVANE_GENERATED_DIR}/orvane/key_codes.h
        DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/orvane)

# The package finds the third-party libraries with the very file the build
# uses, so a dependency added there is found by installed games as well.
set(ORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Orvane)
install(EXPORT OrvaneTargets NAMESPACE Orvane:: DESTINATION ${ORVANE_CMAKE_DIR})
configure_package_config_file(cmake/package/OrvaneConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/package/OrvaneConfig.cmake
  INSTALL_DESTINATION ${ORVANE_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/package/OrvaneConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMinorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/OrvaneConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/package/OrvaneConfigVersion.cmake
              cmake/OrvaneDeps.cmake
        DESTINATION ${ORVANE_CMAKE_DIR})

# pkg-config: the libraries are static, so their dependencies are public.
configure_file(cmake/package/orvane.pc.in ${CMAKE_CURRENT_BINARY_DIR}/package/orvane.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/orvane.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-dev)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orvane game runtime: static libraries, headers and tools")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane developers <orvane@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "cmake, pkg-config, libsdl2-dev, libsdl2-mixer-dev, libgl-dev, libpng-dev, libjpeg-dev, zlib1g-dev, liblzo2-dev, libassimp5")
include(CPack)
