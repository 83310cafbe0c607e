# The data-control pasteboard against wl-copy, wl-paste and an owner of the test's own.
add_executable(datacontrol_peer ${CMAKE_CURRENT_LIST_DIR}/datacontrol_peer.cpp)
target_link_libraries(datacontrol_peer PRIVATE stashwick_platform_wayland)

add_executable(tst_waylandpasteboard ${CMAKE_CURRENT_LIST_DIR}/tst_waylandpasteboard.cpp)
target_link_libraries(tst_waylandpasteboard PRIVATE stashwick_platform_wayland Qt6::Widgets Qt6::Test)
target_compile_definitions(tst_waylandpasteboard PRIVATE
    DATACONTROL_PEER="$<TARGET_FILE:datacontrol_peer>")
add_dependencies(tst_waylandpasteboard datacontrol_peer)
add_test(NAME tst_waylandpasteboard
         COMMAND ${WAYLAND_SESSION} sway
                 $<TARGET_FILE:tst_waylandpasteboard>)
set_tests_properties(tst_waylandpasteboard PROPERTIES LABELS wayland TIMEOUT 180)
