# The third-party libraries the runtime links, in one table that every way of
# building a game reads: this build links them, the installed CMake package
# finds them again with this very file, orvane.pc requires the same pkg-config
# modules and the .deb depends on the same Debian packages. A library added
# here reaches all four.
#
#   pkg-config module   Debian package with its headers
set(ORVANE_DEPENDENCIES
  sdl2                libsdl2-dev
  SDL2_mixer          libsdl2-mixer-dev
  libavformat         libavformat-dev
  libavcodec          libavcodec-dev
  libswscale          libswscale-dev
  libswresample       libswresample-dev
  libavutil           libavutil-dev
  gl                  libgl-dev
  libpng              libpng-dev
  libjpeg             libjpeg-dev
  zlib                zlib1g-dev
  lzo2                liblzo2-dev)

set(ORVANE_PKG_MODULES "")
set(ORVANE_DEB_PACKAGES "")
list(LENGTH ORVANE_DEPENDENCIES _orvane_count)
math(EXPR _orvane_last "${_orvane_count} - 1")
foreach(_orvane_i RANGE 0 ${_orvane_last} 2)
  math(EXPR _orvane_j "${_orvane_i} + 1")
  list(GET ORVANE_DEPENDENCIES ${_orvane_i} _orvane_module)
  list(GET ORVANE_DEPENDENCIES ${_orvane_j} _orvane_package)
  list(APPEND ORVANE_PKG_MODULES ${_orvane_module})
  list(APPEND ORVANE_DEB_PACKAGES ${_orvane_package})
endforeach()

# Nothing here stops the configure run: what is missing is collected in
# ORVANE_DEPS_MISSING ("module (Debian: package)" entries), and the includer
# decides. The build stops with it; the installed package reports itself as
# not found, as find_package(Orvane QUIET) callers expect.
set(ORVANE_DEPS_MISSING "")
find_package(PkgConfig QUIET)
find_package(Threads QUIET)
if(NOT PKG_CONFIG_FOUND)
  list(APPEND ORVANE_DEPS_MISSING "the pkg-config tool (Debian: pkg-config)")
else()
  pkg_check_modules(ORVANE_PKG QUIET IMPORTED_TARGET ${ORVANE_PKG_MODULES})
  if(NOT ORVANE_PKG_FOUND)
    foreach(_orvane_module _orvane_package IN ZIP_LISTS ORVANE_PKG_MODULES ORVANE_DEB_PACKAGES)
      execute_process(COMMAND ${PKG_CONFIG_EXECUTABLE} --exists ${_orvane_module}
                      RESULT_VARIABLE _orvane_status OUTPUT_QUIET ERROR_QUIET)
      if(NOT _orvane_status EQUAL 0)
        list(APPEND ORVANE_DEPS_MISSING "${_orvane_module} (Debian: ${_orvane_package})")
      endif()
    endforeach()
    if(NOT ORVANE_DEPS_MISSING)
      list(APPEND ORVANE_DEPS_MISSING "pkg-config modules that do not work together: ${ORVANE_PKG_MODULES}")
    endif()
  endif()
endif()
if(NOT Threads_FOUND)
  list(APPEND ORVANE_DEPS_MISSING "POSIX threads (Debian: libc6-dev)")
endif()

if(NOT ORVANE_DEPS_MISSING AND NOT TARGET orvane_deps)
  add_library(orvane_deps INTERFACE)
  target_link_libraries(orvane_deps INTERFACE PkgConfig::ORVANE_PKG Threads::Threads ${CMAKE_DL_LIBS})
endif()
