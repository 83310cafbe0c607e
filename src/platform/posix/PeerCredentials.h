#pragma once

// Whether the process at the other end of a connected local socket runs as this user.
class PeerCredentials {
public:
    static bool isSameUser(long long socketDescriptor);
};
