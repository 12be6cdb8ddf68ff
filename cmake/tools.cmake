# Benchmarks and fuzz targets.

pkg_check_modules(XDAMAGE IMPORTED_TARGET xdamage)

# The game's picture drawn with the least work, the floor the game's costs are compared with; it
# sits beside the game so that it finds the same images.
add_executable(scene_floor tools/bench/scene_floor.cpp)
target_link_libraries(scene_floor PRIVATE rinkslider_flags rinkslider_app)
set_target_properties(scene_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

if(XDAMAGE_FOUND)
  add_executable(frame_watch tools/bench/frame_watch.cpp)
  target_link_libraries(frame_watch PRIVATE rinkslider_flags PkgConfig::X11 PkgConfig::XDAMAGE)
  set_target_properties(frame_watch PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

# Where the sounds start in a recording of the game, for the benchmark's delay from a tick to its sound.
add_executable(sound_onsets tools/bench/sound_onsets.cpp)
target_include_directories(sound_onsets PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(sound_onsets PRIVATE rinkslider_flags)
set_target_properties(sound_onsets PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

# Fuzz targets for the image readers, with clang only:
#   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DRINKSLIDER_FUZZ=ON -DRINKSLIDER_SANITIZE=ON
# tools/fuzz/run.sh does this and runs them, starting from the game's own two images.
option(RINKSLIDER_FUZZ "Build the libFuzzer targets of the image readers (clang)" OFF)
if(RINKSLIDER_FUZZ)
  target_compile_options(rinkslider_assets PRIVATE -fsanitize=fuzzer-no-link)
  foreach(reader bitmap tga)
    add_executable(fuzz_${reader} tools/fuzz/fuzz_reader.cpp)
    target_compile_definitions(fuzz_${reader} PRIVATE FUZZ_BITMAP=$<STREQUAL:${reader},bitmap>)
    target_link_libraries(fuzz_${reader} PRIVATE rinkslider_assets)
    target_compile_options(fuzz_${reader} PRIVATE -fsanitize=fuzzer)
    target_link_options(fuzz_${reader} PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_${reader} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzz)
  endforeach()
endif()
