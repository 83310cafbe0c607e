# The keystroke choice and the terminal names (label "unit").
add_executable(tst_waylandkeys ${PROJECT_SOURCE_DIR}/tests/unit/tst_waylandkeys.cpp)
target_link_libraries(tst_waylandkeys PRIVATE stashwick_app stashwick_hotkeys stashwick_store
                      stashwick_clipboard stashwick_core stashwick_platform_wayland Qt6::Test)
target_include_directories(tst_waylandkeys PRIVATE ${PROJECT_SOURCE_DIR}/tests/unit)
add_test(NAME tst_waylandkeys COMMAND tst_waylandkeys)
set_tests_properties(tst_waylandkeys PROPERTIES LABELS unit TIMEOUT 60
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=io.stashwick.*=true")
