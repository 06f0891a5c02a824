#include "TestHttpServer.h"

#include "TestTls.h"

#include <openssl/ssl.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <strings.h>

namespace
{
bool SendAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

const char* Reason(int status)
{
    switch (status)
    {
        case 200: return "OK";
        case 301: return "Moved Permanently";
        case 302: return "Found";
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
    }
}
} // namespace

TestHttpServer::TestHttpServer(Handler handler, Transport transport, const std::string& address)
    : m_handler(std::move(handler)), m_transport(transport), m_address(address)
{
    if (m_transport == Transport::Tls)
        TestTls::Get();  // made before any connection thread needs it
    // OpenSSL writes with write(), not send(MSG_NOSIGNAL): a client that hung
    // up must not kill the test process.
    std::signal(SIGPIPE, SIG_IGN);
    m_listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    if (::inet_pton(AF_INET, m_address.c_str(), &addr.sin_addr) != 1)
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    ::listen(m_listenFd, 64);
    socklen_t len = sizeof addr;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&addr), &len);
    m_port = ntohs(addr.sin_port);
    m_acceptThread = std::thread([this] { AcceptLoop(); });
}

TestHttpServer::~TestHttpServer() { Stop(); }

std::string TestHttpServer::HostPort() const { return m_address + ":" + std::to_string(m_port); }

std::string TestHttpServer::Url(const std::string& target) const
{
    return (m_transport == Transport::Tls ? "https://" : "http://") + HostPort() + target;
}

size_t TestHttpServer::ConnectionCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_connections;
}

size_t TestHttpServer::HandshakeCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_handshakes;
}

std::vector<HttpRequest> TestHttpServer::Requests() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

size_t TestHttpServer::RequestCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests.size();
}

bool TestHttpServer::WaitForRequests(size_t count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_cond.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                           [&] { return m_requests.size() >= count; });
}

void TestHttpServer::ReleaseHeld()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    ++m_releaseGeneration;
    m_cond.notify_all();
}

bool TestHttpServer::Stopping() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_stopping;
}

void TestHttpServer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
            return;
        m_stopping = true;
        for (int fd : m_openFds)
            ::shutdown(fd, SHUT_RDWR);
        m_cond.notify_all();
    }
    ::shutdown(m_listenFd, SHUT_RDWR);
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    ::close(m_listenFd);
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        workers.swap(m_workers);
    }
    for (auto& t : workers)
        t.join();
}

void TestHttpServer::AcceptLoop()
{
    for (;;)
    {
        pollfd p{m_listenFd, POLLIN, 0};
        int r = ::poll(&p, 1, 100);
        if (Stopping())
            return;
        if (r <= 0)
            continue;
        int fd = ::accept(m_listenFd, nullptr, nullptr);
        if (fd < 0)
            continue;
        // As real servers do: small TLS records must not wait for delayed ACKs.
        int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
        {
            ::close(fd);
            return;
        }
        m_openFds.push_back(fd);
        ++m_connections;
        m_workers.emplace_back([this, fd] { Serve(fd); });
    }
}

// One accepted connection, plain or TLS, with the bytes read past the last request.
struct TestHttpServer::Connection
{
    int fd = -1;
    SSL* ssl = nullptr;
    std::string pending;

    // >0 bytes, 0 closed, <0 nothing yet (poll again).
    ssize_t Receive(char* buf, size_t size)
    {
        if (!ssl)
        {
            const ssize_t n = ::recv(fd, buf, size, 0);
            return n >= 0 ? n : (errno == EINTR ? -1 : 0);
        }
        const int n = SSL_read(ssl, buf, static_cast<int>(size));
        if (n > 0)
            return n;
        const int error = SSL_get_error(ssl, n);
        return error == SSL_ERROR_WANT_READ ? -1 : 0;
    }
    bool Buffered() const { return ssl && SSL_pending(ssl) > 0; }
    bool Send(const std::string& data)
    {
        if (!ssl)
            return SendAll(fd, data.data(), data.size());
        size_t done = 0;
        while (done < data.size())
        {
            const int n = SSL_write(ssl, data.data() + done, static_cast<int>(data.size() - done));
            if (n <= 0)
                return false;
            done += static_cast<size_t>(n);
        }
        return true;
    }
};

