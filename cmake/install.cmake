# Installing: the program with its two images in lib/rinkslider (it reads them from beside itself
# and from its working directory), a launcher in bin that starts it there, a menu entry and an icon.

set(RINKSLIDER_APP_DIR lib/rinkslider)
install(TARGETS rinkslider RUNTIME DESTINATION ${RINKSLIDER_APP_DIR})
install(FILES ${CMAKE_BINARY_DIR}/floor.bmp ${CMAKE_BINARY_DIR}/font.tga DESTINATION ${RINKSLIDER_APP_DIR})
install(PROGRAMS ${PROJECT_SOURCE_DIR}/tools/launcher.sh DESTINATION bin RENAME rinkslider)
install(FILES ${PROJECT_SOURCE_DIR}/assets/rinkslider.desktop DESTINATION share/applications)
install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION share/icons)
