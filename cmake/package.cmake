# The Debian package: cmake --build build --target package writes build/rinkslider_<version>_<arch>.deb
# with the installed tree, its Depends worked out by dpkg-shlibdeps from the program's libraries.
# A sanitized build is for finding faults, never for handing out, so it has no package.
if(RINKSLIDER_SANITIZE)
  return()
endif()

execute_process(COMMAND dpkg --print-architecture
  OUTPUT_VARIABLE RINKSLIDER_DEB_ARCH OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_DEBIAN_FILE_NAME rinkslider_${PROJECT_VERSION}_${RINKSLIDER_DEB_ARCH}.deb)
set(RINKSLIDER_PACKAGE_FILE ${CMAKE_BINARY_DIR}/${CPACK_DEBIAN_FILE_NAME})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rinkslider)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR})
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${RINKSLIDER_DEB_ARCH})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${RINKSLIDER_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Title bars on Wayland desktops that leave decorations to their clients, as GNOME does.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libdecor-0-plugin-1-cairo")
# EGL loads its driver at run time, out of dpkg-shlibdeps' sight, and nothing it depends on brings
# Mesa's drivers in (swrast among them): without them EGL cannot start at all.
set(CPACK_DEBIAN_PACKAGE_DEPENDS libgl1-mesa-dri)
set(CPACK_STRIP_FILES ON)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_modes.cmake)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D table hockey against the computer")
set(CPACK_PACKAGE_DESCRIPTION "\
A puck slides on a walled table seen from behind your end. Click or tap the
table to put your mallet there and knock the puck past the computer's mallet
into the far goal; every goal adds to the score line drawn over the scene. The
arrow keys, or on a touch screen the controls at the window's edges, turn the
camera and serve a new puck, and the C key saves a screenshot.")
include(CPack)
