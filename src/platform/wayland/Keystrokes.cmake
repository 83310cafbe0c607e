# Sources of the keystroke synthesis (virtual keyboard, fake input, focused window).
stashwick_wayland_protocol(${PLASMA_WAYLAND_PROTOCOLS_DIR}/plasma-window-management.xml
                           plasma-window-management)
target_sources(stashwick_wayland_protocols PRIVATE
    ${protocol_dir}/plasma-window-management-client-protocol.h
    ${protocol_dir}/plasma-window-management-protocol.c
)
target_sources(stashwick_platform_wayland PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/FakeInputSynthesizer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ForegroundKeystrokes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KdeKeyState.cpp
    ${CMAKE_CURRENT_LIST_DIR}/KeystrokeChoice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/PlasmaForegroundApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ToplevelForegroundApp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/VirtualKeyboardSynthesizer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WaylandVirtualKeyboard.cpp
)
