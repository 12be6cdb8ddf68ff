# The Wayland protocols the window layer speaks beyond the core, as C made by wayland-scanner.
pkg_check_modules(WAYLAND REQUIRED IMPORTED_TARGET wayland-client wayland-egl libdecor-0)
pkg_get_variable(WAYLAND_PROTOCOLS_DIR wayland-protocols pkgdatadir)
pkg_get_variable(WAYLAND_SCANNER wayland-scanner wayland_scanner)

set(protocolDir ${CMAKE_BINARY_DIR}/wayland-protocols)
set(protocolSources)
foreach(xml stable/viewporter/viewporter.xml staging/fractional-scale/fractional-scale-v1.xml
            staging/xdg-activation/xdg-activation-v1.xml unstable/idle-inhibit/idle-inhibit-unstable-v1.xml)
  get_filename_component(name ${xml} NAME_WE)
  add_custom_command(
    OUTPUT ${protocolDir}/${name}-client-protocol.h ${protocolDir}/${name}-protocol.c
    COMMAND ${CMAKE_COMMAND} -E make_directory ${protocolDir}
    COMMAND ${WAYLAND_SCANNER} client-header ${WAYLAND_PROTOCOLS_DIR}/${xml} ${protocolDir}/${name}-client-protocol.h
    COMMAND ${WAYLAND_SCANNER} private-code ${WAYLAND_PROTOCOLS_DIR}/${xml} ${protocolDir}/${name}-protocol.c
    DEPENDS ${WAYLAND_PROTOCOLS_DIR}/${xml} VERBATIM)
  list(APPEND protocolSources ${protocolDir}/${name}-client-protocol.h ${protocolDir}/${name}-protocol.c)
endforeach()
add_library(rinkslider_wayland_protocols STATIC ${protocolSources})
target_include_directories(rinkslider_wayland_protocols PUBLIC ${protocolDir})
target_link_libraries(rinkslider_wayland_protocols PUBLIC PkgConfig::WAYLAND)
