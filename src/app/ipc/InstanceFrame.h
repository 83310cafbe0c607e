#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Messages between the stashwick command and the running instance: a 4-byte big-endian
// length, then that many bytes. A request carries one URL (empty: "are you there?"); a
// reply carries its verdict as one character followed by a one-line reason.
//
// A command's request is the URL itself. Any other kind of request starts with the byte
// kindMarker and a letter naming its kind, then the URL: a link that another program opened
// is "\x01L" + URL. No URL starts with a control character, so a program that predates a
// kind reads it as a URL that is not a stashwick: URL and refuses it.
class InstanceFrame {
public:
    // The longest URL the program takes; a frame has room for it.
    static constexpr std::size_t maxUrlLength = 64 * 1024;
    static constexpr std::uint32_t maxPayload = maxUrlLength + 64;

    enum class Verdict : char {
        Done = '0',        // the action did what it names
        Refused = '1',     // not a URL the program understands
        NothingDone = '2', // understood, but nothing to act on or an argument out of range
        Waiting = '3',     // a link held until the user allows or denies it
    };

    // Who asks: the stashwick command (scripts, key bindings) or a link opened elsewhere.
    enum class Source : char { Command, Link };
    static constexpr char kindMarker = '\x01';
    static constexpr char linkKind = 'L';

    struct Request {
        Source source = Source::Command;
        std::string url;
    };

    // The request payload for `url` from `source` (to be framed with encode()).
    static std::string request(Source source, std::string_view url);
    // Absent for a request of a kind this program does not know.
    static std::optional<Request> parseRequest(std::string_view payload);

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
