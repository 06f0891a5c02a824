#include "instance/InstanceMessage.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace
{
constexpr uint32_t RequestMagic1 = 0x4F525651;  // "ORVQ"
constexpr uint32_t ReplyMagic1 = 0x4F525652;    // "ORVR"
constexpr uint32_t RequestMagic2 = 0x4F525671;  // "ORVq"
constexpr uint32_t ReplyMagic2 = 0x4F525672;    // "ORVr"
// A reply may carry a listing; anything beyond this is not ours.
constexpr size_t MaxReplyBytes = 256 * 1024 * 1024;

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for `events` or the deadline passed.
bool WaitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;)
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, static_cast<int>(left.count()));
        if (n > 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
    }
}

bool SendAll(int fd, const std::string& bytes, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    size_t done = 0;
    while (done < bytes.size())
    {
        if (!WaitFor(fd, POLLOUT, deadline))
            return false;
        // MSG_NOSIGNAL: a peer that went away must not kill us with SIGPIPE.
        const ssize_t n = ::send(fd, bytes.data() + done, bytes.size() - done,
                                 MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Reads exactly `size` bytes; false on end of stream, error or timeout.
class Reader
{
public:
    Reader(int fd, int timeoutMs, size_t limit)
        : m_fd(fd), m_deadline(Clock::now() + std::chrono::milliseconds(timeoutMs)), m_left(limit)
    {
    }

    bool Bytes(void* out, size_t size)
    {
        if (size > m_left)
            return false;
        m_left -= size;
        char* p = static_cast<char*>(out);
        while (size > 0)
        {
            if (!WaitFor(m_fd, POLLIN, m_deadline))
                return false;
            const ssize_t n = ::recv(m_fd, p, size, MSG_DONTWAIT);
            if (n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK))
                continue;
            if (n <= 0)
                return false;
            p += n;
            size -= static_cast<size_t>(n);
        }
        return true;
    }

    bool Number(uint32_t& value) { return Bytes(&value, sizeof value); }

    bool String(wxString& text)
    {
        uint32_t length = 0;
        if (!Number(length) || length > m_left)
            return false;
        std::string bytes(length, '\0');
        if (!Bytes(bytes.data(), length))
            return false;
        text = wxString::FromUTF8(bytes.data(), bytes.size());
        // Not UTF-8 after all: keep what can be kept rather than nothing.
        if (text.empty() && length > 0)
            text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
        return true;
    }

    bool Strings(wxArrayString& list)
    {
        uint32_t count = 0;
        if (!Number(count) || count > m_left / sizeof(uint32_t))
            return false;
        list.clear();
        for (uint32_t i = 0; i < count; ++i)
        {
            wxString s;
            if (!String(s))
                return false;
            list.push_back(s);
        }
        return true;
    }

private:
    int m_fd;
    Clock::time_point m_deadline;
    size_t m_left;
};

void PutNumber(std::string& out, uint32_t value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

void PutString(std::string& out, const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    PutNumber(out, static_cast<uint32_t>(utf8.length()));
    out.append(utf8.data(), utf8.length());
}

void PutStrings(std::string& out, const wxArrayString& list)
{
    PutNumber(out, static_cast<uint32_t>(list.size()));
    for (const wxString& s : list)
        PutString(out, s);
}

std::string EncodeRequest(const InstanceRequest& request)
{
    std::string out;
    PutNumber(out, RequestMagic2);
    PutString(out, request.workingDir);
    PutStrings(out, request.args);
    return out;
}
} // namespace

size_t InstanceMessage::RequestSize(const InstanceRequest& request)
{
    return EncodeRequest(request).size();
}

bool InstanceMessage::WriteRequest(int fd, const InstanceRequest& request, int timeoutMs)
{
    const std::string out = EncodeRequest(request);
    return out.size() <= MaxRequestBytes && SendAll(fd, out, timeoutMs);
}

bool InstanceMessage::ReadRequest(int fd, InstanceRequest& request, int& version, int timeoutMs)
{
    Reader in(fd, timeoutMs, MaxRequestBytes);
    uint32_t magic = 0;
    if (!in.Number(magic) || (magic != RequestMagic1 && magic != RequestMagic2))
        return false;
    version = magic == RequestMagic2 ? 2 : 1;
    return in.String(request.workingDir) && in.Strings(request.args);
}

bool InstanceMessage::WriteReply(int fd, const InstanceReply& reply, int version, int timeoutMs)
{
    std::string out;
    PutNumber(out, version >= 2 ? ReplyMagic2 : ReplyMagic1);
    PutNumber(out, static_cast<uint32_t>(reply.status));
    if (version >= 2)
    {
        PutStrings(out, reply.lines);
        PutStrings(out, reply.errors);
    }
    else
    {
        wxArrayString all = reply.lines;
        for (const wxString& line : reply.errors)
            all.push_back(line);
        PutStrings(out, all);
    }
    return SendAll(fd, out, timeoutMs);
}

bool InstanceMessage::ReadReply(int fd, InstanceReply& reply, int timeoutMs)
{
    Reader in(fd, timeoutMs, MaxReplyBytes);
    uint32_t magic = 0, status = 0;
    if (!in.Number(magic) || magic != ReplyMagic2 || !in.Number(status))
        return false;
    reply.status = static_cast<int>(status);
    return in.Strings(reply.lines) && in.Strings(reply.errors);
}
