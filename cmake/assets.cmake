# The floor and font images, made from code at build time and placed beside the program.

add_executable(gen_assets tools/gen_assets.cpp)
target_link_libraries(gen_assets PRIVATE m)

set(GAME_ASSETS ${CMAKE_BINARY_DIR}/floor.bmp ${CMAKE_BINARY_DIR}/font.tga)
add_custom_command(
  OUTPUT ${GAME_ASSETS}
  COMMAND gen_assets ${CMAKE_BINARY_DIR}
  DEPENDS gen_assets
  COMMENT "Making floor.bmp and font.tga")
add_custom_target(game_assets ALL DEPENDS ${GAME_ASSETS})
add_dependencies(rinkslider game_assets)
