# Sources of the keystroke synthesis (virtual keyboard, fake input, focused window).
target_sources(stashwick_platform_wayland PRIVATE
    KeystrokeChoice.cpp
    ToplevelForegroundApp.cpp
    VirtualKeyboardSynthesizer.cpp
    WaylandVirtualKeyboard.cpp
)
