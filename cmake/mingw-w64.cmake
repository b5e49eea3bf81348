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

# The toolchain file is read again for every try_compile: the prefix is looked
# up once and handed on through the environment.
if(NOT ORV_WIN_DEPS AND DEFINED ENV{ORV_WIN_DEPS})
  set(ORV_WIN_DEPS "$ENV{ORV_WIN_DEPS}")
endif()
if(NOT ORV_WIN_DEPS)
  execute_process(
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/../scripts/cross-deps" --print-prefix
    OUTPUT_VARIABLE ORV_WIN_DEPS OUTPUT_STRIP_TRAILING_WHITESPACE
    RESULT_VARIABLE orv_deps_result)
  if(NOT orv_deps_result EQUAL 0)
    message(FATAL_ERROR "scripts/cross-deps --print-prefix failed")
  endif()
endif()
if(NOT EXISTS "${ORV_WIN_DEPS}/.complete")
  message(FATAL_ERROR "The Windows libraries are not built in ${ORV_WIN_DEPS}: run scripts/cross-deps first")
endif()
set(ORV_WIN_DEPS "${ORV_WIN_DEPS}" CACHE PATH "Prefix of the static Windows libraries")
set(ENV{ORV_WIN_DEPS} "${ORV_WIN_DEPS}")

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
