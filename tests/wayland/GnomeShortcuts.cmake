# GNOME custom keyboard shortcuts through the real gsettings into dconf on a private session
# bus the test starts itself (label "unit").
add_executable(tst_gnomeshortcuts ${PROJECT_SOURCE_DIR}/tests/unit/tst_gnomeshortcuts.cpp)
target_link_libraries(tst_gnomeshortcuts PRIVATE stashwick_platform_gnome Qt6::Test)
add_test(NAME tst_gnomeshortcuts COMMAND tst_gnomeshortcuts)
set_tests_properties(tst_gnomeshortcuts PROPERTIES LABELS unit TIMEOUT 120
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=io.stashwick.*=true")
