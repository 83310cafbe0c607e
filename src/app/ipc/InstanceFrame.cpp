#include "InstanceFrame.h"

std::string InstanceFrame::encode(std::string_view payload) {
    const auto n = static_cast<std::uint32_t>(payload.size());
    std::string out;
    out.reserve(payload.size() + 4);
    out.push_back(static_cast<char>((n >> 24) & 0xFF));
    out.push_back(static_cast<char>((n >> 16) & 0xFF));
    out.push_back(static_cast<char>((n >> 8) & 0xFF));
    out.push_back(static_cast<char>(n & 0xFF));
    out.append(payload);
    return out;
}

std::string InstanceFrame::reply(Verdict verdict, std::string_view reason) {
    std::string payload(1, static_cast<char>(verdict));
    for (char c : reason.substr(0, 1024)) {
        payload.push_back(c == '\n' || c == '\r' ? ' ' : c);
    }
    return encode(payload);
}

std::string InstanceFrame::request(Source source, std::string_view url) {
    if (source == Source::Command) {
        return std::string(url);
    }
    std::string payload{kindMarker, linkKind};
    payload.append(url);
    return payload;
}

std::optional<InstanceFrame::Request> InstanceFrame::parseRequest(std::string_view payload) {
    if (payload.empty() || payload[0] != kindMarker) {
        return Request{Source::Command, std::string(payload)};
    }
    if (payload.size() >= 2 && payload[1] == linkKind) {
        return Request{Source::Link, std::string(payload.substr(2))};
    }
    return std::nullopt;
}

std::optional<std::pair<InstanceFrame::Verdict, std::string>>
InstanceFrame::parseReply(std::string_view payload) {
    if (payload.empty() || payload[0] < '0' || payload[0] > '3') {
        return std::nullopt;
    }
    return std::make_pair(static_cast<Verdict>(payload[0]), std::string(payload.substr(1)));
}

namespace {
// The length announced by the frame at the start of `buffer` (which holds at least 4 bytes).
std::uint32_t announcedLength(const std::string& buffer) {
    const auto* p = reinterpret_cast<const unsigned char*>(buffer.data());
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}
} // namespace

void InstanceFrame::Reader::feed(std::string_view bytes) {
    if (m_failed) {
        return;
    }
    m_buffer.append(bytes);
    if (m_buffer.size() >= 4 && announcedLength(m_buffer) > maxPayload) {
        m_failed = true;
        m_buffer.clear();
    }
}

std::optional<std::string> InstanceFrame::Reader::next() {
    if (m_failed || m_buffer.size() < 4) {
        return std::nullopt;
    }
    const std::uint32_t n = announcedLength(m_buffer);
    if (n > maxPayload) {
        m_failed = true;
        m_buffer.clear();
        return std::nullopt;
    }
    if (m_buffer.size() < 4 + std::size_t{n}) {
        return std::nullopt;
    }
    std::string payload = m_buffer.substr(4, n);
    m_buffer.erase(0, 4 + std::size_t{n});
    // The next frame's length may already be known to be too large.
    feed({});
    return payload;
}
