# Benchmarks and fuzz targets.

pkg_check_modules(XDAMAGE IMPORTED_TARGET xdamage)

# The bare EGL window the game's costs are compared with.
add_executable(egl_floor tools/bench/egl_floor.cpp)
target_link_libraries(egl_floor PRIVATE PkgConfig::GLES PkgConfig::EGL PkgConfig::X11)
set_target_properties(egl_floor PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)

if(XDAMAGE_FOUND)
  add_executable(bench_driver tools/bench/bench_driver.cpp tests/support/xserver.cpp)
  target_include_directories(bench_driver PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(bench_driver PRIVATE PkgConfig::X11 PkgConfig::XDAMAGE m)
  set_target_properties(bench_driver PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()

find_package(benchmark QUIET)
if(benchmark_FOUND)
  file(GLOB MICRO_SOURCES CONFIGURE_DEPENDS tools/bench/micro_*.cpp)
  add_executable(bench_micro ${MICRO_SOURCES} tests/support/offscreen_gl.cpp tests/support/xserver.cpp)
  target_include_directories(bench_micro PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/tests)
  target_link_libraries(bench_micro PRIVATE rinkslider_core benchmark::benchmark_main)
  set_target_properties(bench_micro PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
