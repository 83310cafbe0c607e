#pragma once

#include <optional>
#include <string>

// The command line's side of the instance socket: plain POSIX, no Qt, so that handing a
// URL to the running program costs a connect and two small messages.
class InstanceClient {
public:
    InstanceClient() = default;
    InstanceClient(const InstanceClient&) = delete;
    InstanceClient& operator=(const InstanceClient&) = delete;
    ~InstanceClient();

    bool connectTo(const std::string& socketPath);
    // Sends one request and waits up to `timeoutMs` for its reply payload.
    std::optional<std::string> request(const std::string& payload, int timeoutMs);

private:
    bool writeAll(const std::string& bytes, int timeoutMs);
    int m_fd = -1;
};
