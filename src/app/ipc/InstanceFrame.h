#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Messages between the stashwick command and the running instance: a 4-byte big-endian
// length, then that many bytes. A request carries one URL (empty: "are you there?"); a
// reply carries '0' (handled) or '1' (refused) followed by a one-line reason.
class InstanceFrame {
public:
    static constexpr std::uint32_t maxPayload = 64 * 1024 + 64;

    static std::string encode(std::string_view payload);
    static std::string reply(bool handled, std::string_view reason);
    // Splits a reply into its verdict and reason; absent when it is not a reply.
    static std::optional<std::pair<bool, std::string>> parseReply(std::string_view payload);

    // Collects bytes and hands out whole frames. A length beyond maxPayload makes the reader
    // fail for good: the peer is garbled or hostile and the connection should be dropped.
    class Reader {
    public:
        void feed(std::string_view bytes);
        std::optional<std::string> next();
        bool failed() const { return m_failed; }
        std::size_t buffered() const { return m_buffer.size(); }

    private:
        std::string m_buffer;
        bool m_failed = false;
    };
};
