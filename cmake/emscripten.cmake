# The browser build (emcmake cmake): the show as WebAssembly, drawing through
# our fixed-function layer over WebGL 2 (glfixed/), with the data set
# preloaded into the page's file system. Included by the top-level
# CMakeLists.txt instead of the native build; makes web/orvdemo.js,
# web/orvdemo.wasm, web/orvdemo.data and web/index.html in the build tree.
#
# Debian's emscripten needs its node modules found for -O2 (acorn).
if(NOT DEFINED ENV{NODE_PATH})
  set(ENV{NODE_PATH} /usr/share/nodejs)
endif()

set(ORV_GLFIXED_DIR ${PROJECT_SOURCE_DIR}/glfixed CACHE PATH "The fixed-function layer's sources")
if(NOT EXISTS ${ORV_GLFIXED_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "The browser build draws through glfixed/, which ${ORV_GLFIXED_DIR} does not hold")
endif()
get_filename_component(orv_glfixed_root ${ORV_GLFIXED_DIR} DIRECTORY)
add_subdirectory(${ORV_GLFIXED_DIR} glfixed)
target_include_directories(orv_glfixed PRIVATE ${orv_glfixed_root})

# The data set comes from the generator built for the build machine: its maths
# must be glibc's to give the Linux build's bytes.
include(ExternalProject)
set(orv_assetgen ${CMAKE_BINARY_DIR}/host-assetgen/assetgen/assetgen)
ExternalProject_Add(host_assetgen
  SOURCE_DIR ${PROJECT_SOURCE_DIR}/cmake/host-assetgen
  BINARY_DIR ${CMAKE_BINARY_DIR}/host-assetgen
  CMAKE_ARGS -DORV_SOURCE_DIR=${PROJECT_SOURCE_DIR} -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND ${CMAKE_COMMAND} --build <BINARY_DIR> --target assetgen
  BUILD_ALWAYS ON
  BUILD_BYPRODUCTS ${orv_assetgen}
  INSTALL_COMMAND "")
set(ORV_DATA_STAMP ${CMAKE_BINARY_DIR}/data/.stamp)
add_custom_command(
  OUTPUT ${ORV_DATA_STAMP}
  COMMAND ${orv_assetgen} ${CMAKE_BINARY_DIR}/data
  COMMAND ${CMAKE_COMMAND} -E touch ${ORV_DATA_STAMP}
  DEPENDS ${orv_assetgen}
  COMMENT "Generating the show's data set in ${CMAKE_BINARY_DIR}/data"
  VERBATIM)
add_custom_target(data DEPENDS ${ORV_DATA_STAMP})
add_dependencies(data host_assetgen)

set(S ${PROJECT_SOURCE_DIR})
# The code the live show runs, with the platform's parts from framework/web
# (and the POSIX file code, which emscripten's file system serves as is).
add_library(orv_web_show STATIC
  ${S}/scenefile/loader3ds.cpp ${S}/scenefile/loader3ds_find.cpp ${S}/scenefile/loader3ds_keys.cpp
  ${S}/scenefile/reporting.cpp
  ${S}/render/bmp_image.cpp ${S}/render/material.cpp ${S}/render/object.cpp ${S}/render/keyframer.cpp
  ${S}/scenes/intro.cpp ${S}/scenes/tunneli.cpp ${S}/scenes/kylpyla.cpp ${S}/scenes/insane.cpp
  ${S}/scenes/kaupunki.cpp ${S}/scenes/womb.cpp
  ${S}/show/show.cpp ${S}/show/scene_set.cpp ${S}/show/run_loop.cpp ${S}/show/viewport.cpp
  ${S}/show/start_state.cpp ${S}/show/timeline.cpp
  ${S}/framework/timer.cpp ${S}/framework/window.cpp
  ${S}/framework/linux/data_file.cpp ${S}/framework/linux/files.cpp
  ${S}/framework/web/window.cpp ${S}/framework/web/page.cpp ${S}/framework/web/clock.cpp
  ${S}/framework/web/fp_traps.cpp ${S}/framework/web/gl_current.cpp ${S}/framework/web/png_image.cpp
  ${S}/framework/web/offscreen.cpp ${S}/framework/web/system.cpp ${S}/framework/offscreen.cpp
  ${S}/app/options.cpp ${S}/app/data_problems.cpp ${S}/app/demo_main.cpp ${S}/app/live_window.cpp ${S}/app/live_navigation.cpp
  ${S}/app/timedemo.cpp ${S}/app/capture.cpp)
target_link_libraries(orv_web_show PUBLIC orv_glfixed)
target_include_directories(orv_web_show BEFORE PRIVATE ${ORV_GLFIXED_DIR}/include)
target_include_directories(orv_web_show AFTER PRIVATE ${orv_glfixed_root})
target_compile_definitions(orv_web_show PRIVATE ORV_VERSION="${PROJECT_VERSION}" ORV_DATA_FROM_BIN=".")
# Only what the live show reaches is linked (the capture's file and pipe code is not).
target_compile_options(orv_web_show PRIVATE -ffunction-sections -fdata-sections)

# The music: framework/web/music.cmake adds the player (libopenmpt built for
# the browser by scripts/web-deps, found through ORV_WEB_DEPS) to orv_web_show
# and sets orv_web_music; without it the show plays silently.
set(orv_web_music OFF)
include(${S}/framework/web/music.cmake OPTIONAL)
if(NOT orv_web_music)
  target_sources(orv_web_show PRIVATE ${S}/framework/web/silent_music.cpp)
endif()

set(ORV_WEB_DIR ${CMAKE_BINARY_DIR}/web)
add_executable(orvdemo ${S}/app/web_main.cpp)
target_link_libraries(orvdemo PRIVATE orv_web_show)
if(ORV_WEB_MUSIC_LINK_DEPENDS)
  # The player's script goes into the program's .js: a change to it relinks.
  set_property(TARGET orvdemo APPEND PROPERTY LINK_DEPENDS ${ORV_WEB_MUSIC_LINK_DEPENDS})
endif()
set_target_properties(orvdemo PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ORV_WEB_DIR} SUFFIX .js)
target_link_options(orvdemo PRIVATE
  -sMAX_WEBGL_VERSION=2 -sMIN_WEBGL_VERSION=2 -sALLOW_MEMORY_GROWTH=1 -sINITIAL_MEMORY=64MB
  -sFORCE_FILESYSTEM=1 -sEXPORTED_RUNTIME_METHODS=[callMain,UTF8ToString]
  -sEXPORTED_FUNCTIONS=[_main,_orv_web_play] -sINVOKE_RUN=0 -Wl,--gc-sections
  --preload-file ${CMAKE_BINARY_DIR}/data@/data --exclude-file "*.stamp")
add_dependencies(orvdemo data)
# The page (emscripten's own page maker is not used: it fails in Debian's release).
configure_file(${S}/framework/web/index.html ${ORV_WEB_DIR}/index.html COPYONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${S}/framework/web/index.html)
