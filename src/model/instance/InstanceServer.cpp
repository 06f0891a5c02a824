#include "instance/InstanceServer.h"

#include "instance/CommandLine.h"

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
// Callers served at once; more are turned away until one is done.
constexpr size_t MaxSessions = 32;

bool SameUser(int fd)
{
    ucred cred{};
    socklen_t length = sizeof cred;
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &length) == 0 && cred.uid == ::getuid();
}
} // namespace

// What the threads and the calls they dispatched share; outlives the server
// when a dispatched call runs late.
struct InstanceServer::Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    DeferredHandler handler;
    Dispatcher dispatch;
    bool stopping = false;
};

struct InstanceServer::Responder::State
{
    enum class Step
    {
        Queued,   // not taken yet
        Running,  // the handler began; the caller waits for its answer
        Done,     // answered
        Dropped,  // the caller was told the window is busy
    };
    std::shared_ptr<Shared> shared;
    Step step = Step::Queued;
    bool answered = false;
    InstanceReply reply;
};

bool InstanceServer::Responder::Begin() const
{
    if (!m_state)
        return false;
    std::lock_guard<std::mutex> lock(m_state->shared->mutex);
    if (m_state->shared->stopping || m_state->step == State::Step::Dropped)
        return false;
    if (m_state->step == State::Step::Queued)
        m_state->step = State::Step::Running;
    return true;
}

void InstanceServer::Responder::operator()(bool answered, const InstanceReply& reply) const
{
    if (!m_state)
        return;
    std::lock_guard<std::mutex> lock(m_state->shared->mutex);
    if (m_state->step == State::Step::Done || m_state->step == State::Step::Dropped)
        return;
    m_state->reply = reply;
    m_state->answered = answered;
    m_state->step = State::Step::Done;
    m_state->shared->changed.notify_all();
}

wxString InstanceServer::BusyMessage()
{
    return wxS("orvane: the running window is busy and did not take the request in time; "
               "nothing was done");
}

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
    // The socket file is born 0600: a mode set by path after the bind would
    // leave a moment, and a name that may have been swapped meanwhile.
    const mode_t previousMask = ::umask(S_IRWXG | S_IRWXO | S_IXUSR);
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::umask(previousMask);
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
            if (!respond.Begin())
                return;
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
    ReapSessions(true);
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

void InstanceServer::ReapSessions(bool all)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end();)
    {
        if (all || it->finished->load())
        {
            it->thread.join();
            it = m_sessions.erase(it);
        }
        else
            ++it;
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
        ReapSessions(false);
        if (!SameUser(client) || m_sessions.size() >= MaxSessions)
        {
            ::close(client);
            continue;
        }
        auto finished = std::make_shared<std::atomic<bool>>(false);
        m_sessions.push_back({std::thread([this, client, finished] {
                                  Serve(client);
                                  ::close(client);
                                  finished->store(true);
                              }),
                              finished});
    }
}

void InstanceServer::Serve(int client)
{
    auto request = std::make_shared<InstanceRequest>();
    int version = 1;
    if (!InstanceMessage::ReadRequest(client, *request, version, RequestTimeoutMs))
        return;

    std::shared_ptr<Shared> shared = m_shared;
    Responder respond;
    respond.m_state = std::make_shared<Responder::State>();
    respond.m_state->shared = shared;
    auto& state = *respond.m_state;
    using Step = Responder::State::Step;
    const auto deadline = std::chrono::steady_clock::now() + m_queueLimit;

    std::unique_lock<std::mutex> lock(shared->mutex);
    shared->changed.wait_until(lock, deadline, [&] { return shared->stopping || shared->handler; });
    if (shared->stopping)
        return;
    if (shared->handler)
    {
        DeferredHandler handler = shared->handler;
        Dispatcher dispatch = shared->dispatch;
        lock.unlock();
        dispatch([shared, request, handler, respond] {
            {
                std::lock_guard<std::mutex> guard(shared->mutex);
                if (shared->stopping || respond.m_state->step == Step::Dropped)
                    return;
            }
            try
            {
                handler(*request, respond);
            }
            catch (...)
            {
                InstanceReply failed;
                failed.status = CommandLine::ExitNothing;
                respond(true, failed);
            }
        });
        lock.lock();
        shared->changed.wait_until(lock, deadline,
                                   [&] { return shared->stopping || state.step != Step::Queued; });
        // Once begun, the handler finishes what it started.
        shared->changed.wait(lock, [&] { return shared->stopping || state.step != Step::Running; });
        if (shared->stopping && state.step != Step::Done)
            return;
    }
    InstanceReply reply;
    if (state.step == Step::Queued)
    {
        state.step = Step::Dropped;
        reply.status = CommandLine::ExitNothing;
        reply.errors.push_back(BusyMessage());
    }
    else if (!state.answered)
        return;
    else
        reply = state.reply;
    lock.unlock();
    InstanceMessage::WriteReply(client, reply, version, ReplyTimeoutMs);
}
