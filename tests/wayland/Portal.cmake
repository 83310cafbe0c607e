# Chords through the GlobalShortcuts portal.

# The shortcuts of a configuration and back (label "unit").
add_executable(tst_shortcuttriggers ${PROJECT_SOURCE_DIR}/tests/unit/tst_shortcuttriggers.cpp)
target_link_libraries(tst_shortcuttriggers PRIVATE stashwick_platform_portal stashwick_hotkeys
                      stashwick_core Qt6::Test)
target_include_directories(tst_shortcuttriggers PRIVATE ${PROJECT_SOURCE_DIR}/tests/unit)
add_test(NAME tst_shortcuttriggers COMMAND tst_shortcuttriggers)
set_tests_properties(tst_shortcuttriggers PROPERTIES LABELS unit
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=io.stashwick.*=true")

