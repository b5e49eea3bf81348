# Cross build for 64-bit Windows with Debian's MinGW-w64 (posix thread model):
#
#   scripts/cross-deps
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release
#
# The static libraries (libopenmpt, SDL2, libpng, GoogleTest) come from the
# prefix scripts/cross-deps builds; ORV_WIN_DEPS names another one. Programs
# are linked -static, so an .exe needs no DLL beside it, and ctest runs the
# test programs through Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ORV_MINGW_HOST x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ORV_MINGW_HOST}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORV_MINGW_HOST}-g++-posix)
set(CMAKE_RC_COMPILER ${ORV_MINGW_HOST}-windres)

# The prefix: ORV_WIN_DEPS from the environment (how it is handed on to the
# try_compile projects, which read this file again) or from the command line,
# else where scripts/cross-deps builds it. The found prefix is not kept in the
# cache: a change of the libraries' versions or flags moves it, and the next
# configure follows.
if(DEFINED ENV{ORV_WIN_DEPS})
  set(orv_deps "$ENV{ORV_WIN_DEPS}")
elseif(ORV_WIN_DEPS)
  set(orv_deps "${ORV_WIN_DEPS}")
else()
  execute_process(
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/../scripts/cross-deps" --print-prefix
    OUTPUT_VARIABLE orv_deps OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE orv_deps_result)
  if(NOT orv_deps_result EQUAL 0)
    message(FATAL_ERROR "scripts/cross-deps --print-prefix failed")
  endif()
endif()
if(NOT EXISTS "${orv_deps}/.complete")
  message(FATAL_ERROR "The Windows libraries are not built in ${orv_deps}: run scripts/cross-deps first")
endif()
set(ENV{ORV_WIN_DEPS} "${orv_deps}")

# A build tree configured against another prefix forgets what it found there
# (library paths, pkg-config results), or it would go on linking the old libraries.
# (A tree that does not say which prefix it used forgets them too.)
if(NOT CMAKE_IN_TRY_COMPILE AND NOT "${ORV_WIN_DEPS_USED}" STREQUAL "${orv_deps}")
  get_cmake_property(orv_cached CACHE_VARIABLES)
  foreach(orv_var IN LISTS orv_cached)
    get_property(orv_value CACHE "${orv_var}" PROPERTY VALUE)
    set(orv_at -1)
    if(ORV_WIN_DEPS_USED)
      string(FIND "${orv_value}" "${ORV_WIN_DEPS_USED}" orv_at)
    endif()
    if(orv_var MATCHES "^(__pkg_config_|pkgcfg_lib_|GTest_DIR$)" OR orv_at GREATER_EQUAL 0)
      unset("${orv_var}" CACHE)
    endif()
  endforeach()
endif()
if(NOT CMAKE_IN_TRY_COMPILE)
  set(ORV_WIN_DEPS_USED "${orv_deps}" CACHE INTERNAL "Prefix of the Windows libraries this tree was configured with")
endif()
set(ORV_WIN_DEPS "${orv_deps}")

set(CMAKE_FIND_ROOT_PATH /usr/${ORV_MINGW_HOST} ${ORV_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees the cross libraries only, with what their static archives need.
set(ENV{PKG_CONFIG_LIBDIR} "${ORV_WIN_DEPS}/lib/pkgconfig:/usr/${ORV_MINGW_HOST}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(PKG_CONFIG_ARGN --static)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# ctest and the build's own steps run the .exe programs under Wine.
find_program(ORV_WINE NAMES wine REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run)
