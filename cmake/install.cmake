# Installing, laid out as Debian lays out a game: the program with floor.bmp and font.tga in
# lib/games/rinkslider (it reads them from beside itself), a relative link to it in games (on the
# PATH), the menu entry, the icons, the AppStream metadata, the manual page, the copyright and the
# changelog. The same tree goes into the package and, with cmake --install, under any prefix.

set(RINKSLIDER_MAINTAINER "Seed db4f6fee maintainers <maintainers@users.noreply.c-seed-db4f6fee.example>")
include(GNUInstallDirs)
# Debian's places for games, which GNUInstallDirs does not name: the program's private folder is not
# per architecture, and its link goes where games are on the PATH.
set(RINKSLIDER_APP_DIR lib/games/rinkslider)
set(RINKSLIDER_GAMES_DIR games)
set(PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(STAGING_DIR ${CMAKE_BINARY_DIR}/install-files)

install(TARGETS rinkslider RUNTIME DESTINATION ${RINKSLIDER_APP_DIR})
install(FILES ${CMAKE_BINARY_DIR}/floor.bmp ${CMAKE_BINARY_DIR}/font.tga DESTINATION ${RINKSLIDER_APP_DIR})

# The link is made here and installed as a link; the program finds its images through /proc/self/exe.
file(MAKE_DIRECTORY ${STAGING_DIR})
file(CREATE_LINK ../${RINKSLIDER_APP_DIR}/rinkslider ${STAGING_DIR}/rinkslider SYMBOLIC)
install(FILES ${STAGING_DIR}/rinkslider DESTINATION ${RINKSLIDER_GAMES_DIR})

# Debian wants the manual page and the changelog compressed to the full, without a time stamp.
configure_file(${PACKAGING_DIR}/changelog.in ${STAGING_DIR}/changelog @ONLY)
set(COMPRESSED_DOCS ${STAGING_DIR}/rinkslider.6.gz ${STAGING_DIR}/changelog.gz)
foreach(doc ${PACKAGING_DIR}/rinkslider.6 ${STAGING_DIR}/changelog)
  get_filename_component(name ${doc} NAME)
  add_custom_command(
    OUTPUT ${STAGING_DIR}/${name}.gz
    COMMAND gzip -9n -c ${doc} > ${STAGING_DIR}/${name}.gz
    DEPENDS ${doc}
    COMMENT "Compressing ${name}")
endforeach()
add_custom_target(compressed_docs ALL DEPENDS ${COMPRESSED_DOCS})

install(FILES ${STAGING_DIR}/rinkslider.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
install(FILES ${STAGING_DIR}/changelog.gz ${PACKAGING_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PACKAGING_DIR}/${RINKSLIDER_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES ${PACKAGING_DIR}/${RINKSLIDER_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons)
