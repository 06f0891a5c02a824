#include "TestHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>

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
        case 404: return "Not Found";
        case 500: return "Internal Server Error";
        default: return "Status";
    }
}
} // namespace

TestHttpServer::TestHttpServer(Handler handler) : m_handler(std::move(handler))
{
    m_listenFd = ::socket(AF_INET, SOCK_STREAM, 0);
    int yes = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
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

std::string TestHttpServer::HostPort() const { return "127.0.0.1:" + std::to_string(m_port); }

std::string TestHttpServer::Url(const std::string& target) const
{
    return "http://" + HostPort() + target;
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
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping)
        {
            ::close(fd);
            return;
        }
        m_openFds.push_back(fd);
        m_workers.emplace_back([this, fd] { Serve(fd); });
    }
}

void TestHttpServer::Serve(int fd)
{
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536)
    {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
        {
            if (Stopping())
                break;
            continue;
        }
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            break;
        head.append(buf, static_cast<size_t>(n));
    }

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
    if (response.delayMs > 0)
        waitFor([&] { return m_stopping; }, response.delayMs);
    if (response.holdUntilReleased || response.noReply)
        waitFor([&] { return m_stopping || m_releaseGeneration != generation; }, -1);

    if (!Stopping() && !response.noReply)
    {
        std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " +
                          Reason(response.status) + "\r\n";
        out += "Content-Type: " + response.contentType + "\r\n";
        if (response.streamForever)
            out += "Content-Length: 1000000000000\r\n";
        else
            out += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        out += "Connection: close\r\n\r\n";
        if (response.closeHalfway)
            out += response.body.substr(0, response.body.size() / 2);
        else if (!response.streamForever)
            out += response.body;
        bool ok = SendAll(fd, out.data(), out.size());
        while (ok && response.streamForever && !Stopping())
        {
            const std::string drip = response.body.empty() ? std::string("x") : response.body;
            ok = SendAll(fd, drip.data(), drip.size());
            if (ok)
                ++m_dripsSent;
            waitFor([&] { return m_stopping; }, 20);
        }
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_openFds.erase(std::remove(m_openFds.begin(), m_openFds.end(), fd), m_openFds.end());
    }
    ::close(fd);
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
