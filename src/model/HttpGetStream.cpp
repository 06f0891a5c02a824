#include "HttpGetStream.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

namespace
{
long long NowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How often a wait looks at keepGoing().
constexpr int kPollSliceMs = 50;
// A head larger than this is not a reply we understand.
constexpr size_t kMaxHeadBytes = 64 * 1024;

bool StartsWithNoCase(const std::string& text, const char* prefix)
{
    return strncasecmp(text.c_str(), prefix, std::strlen(prefix)) == 0;
}
} // namespace

HttpGetStream::HttpGetStream(int timeoutMs, std::function<bool()> keepGoing)
    : m_timeoutMs(timeoutMs), m_keepGoing(std::move(keepGoing))
{
}

HttpGetStream::~HttpGetStream() { Close(); }

void HttpGetStream::Close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

HttpGetStream::Result HttpGetStream::Wait(short events)
{
    for (;;)
    {
        if (m_keepGoing && !m_keepGoing())
            return Result::Stopped;
        const long long left = m_deadline - NowMs();
        if (left <= 0)
            return Result::TimedOut;
        pollfd p{m_fd, events, 0};
        const int rc = ::poll(&p, 1, static_cast<int>(std::min<long long>(left, kPollSliceMs)));
        if (rc > 0)
            return Result::Ok;
        if (rc < 0 && errno != EINTR)
            return Result::ConnectFailed;
    }
}

HttpGetStream::Result HttpGetStream::SendAll(const std::string& data)
{
    size_t sent = 0;
    while (sent < data.size())
    {
        const ssize_t n = ::send(m_fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
        if (n > 0)
        {
            sent += static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        {
            const Result r = Wait(POLLOUT);
            if (r != Result::Ok)
                return r;
            continue;
        }
        return Result::ConnectFailed;
    }
    return Result::Ok;
}

HttpGetStream::Result HttpGetStream::Open(const wxString& host, unsigned short port,
                                          const wxString& path)
{
    Close();
    m_deadline = NowMs() + m_timeoutMs;
    m_status = 0;

    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const std::string service = std::to_string(port);
    if (::getaddrinfo(host.utf8_string().c_str(), service.c_str(), &hints, &found) != 0 || !found)
        return Result::ConnectFailed;

    Result result = Result::ConnectFailed;
    for (addrinfo* a = found; a && result == Result::ConnectFailed; a = a->ai_next)
    {
        Close();
        m_fd = ::socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (m_fd < 0)
            continue;
        if (::connect(m_fd, a->ai_addr, a->ai_addrlen) == 0)
        {
            result = Result::Ok;
            break;
        }
        if (errno != EINPROGRESS)
            continue;
        result = Wait(POLLOUT);
        if (result != Result::Ok)
            break;
        int error = 0;
        socklen_t len = sizeof error;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &len) != 0 || error != 0)
            result = Result::ConnectFailed;
    }
    ::freeaddrinfo(found);
    if (result != Result::Ok)
    {
        Close();
        return result;
    }

    // HTTP/1.0 keeps the body free of chunked framing.
    const std::string request = "GET " + std::string(path.utf8_string()) + " HTTP/1.0\r\n" +
                                "Host: " + std::string(host.utf8_string()) +
                                (port == 80 ? "" : ":" + service) + "\r\n" +
                                "Connection: Close\r\n" + "Accept: */*\r\n\r\n";
    result = SendAll(request);
    if (result != Result::Ok)
    {
        Close();
        return result;
    }

    // Read the head: status line and headers up to the blank line.
    std::string head;
    size_t headEnd = std::string::npos;
    char buf[4096];
    while (headEnd == std::string::npos)
    {
        const ssize_t n = ::recv(m_fd, buf, sizeof buf, 0);
        if (n > 0)
        {
            head.append(buf, static_cast<size_t>(n));
            headEnd = head.find("\r\n\r\n");
            if (headEnd == std::string::npos && head.size() > kMaxHeadBytes)
                break;
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        {
            result = Wait(POLLIN);
            if (result != Result::Ok)
            {
                Close();
                return result;
            }
            continue;
        }
        break;  // closed or failed before the head was complete
    }
    if (headEnd == std::string::npos || !StartsWithNoCase(head, "HTTP/"))
    {
        Close();
        return Result::ConnectFailed;
    }

    const size_t space = head.find(' ');
    if (space == std::string::npos || space > head.find("\r\n"))
    {
        Close();
        return Result::ConnectFailed;
    }
    m_status = std::atoi(head.c_str() + space + 1);

    size_t pos = head.find("\r\n") + 2;
    while (pos < headEnd)
    {
        const size_t end = head.find("\r\n", pos);
        const std::string line = head.substr(pos, end - pos);
        if (StartsWithNoCase(line, "Content-Length:"))
        {
            char* stop = nullptr;
            const long long length = std::strtoll(line.c_str() + 15, &stop, 10);
            if (length >= 0)
                m_contentLength = static_cast<wxFileOffset>(length);
        }
        pos = end + 2;
    }
    m_pending = head.substr(headEnd + 4);
    return Result::Ok;
}

size_t HttpGetStream::OnSysRead(void* buffer, size_t size)
{
    if (m_contentLength != wxInvalidOffset)
        size = static_cast<size_t>(std::min<wxFileOffset>(size, m_contentLength - m_bodyRead));
    if (size == 0 || (m_fd < 0 && m_pending.empty()))
    {
        m_lasterror = wxSTREAM_EOF;
        return 0;
    }
    if (!m_pending.empty())
    {
        const size_t n = std::min(size, m_pending.size());
        std::memcpy(buffer, m_pending.data(), n);
        m_pending.erase(0, n);
        m_bodyRead += n;
        return n;
    }
    for (;;)
    {
        const ssize_t n = ::recv(m_fd, buffer, size, 0);
        if (n > 0)
        {
            m_bodyRead += n;
            return static_cast<size_t>(n);
        }
        if (n == 0)
        {
            m_lasterror = wxSTREAM_EOF;
            return 0;
        }
        if (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)
        {
            m_lasterror = wxSTREAM_READ_ERROR;
            return 0;
        }
        const Result r = Wait(POLLIN);
        if (r != Result::Ok)
        {
            m_bodyResult = r;
            m_lasterror = wxSTREAM_READ_ERROR;
            return 0;
        }
    }
}
