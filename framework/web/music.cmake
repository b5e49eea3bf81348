# The music player of the browser build: framework/web/music*.cpp, audio.js
# and libopenmpt built for the browser by scripts/web-deps. Included by the
# browser build with the show's library target named in ORV_WEB_MUSIC_TARGET
# (default orv_web_show) and the prefix scripts/web-deps prints in
# ORV_WEB_DEPS (scripts/web-deps also links it as ~/.cache/orvdemo/web-deps).
#
# The show clock should be OrvWebShowClockMilliseconds() (framework/web/
# music_clock.h) in this build: it follows the music while music plays.
# ORV_WEB_MUSIC is defined for the target's sources when this file is used.
if(NOT ORV_WEB_MUSIC_TARGET)
  set(ORV_WEB_MUSIC_TARGET orv_web_show)
endif()
set(orv_music_dir ${CMAKE_CURRENT_LIST_DIR})
set(ORV_WEB_MUSIC_SOURCES
  ${orv_music_dir}/music.cpp ${orv_music_dir}/music_clock.cpp ${orv_music_dir}/../music_module.cpp)
target_sources(${ORV_WEB_MUSIC_TARGET} PRIVATE ${ORV_WEB_MUSIC_SOURCES})
target_include_directories(${ORV_WEB_MUSIC_TARGET} PRIVATE ${ORV_WEB_DEPS}/include)
target_compile_definitions(${ORV_WEB_MUSIC_TARGET} PRIVATE ORV_WEB_MUSIC=1)
# libopenmpt throws and catches inside itself: the link needs emscripten's
# exception support. audio.js joins the program's JavaScript as Module.orvAudio.
target_link_libraries(${ORV_WEB_MUSIC_TARGET} PUBLIC ${ORV_WEB_DEPS}/lib/libopenmpt.a)
target_link_options(${ORV_WEB_MUSIC_TARGET} PUBLIC -fexceptions "SHELL:--pre-js ${orv_music_dir}/audio.js")
# For the program's LINK_DEPENDS: a change to audio.js links the program again.
set(ORV_WEB_MUSIC_LINK_DEPENDS ${orv_music_dir}/audio.js)
