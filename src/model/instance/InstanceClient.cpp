#include "instance/InstanceClient.h"

#include <chrono>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
constexpr int RequestTimeoutMs = 5000;

// The words and the working folder go only to a window of this user,
// whoever managed to listen on the name.
bool ServedBySameUser(int fd)
{
    ucred cred{};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::getuid();
}
} // namespace

InstanceClient::Result InstanceClient::Send(const wxString& socketPath,
                                            const InstanceRequest& request,
                                            InstanceReply& reply, int replyTimeoutMs)
{
    if (InstanceMessage::RequestSize(request) > InstanceMessage::MaxRequestBytes)
        return Result::TooLarge;
    const wxScopedCharBuffer path = socketPath.fn_str();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.length() >= sizeof address.sun_path)
        return Result::NoServer;
    std::memcpy(address.sun_path, path.data(), path.length());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return Result::NoServer;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        ::close(fd);
        return Result::NoServer;
    }
    if (!ServedBySameUser(fd))
    {
        ::close(fd);
        return Result::WrongUser;
    }

    Result result = Result::NoReply;
    const auto start = std::chrono::steady_clock::now();
    if (InstanceMessage::WriteRequest(fd, request, RequestTimeoutMs))
    {
        reply = InstanceReply();
        if (InstanceMessage::ReadReply(fd, reply, replyTimeoutMs))
            result = Result::Replied;
        else if (std::chrono::steady_clock::now() - start >= std::chrono::milliseconds(replyTimeoutMs))
            result = Result::TimedOut;
    }
    ::close(fd);
    return result;
}
