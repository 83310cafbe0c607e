# Sources of the data-control pasteboard.
target_sources(stashwick_platform_wayland PRIVATE)
