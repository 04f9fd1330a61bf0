#pragma once

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <httplib.h>

namespace tamo::test {

// A real HTTP server on 127.0.0.1 with a free port, served on its own thread for the life of
// the object. Tests add their routes to Server() before calling Start().
class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    httplib::Server& Server() { return m_server; }
    // Binds and starts serving; the port is known afterwards.
    void Start();
    void Stop();
    int Port() const { return m_port; }
    // "http://127.0.0.1:<port>" + path.
    std::string Url(const std::string& path = "/") const;

private:
    httplib::Server m_server;
    std::thread m_thread;
    int m_port = 0;
};

// A port on 127.0.0.1 on which nothing listens (bound, then released).
int UnusedLoopbackPort();

}  // namespace tamo::test
