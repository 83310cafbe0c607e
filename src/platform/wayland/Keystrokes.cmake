# Sources of the keystroke synthesis (virtual keyboard, fake input, focused window).
stashwick_wayland_protocol(${PLASMA_WAYLAND_PROTOCOLS_DIR}/plasma-window-management.xml
                           plasma-window-management)
target_sources(stashwick_wayland_protocols PRIVATE
    ${protocol_dir}/plasma-window-management-client-protocol.h
    ${protocol_dir}/plasma-window-management-protocol.c
)
target_sources(stashwick_platform_wayland PRIVATE
    FakeInputSynthesizer.cpp
    ForegroundKeystrokes.cpp
    KeystrokeChoice.cpp
    PlasmaForegroundApp.cpp
    ToplevelForegroundApp.cpp
    VirtualKeyboardSynthesizer.cpp
    WaylandVirtualKeyboard.cpp
)
