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

# pkg-config: the libraries are static, so their dependencies are public:
# the modules the build itself was linked with (cmake/OrvaneDeps.cmake).
list(JOIN ORVANE_PKG_MODULES " " ORVANE_PC_REQUIRES)
file(RELATIVE_PATH ORVANE_PC_TO_PREFIX /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
configure_file(cmake/package/orvane.pc.in ${CMAKE_CURRENT_BINARY_DIR}/package/orvane.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/package/orvane.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

# The command reference and the copyright notice go with the headers.
install(FILES docs/commands.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES cmake/package/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/orvane-dev)

# Stripped installs (cmake --install --strip, and the .deb) also drop the
# static libraries' debug sections: CMake strips only programs, and the
# libraries' symbols must stay for games to link.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP AND NOT \"${CMAKE_STRIP}\" STREQUAL \"\")
    foreach(lib liborvane.a liborvane_main.a)
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
                      \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/\${lib}\")
    endforeach()
  endif()")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvane-dev)
set(CPACK_PACKAGE_VENDOR "Orvane")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Orvane game runtime: static libraries, headers and tools")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Orvane developers <orvane@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
# What a game build needs (the headers of every library the runtime links,
# from the same table as orvane.pc); the tools' own libraries come from
# dpkg-shlibdeps.
list(JOIN ORVANE_DEB_PACKAGES ", " ORVANE_DEB_DEV_PACKAGES)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "cmake, pkg-config, g++, ${ORVANE_DEB_DEV_PACKAGES}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)