void TestHttpServer::Serve(int fd)
{
    Connection conn;
    conn.fd = fd;
    bool ok = true;
    if (m_transport == Transport::Tls)
    {
        conn.ssl = SSL_new(TestTls::Get().ServerContext());
        SSL_set_fd(conn.ssl, fd);
        ok = SSL_accept(conn.ssl) == 1;
        if (ok)
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_handshakes;
        }
    }
    while (ok && ServeOne(conn))
    {
    }
    if (conn.ssl)
    {
        SSL_shutdown(conn.ssl);
        SSL_free(conn.ssl);
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    }
    ::close(fd);
}

bool TestHttpServer::ServeOne(Connection& conn)
{
    std::string head = std::move(conn.pending);
    conn.pending.clear();
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536)
    {
        if (!conn.Buffered())
        {
            pollfd p{conn.fd, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0)
            {
                if (Stopping())
                    return false;
                continue;
            }
        }
        const ssize_t n = conn.Receive(buf, sizeof buf);
        if (n == 0)
            return false;
        if (n > 0)
            head.append(buf, static_cast<size_t>(n));
    }
    const size_t headEnd = head.find("\r\n\r\n");
    if (headEnd == std::string::npos)
        return false;
    conn.pending = head.substr(headEnd + 4);
    head.resize(headEnd + 2);

    HttpRequest request;
    size_t lineEnd = head.find("\r\n");
    std::string first = head.substr(0, lineEnd);
    size_t sp1 = first.find(' ');
    size_t sp2 = first.find(' ', sp1 == std::string::npos ? 0 : sp1 + 1);
    if (sp1 != std::string::npos)
    {
        request.method = first.substr(0, sp1);
        request.target = first.substr(sp1 + 1, sp2 == std::string::npos ? std::string::npos
                                                                         : sp2 - sp1 - 1);
    }
    const bool http10 = first.find("HTTP/1.0") != std::string::npos;
    size_t pos = lineEnd == std::string::npos ? head.size() : lineEnd + 2;
    while (pos < head.size())
    {
        size_t end = head.find("\r\n", pos);
        if (end == std::string::npos || end == pos)
            break;
        std::string line = head.substr(pos, end - pos);
        size_t colon = line.find(':');
        if (colon != std::string::npos)
        {
            std::string name = line.substr(0, colon);
            std::transform(name.begin(), name.end(), name.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            size_t v = line.find_first_not_of(' ', colon + 1);
            request.headers[name] = v == std::string::npos ? "" : line.substr(v);
        }
        pos = end + 2;
    }

    HttpResponse response;
    if (request.method.empty())
        response.status = 400;
    else
        response = m_handler(request);
    unsigned generation;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!request.method.empty())
            m_requests.push_back(request);
        generation = m_releaseGeneration;
        m_cond.notify_all();
    }

    auto waitFor = [&](auto pred, int ms) {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (ms < 0)
            m_cond.wait(lock, pred);
        else
            m_cond.wait_for(lock, std::chrono::milliseconds(ms), pred);
    };
    if (response.reset)
    {
        // A zero linger time makes close() send a reset instead of a FIN.
        linger hard{1, 0};
        ::setsockopt(conn.fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
        return false;
    }
    if (response.delayMs > 0)
        waitFor([&] { return m_stopping; }, response.delayMs);
    if (response.holdUntilReleased || response.noReply)
        waitFor([&] { return m_stopping || m_releaseGeneration != generation; }, -1);
    if (Stopping() || response.noReply)
        return false;

    const auto connection = request.headers.find("connection");
    const bool keepAlive = !http10 && !response.closeHalfway && !response.streamForever &&
                           (connection == request.headers.end() ||
                            strcasecmp(connection->second.c_str(), "close") != 0);
    std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " +
                      Reason(response.status) + "\r\n";
    out += "Content-Type: " + response.contentType + "\r\n";
    for (const auto& header : response.headers)
        out += header.first + ": " + header.second + "\r\n";
    // An endless stream has no length: its body runs until the connection closes.
    if (!response.streamForever)
        out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
    out += keepAlive ? "Connection: keep-alive\r\n\r\n" : "Connection: close\r\n\r\n";
    if (response.closeHalfway)
        out += response.body.substr(0, response.body.size() / 2);
    else if (!response.streamForever)
        out += response.body;
    bool ok = conn.Send(out);
    while (ok && response.streamForever && !Stopping())
    {
        const std::string drip = response.body.empty() ? std::string("x") : response.body;
        ok = conn.Send(drip);
        if (ok)
            ++m_dripsSent;
        waitFor([&] { return m_stopping; }, 20);
    }
    return ok && keepAlive;
}

int ClosedPort()
{
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    ::close(fd);
    return ntohs(addr.sin_port);
}
