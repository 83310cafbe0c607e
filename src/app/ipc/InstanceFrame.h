#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Messages between the stashwick command and the running instance: a 4-byte big-endian
// length, then that many bytes. A request carries one URL (empty: "are you there?"); a
// reply carries its verdict as one character followed by a one-line reason.
class InstanceFrame {
public:
    // The longest URL the program takes; a frame has room for it.
    static constexpr std::size_t maxUrlLength = 64 * 1024;
    static constexpr std::uint32_t maxPayload = maxUrlLength + 64;

    enum class Verdict : char {
        Done = '0',        // the action did what it names
        Refused = '1',     // not a URL the program understands
        NothingDone = '2', // understood, but nothing to act on or an argument out of range
    };

    static std::string encode(std::string_view payload);
    static std::string reply(Verdict verdict, std::string_view reason);
    // Splits a reply into its verdict and reason; absent when it is not a reply.
    static std::optional<std::pair<Verdict, std::string>> parseReply(std::string_view payload);

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
