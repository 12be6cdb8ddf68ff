# Benchmarks and fuzz targets.

pkg_check_modules(XDAMAGE IMPORTED_TARGET xdamage)

# The bare EGL window the game's costs are compared with.
add_executable(egl_floor tools/bench/egl_floor.cpp)
target_link_libraries(egl_floor PRIVATE rinkslider_flags PkgConfig::GLES PkgConfig::EGL PkgConfig::X11)
set_target_properties(egl_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

if(XDAMAGE_FOUND)
  add_executable(bench_driver tools/bench/bench_driver.cpp tests/support/xserver.cpp)
  target_include_directories(bench_driver PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(bench_driver PRIVATE rinkslider_flags PkgConfig::X11 PkgConfig::XDAMAGE m)
  set_target_properties(bench_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

find_package(benchmark QUIET)
if(benchmark_FOUND)
  add_executable(bench_micro tools/bench/micro_game.cpp tests/support/offscreen_gl.cpp tests/support/xserver.cpp)
  target_include_directories(bench_micro PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(bench_micro PRIVATE rinkslider_app benchmark::benchmark_main)
  set_target_properties(bench_micro PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

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
