# Command-line options and the offscreen capture of the show (video or PNG frames).
add_library(orv_capture STATIC
  options.cpp capture.cpp capture_sink.cpp ffmpeg_pipe.cpp timedemo.cpp
  ${PROJECT_SOURCE_DIR}/framework/music_wav.cpp)
# orv_demo gives the show loop and the command-line scan the live show uses.
target_link_libraries(orv_capture PUBLIC orv_demo orv_show orv_framework PkgConfig::OPENMPT OpenGL::GL)
# The installed program finds its data relative to itself, so the prefix can move.
file(RELATIVE_PATH orv_data_from_bin "/${CMAKE_INSTALL_BINDIR}" "/${ORV_DATA_INSTALL_DIR}")
target_compile_definitions(orv_capture PRIVATE
  ORV_VERSION="${PROJECT_VERSION}" ORV_DATA_FROM_BIN="${orv_data_from_bin}")
