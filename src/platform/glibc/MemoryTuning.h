#pragma once

// Allocator settings for a long-running process that handles large clipboard images.
class MemoryTuning {
public:
    // glibc raises its mmap threshold after the first large block is freed, so later
    // multi-megabyte buffers (images read from the clipboard) land on the heap and their
    // pages are kept after use. A fixed 1 MiB threshold keeps large blocks on mmap, which
    // gives their memory back to the system as soon as they are freed.
    static void returnLargeBlocksToTheSystem();
};
