# Sources of the data-control pasteboard. It reads what the program's own windows copied from
# their QClipboard (Qt GUI).
target_sources(stashwick_platform_wayland PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/DataControlDevice.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataControlPasteboard.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataControlPipeReader.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataControlProtocol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataControlServer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataControlSource.cpp
    ${CMAKE_CURRENT_LIST_DIR}/DataControlTransfer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ExtDataControlProtocol.cpp
    ${CMAKE_CURRENT_LIST_DIR}/WlrDataControlProtocol.cpp
)
target_link_libraries(stashwick_platform_wayland PUBLIC Qt6::Gui)
