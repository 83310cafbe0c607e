# Chords through the GlobalShortcuts portal.

# The shortcuts of a configuration and back (label "unit").
add_executable(tst_shortcuttriggers ${PROJECT_SOURCE_DIR}/tests/unit/tst_shortcuttriggers.cpp)
target_link_libraries(tst_shortcuttriggers PRIVATE stashwick_platform_portal stashwick_platform_gnome
                      stashwick_hotkeys stashwick_core Qt6::Test)
target_include_directories(tst_shortcuttriggers PRIVATE ${PROJECT_SOURCE_DIR}/tests/unit)
add_test(NAME tst_shortcuttriggers COMMAND tst_shortcuttriggers)
set_tests_properties(tst_shortcuttriggers PROPERTIES LABELS unit
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=io.stashwick.*=true")

# The real xdg-desktop-portal in a headless sway session (private session bus), with a fake
# desktop backend of the test's own (fake_shortcuts_backend.py, found through portal/fake.portal):
# the portal client on its own, then the real program, which the bus's activation environment
# lets find the portal.
find_program(XDG_DESKTOP_PORTAL xdg-desktop-portal PATHS /usr/libexec /usr/lib/xdg-desktop-portal
             NO_DEFAULT_PATH REQUIRED)
# The distribution's Python, which has python3-dbus and python3-gi.
find_program(SYSTEM_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH REQUIRED)
add_executable(tst_globalshortcuts tst_globalshortcuts.cpp)
target_link_libraries(tst_globalshortcuts PRIVATE stashwick_platform_portal
                      stashwick_platform_wayland Qt6::DBus Qt6::Test)
target_compile_definitions(tst_globalshortcuts PRIVATE
    SYSTEM_PYTHON="${SYSTEM_PYTHON3}" XDG_DESKTOP_PORTAL="${XDG_DESKTOP_PORTAL}"
    FAKE_BACKEND="${CMAKE_CURRENT_SOURCE_DIR}/fake_shortcuts_backend.py"
    STASHWICK_BIN="$<TARGET_FILE:stashwick>")
add_dependencies(tst_globalshortcuts stashwick stashwick-app)
add_test(NAME tst_globalshortcuts
         COMMAND ${WAYLAND_SESSION}
                 --env XDG_CURRENT_DESKTOP=fake
                 --env XDG_DESKTOP_PORTAL_DIR=${CMAKE_CURRENT_SOURCE_DIR}/portal
                 sway $<TARGET_FILE:tst_globalshortcuts>)
set_tests_properties(tst_globalshortcuts PROPERTIES LABELS wayland TIMEOUT 240
    ENVIRONMENT "QT_LOGGING_RULES=io.stashwick.*=true")
