# The real program in a headless GNOME session with GNOME's real desktop portal: native copies
# reach the history through XWayland, and the copy and paste chords press their keys through
# the RemoteDesktop portal once the user allowed it in the portal's dialog. Under plain mutter
# (tst_gnome) the suite runs the chords' commands itself; under the real gnome-shell with
# GNOME's media-keys daemon (tst_gnomeshell, where gnome-shell is installed) it presses them.
add_executable(tst_gnome ${CMAKE_CURRENT_LIST_DIR}/tst_gnome.cpp)
target_link_libraries(tst_gnome PRIVATE stashwick_platform_wayland stashwick_platform_gnome
                      Qt6::DBus Qt6::Gui Qt6::Test)
target_compile_definitions(tst_gnome PRIVATE STASHWICK_BIN="$<TARGET_FILE:stashwick>"
                           DESKTOP_FILE="${PROJECT_SOURCE_DIR}/packaging/io.stashwick.Stashwick.desktop")
add_dependencies(tst_gnome stashwick stashwick-app)
add_test(NAME tst_gnome
         COMMAND ${WAYLAND_SESSION} mutter $<TARGET_FILE:tst_gnome>)
set_tests_properties(tst_gnome PROPERTIES LABELS wayland TIMEOUT 300
    ENVIRONMENT "QT_LOGGING_RULES=io.stashwick.*=true")
# From GNOME 48 on (gnome-shell 43 of Debian 12 ended its session under this suite; Debian 12's
# GNOME runs under plain mutter above).
find_program(GNOME_SHELL gnome-shell)
if(GNOME_SHELL)
    execute_process(COMMAND ${GNOME_SHELL} --version OUTPUT_VARIABLE GNOME_SHELL_VERSION
                    ERROR_QUIET)
    string(REGEX MATCH "[0-9]+" GNOME_SHELL_MAJOR "${GNOME_SHELL_VERSION}")
endif()
if(GNOME_SHELL AND GNOME_SHELL_MAJOR GREATER_EQUAL 48)
    add_test(NAME tst_gnomeshell
             COMMAND ${WAYLAND_SESSION} gnome-shell $<TARGET_FILE:tst_gnome>)
    set_tests_properties(tst_gnomeshell PROPERTIES LABELS wayland TIMEOUT 300
        ENVIRONMENT "QT_LOGGING_RULES=io.stashwick.*=true")
endif()

# The RemoteDesktop portal client against a portal of the test's own on a private session bus:
# the restore token of version 2, refusals, and key events sent one at a time (label "unit").
# The bus activates nothing, so that a missing portal stays missing.
add_executable(tst_remotedesktopportal ${CMAKE_CURRENT_LIST_DIR}/tst_remotedesktopportal.cpp)
target_link_libraries(tst_remotedesktopportal PRIVATE stashwick_platform_portal stashwick_core
                      Qt6::DBus Qt6::Test)
add_test(NAME tst_remotedesktopportal
         COMMAND dbus-run-session --config-file=${CMAKE_CURRENT_LIST_DIR}/private-bus.conf --
                 $<TARGET_FILE:tst_remotedesktopportal>)
set_tests_properties(tst_remotedesktopportal PROPERTIES LABELS unit TIMEOUT 60
    ENVIRONMENT "QT_LOGGING_RULES=io.stashwick.*=true")
