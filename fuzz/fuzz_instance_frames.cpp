// Whatever a client writes to the instance socket, in whatever pieces, the frame reader
// hands out only frames within the size bound and keeps its buffer bounded.
#include "app/ipc/InstanceFrame.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InstanceFrame::Reader reader;
    std::size_t i = 0;
    while (i < size) {
        // The first byte of each piece says how long the piece is.
        const std::size_t piece = std::min<std::size_t>(1 + data[i] % 64, size - i);
        reader.feed(std::string_view(reinterpret_cast<const char*>(data + i), piece));
        i += piece;
        while (auto frame = reader.next()) {
            if (frame->size() > InstanceFrame::maxPayload) {
                std::abort();
            }
            (void)InstanceFrame::parseReply(*frame);
            if (const auto request = InstanceFrame::parseRequest(*frame);
                request && request->url.size() > frame->size()) {
                std::abort();
            }
        }
        if (reader.buffered() > InstanceFrame::maxPayload + 4 + 64) {
            std::abort();
        }
    }
    // A frame written by encode() reads back unchanged.
    const std::string payload(reinterpret_cast<const char*>(data),
                              std::min<std::size_t>(size, 256));
    InstanceFrame::Reader echo;
    echo.feed(InstanceFrame::encode(payload));
    const auto back = echo.next();
    if (!back || *back != payload) {
        std::abort();
    }
    return 0;
}
