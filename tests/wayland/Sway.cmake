# The real program in a headless sway session: native copies reach the history, and sway
# bindings running the stashwick command copy from and paste into native applications.
add_executable(tst_sway ${CMAKE_CURRENT_LIST_DIR}/tst_sway.cpp)
target_link_libraries(tst_sway PRIVATE stashwick_platform_wayland Qt6::DBus Qt6::Gui Qt6::Test)
target_compile_definitions(tst_sway PRIVATE STASHWICK_BIN="$<TARGET_FILE:stashwick>")
add_dependencies(tst_sway stashwick stashwick-app)
add_test(NAME tst_sway
         COMMAND ${WAYLAND_SESSION} sway $<TARGET_FILE:tst_sway>)
set_tests_properties(tst_sway PROPERTIES LABELS wayland TIMEOUT 300)
