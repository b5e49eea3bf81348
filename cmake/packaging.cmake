# The Debian package of a Linux build:
#
#   cmake -S . -B build -DCMAKE_BUILD_TYPE=Release && cmake --build build
#   (cd build && cpack -G DEB)      # orvdemo_VERSION_amd64.deb
#
# It holds what `cmake --install` puts under /usr: the program, its data set in
# /usr/share/orvdemo, the manual page, the menu entry and its icon; and what
# Debian asks of every package (cmake/debian-docs.cmake): the copyright notice and
# the changelog in /usr/share/doc/orvdemo, the manual page compressed. The
# dependencies are read from the shared libraries the program links
# (dpkg-shlibdeps, from dpkg-dev; CPack finds the program with `file`).
# ./release builds it with Debian's hardening flags and checks it with lintian.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME orvdemo)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Portable Orv developers")
set(CPACK_PACKAGE_CONTACT "Portable Orv developers <maintainers@users.noreply.c-seed-fbb6b5a4.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "self-running real-time 3D demo with tracker music")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # orvdemo_VERSION_ARCH.deb
# A real-time 3D graphics program, in the menu under Graphics;3DGraphics; the
# games section would put it in /usr/games with its manual page in section 6.
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The video capture pipes its frames to ffmpeg; the show itself does without.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS ffmpeg)
# Rendering needs a GL driver; Mesa's serves every display (and llvmpipe none).
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
# The long description; CPack puts the summary line above it and indents it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
"Portable Orv plays six animated OpenGL scenes one after the other to a
tracker-music soundtrack, about 134 seconds in all: a title picture, a
flight through a chrome tunnel, a bathing hall with leaping chrome fish,
a glowing knot over a mirror floor, a flight through a small city and a
pulsing womb.

It plays full screen, in a window (--window), or renders the show to a
video or PNG frames (--capture; a video needs ffmpeg).")

# The changelog's newest entry must be this version: a new version needs its entry.
set(CPACK_ORV_DEBIAN_DIR ${CMAKE_CURRENT_LIST_DIR}/debian)
file(STRINGS ${CPACK_ORV_DEBIAN_DIR}/changelog orv_newest LIMIT_COUNT 1)
if(NOT orv_newest MATCHES "^orvdemo \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "cmake/debian/changelog begins with '${orv_newest}', not with version ${PROJECT_VERSION}")
endif()
set(CPACK_PRE_BUILD_SCRIPTS ${CMAKE_CURRENT_LIST_DIR}/debian-docs.cmake)

include(CPack)
