#include "LoopbackServer.h"

#include <chrono>
#include <stdexcept>

#include <QTcpServer>

namespace tamo::test {

LoopbackServer::LoopbackServer() = default;

LoopbackServer::~LoopbackServer() { Stop(); }

void LoopbackServer::Start()
{
    // The client's shared connection pool keeps connections open; a short keep-alive lets the
    // server's workers (and so Stop) finish promptly instead of after the default 5 s.
    m_server.set_keep_alive_timeout(1);
    m_port = m_server.bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("loopback server: cannot bind");
    m_thread = std::thread([this] { m_server.listen_after_bind(); });
    while (!m_server.is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void LoopbackServer::Stop()
{
    if (m_thread.joinable()) {
        m_server.stop();
        m_thread.join();
    }
}

std::string LoopbackServer::Url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

int UnusedLoopbackPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const int port = probe.serverPort();
    probe.close();
    return port;
}

}  // namespace tamo::test
