# The floor and font images and the icon, made from code at build time; the images are placed
# beside the program, and the window's icon is compiled into it.

add_executable(gen_assets tools/gen_assets.cpp tools/icon.cpp)
target_include_directories(gen_assets PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(gen_assets PRIVATE rinkslider_flags m)

set(ICON_SIZES 16 32 48 64 128 256)
set(ICON_FILES ${CMAKE_BINARY_DIR}/icons/hicolor/scalable/apps/rinkslider.svg)
foreach(size ${ICON_SIZES})
  list(APPEND ICON_FILES ${CMAKE_BINARY_DIR}/icons/hicolor/${size}x${size}/apps/rinkslider.png)
endforeach()
set(GAME_ASSETS ${CMAKE_BINARY_DIR}/floor.bmp ${CMAKE_BINARY_DIR}/font.tga ${CMAKE_BINARY_DIR}/window_icon.cpp
    ${ICON_FILES})
add_custom_command(
  OUTPUT ${GAME_ASSETS}
  COMMAND gen_assets ${CMAKE_BINARY_DIR}
  DEPENDS gen_assets
  COMMENT "Making floor.bmp, font.tga and the icon")
add_custom_target(game_assets ALL DEPENDS ${GAME_ASSETS})
target_sources(rinkslider_app PRIVATE ${CMAKE_BINARY_DIR}/window_icon.cpp)
add_dependencies(rinkslider game_assets)
