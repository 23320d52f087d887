# Third-party libraries the runtime links, gathered behind one interface target.
find_package(PkgConfig REQUIRED)
pkg_check_modules(SDL2 REQUIRED IMPORTED_TARGET sdl2)
pkg_check_modules(SDL2_MIXER REQUIRED IMPORTED_TARGET SDL2_mixer)
pkg_check_modules(FFMPEG REQUIRED IMPORTED_TARGET
  libavformat libavcodec libswscale libswresample libavutil)
set(OpenGL_GL_PREFERENCE GLVND)
find_package(OpenGL REQUIRED)
find_package(PNG REQUIRED)
find_package(JPEG REQUIRED)
find_package(ZLIB REQUIRED)
find_path(LZO2_INCLUDE_DIR lzo/lzo1x.h REQUIRED)
find_library(LZO2_LIBRARY lzo2 REQUIRED)
find_package(Threads REQUIRED)

add_library(orvane_deps INTERFACE)
target_include_directories(orvane_deps INTERFACE ${LZO2_INCLUDE_DIR})
target_link_libraries(orvane_deps INTERFACE
  PkgConfig::SDL2_MIXER PkgConfig::SDL2 PkgConfig::FFMPEG OpenGL::GL
  PNG::PNG JPEG::JPEG ZLIB::ZLIB ${LZO2_LIBRARY}
  Threads::Threads ${CMAKE_DL_LIBS})
