#include "instance/InstanceServer.h"

#include <condition_variable>
#include <cstring>
#include <mutex>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
// A client that connects must send its request promptly; the reply goes
// back as soon as the handler has run.
constexpr int RequestTimeoutMs = 5000;
constexpr int ReplyTimeoutMs = 5000;

bool SameUser(int fd)
{
    ucred cred{};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::getuid();
}
} // namespace

// What the worker and the calls it dispatched share; outlives the server
// when a dispatched call runs late.
struct InstanceServer::Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    DeferredHandler handler;
    Dispatcher dispatch;
    bool stopping = false;
};

InstanceServer::InstanceServer() : m_shared(std::make_shared<Shared>()) {}

InstanceServer::~InstanceServer()
{
    Stop();
}

bool InstanceServer::Start(const wxString& socketPath)
{
    if (m_listenFd >= 0)
        return false;
    const wxScopedCharBuffer path = socketPath.fn_str();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.length() >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, path.data(), path.length());

    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    // Whoever holds the lock owns the name: a socket file still there was
    // left by an instance that was killed.
    ::unlink(path.data());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    // Only this user may connect, whatever folder the socket is in (callers
    // are also checked one by one: the mode is set only after the bind).
    if (bound)
        ::chmod(path.data(), S_IRUSR | S_IWUSR);
    int wake[2];
    if (!bound || ::listen(fd, 16) != 0 || ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        ::close(fd);
        if (bound)
            ::unlink(path.data());
        return false;
    }
    m_listenFd = fd;
    m_wakeRead = wake[0];
    m_wakeWrite = wake[1];
    m_socketPath = socketPath;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stopping = false;
    }
    m_worker = std::thread(&InstanceServer::Run, this);
    return true;
}

void InstanceServer::SetHandler(Handler handler, Dispatcher dispatch)
{
    SetDeferredHandler(
        [handler = std::move(handler)](const InstanceRequest& request, Responder respond) {
            InstanceReply reply;
            const bool answered = handler(request, reply);
            respond(answered, reply);
        },
        std::move(dispatch));
}

void InstanceServer::SetDeferredHandler(DeferredHandler handler, Dispatcher dispatch)
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->handler = std::move(handler);
    m_shared->dispatch = std::move(dispatch);
    m_shared->changed.notify_all();
}

void InstanceServer::Stop()
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->stopping = true;
        m_shared->changed.notify_all();
    }
    if (m_wakeWrite >= 0)
    {
        const char byte = 1;
        [[maybe_unused]] const ssize_t ignored = ::write(m_wakeWrite, &byte, 1);
    }
    if (m_worker.joinable())
        m_worker.join();
    if (m_listenFd >= 0)
    {
        ::close(m_listenFd);
        ::unlink(m_socketPath.fn_str());
        m_listenFd = -1;
    }
    for (int* fd : {&m_wakeRead, &m_wakeWrite})
    {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void InstanceServer::Run()
{
    for (;;)
    {
        pollfd fds[2] = {{m_listenFd, POLLIN, 0}, {m_wakeRead, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0)
        {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        if (!(fds[0].revents & POLLIN))
            continue;
        const int client = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        if (SameUser(client))
            Serve(client);
        ::close(client);
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        if (m_shared->stopping)
            return;
    }
}

void InstanceServer::Serve(int client)
{
    auto request = std::make_shared<InstanceRequest>();
    if (!InstanceMessage::ReadRequest(client, *request, RequestTimeoutMs))
        return;

    struct Pending
    {
        InstanceReply reply;
        bool done = false;
        bool answered = false;
    };
    auto pending = std::make_shared<Pending>();
    std::shared_ptr<Shared> shared = m_shared;

    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->changed.wait(lock, [&] { return shared->stopping || shared->handler; });
    if (shared->stopping)
        return;
    DeferredHandler handler = shared->handler;
    Dispatcher dispatch = shared->dispatch;
    lock.unlock();

    dispatch([shared, pending, request, handler] {
        {
            std::lock_guard<std::mutex> guard(shared->mutex);
            if (shared->stopping)
                return;
        }
        // Only the first answer counts; a late one after Stop is dropped.
        Responder respond = [shared, pending](bool answered, const InstanceReply& reply) {
            std::lock_guard<std::mutex> guard(shared->mutex);
            if (pending->done)
                return;
            pending->reply = reply;
            pending->answered = answered;
            pending->done = true;
            shared->changed.notify_all();
        };
        try
        {
            handler(*request, respond);
        }
        catch (...)
        {
            InstanceReply failed;
            failed.status = 1;
            respond(true, failed);
        }
    });

    lock.lock();
    shared->changed.wait(lock, [&] { return pending->done || shared->stopping; });
    if (!pending->done || !pending->answered)
        return;
    const InstanceReply reply = pending->reply;
    lock.unlock();
    InstanceMessage::WriteReply(client, reply, ReplyTimeoutMs);
}
