# The keystroke choice and the terminal names (label "unit").
add_executable(tst_waylandkeys ${PROJECT_SOURCE_DIR}/tests/unit/tst_waylandkeys.cpp)
target_link_libraries(tst_waylandkeys PRIVATE stashwick_app stashwick_hotkeys stashwick_store
                      stashwick_clipboard stashwick_core stashwick_platform_wayland Qt6::Test)
target_include_directories(tst_waylandkeys PRIVATE ${PROJECT_SOURCE_DIR}/tests/unit)
add_test(NAME tst_waylandkeys COMMAND tst_waylandkeys)
set_tests_properties(tst_waylandkeys PROPERTIES LABELS unit TIMEOUT 60
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_LOGGING_RULES=io.stashwick.*=true")

# KWin headless: data-control history through the real program, and fake-input copy and paste
# into a GTK entry on Wayland.
add_executable(tst_kwin ${CMAKE_CURRENT_LIST_DIR}/tst_kwin.cpp)
target_link_libraries(tst_kwin PRIVATE stashwick_platform_wayland Qt6::DBus Qt6::Gui Qt6::Test)
target_compile_definitions(tst_kwin PRIVATE STASHWICK_BIN="$<TARGET_FILE:stashwick>")
add_dependencies(tst_kwin stashwick stashwick-app)
add_test(NAME tst_kwin COMMAND ${WAYLAND_SESSION} kwin $<TARGET_FILE:tst_kwin>)
set_tests_properties(tst_kwin PROPERTIES LABELS wayland TIMEOUT 480
    ENVIRONMENT "QT_LOGGING_RULES=io.stashwick.*=true")
