#pragma once

#include <dirent.h>
#include <netdb.h>
#include <sys/socket.h>

#include <cstdlib>
#include <string>

#include <httplib.h>

namespace tamo::service {

namespace detail {

inline bool EndIs(int fd, bool peer, const std::string& address, int port)
{
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    auto* end = reinterpret_cast<sockaddr*>(&storage);
    if ((peer ? getpeername(fd, end, &length) : getsockname(fd, end, &length)) != 0)
        return false;
    char host[NI_MAXHOST];
    char service[NI_MAXSERV];
    if (getnameinfo(end, length, host, sizeof host, service, sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return false;
    return address == host && port == std::atoi(service);
}

}  // namespace detail

// Shuts down the connection a request came on, from inside its handler: the handler's work is
// done, but not a byte of the answer leaves. cpp-httplib hands handlers no socket (and its
// per-connection hook is private), so the socket is found among the process's descriptors by
// the connection's two ends, which no other socket has. httplib's write of the answer then
// finds the socket dead and gives up (it checks before each send, and ignores SIGPIPE).
// Header only, so that test servers use it without linking the service.
inline bool DropConnection(const httplib::Request& req)
{
    DIR* fds = opendir("/proc/self/fd");
    if (!fds)
        return false;
    bool dropped = false;
    while (const dirent* entry = readdir(fds)) {
        const int fd = std::atoi(entry->d_name);
        if (fd <= 2 || fd == dirfd(fds))
            continue;
        if (detail::EndIs(fd, true, req.remote_addr, req.remote_port) &&
            (req.local_port < 0 || detail::EndIs(fd, false, req.local_addr, req.local_port))) {
            dropped = ::shutdown(fd, SHUT_RDWR) == 0;
            break;
        }
    }
    closedir(fds);
    return dropped;
}

}  // namespace tamo::service
