#include "PeerCredentials.h"

#include <sys/socket.h>
#include <unistd.h>

bool PeerCredentials::isSameUser(long long socketDescriptor) {
#if defined(SO_PEERCRED)
    struct ucred cred {};
    socklen_t len = sizeof cred;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &cred, &len) !=
        0) {
        return false;
    }
    return cred.uid == ::getuid();
#else
    (void)socketDescriptor;
    return true; // the socket's folder is private to the user
#endif
}
