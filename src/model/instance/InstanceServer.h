#pragma once

#include "instance/InstanceMessage.h"

#include <wx/string.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <list>
#include <memory>
#include <thread>

// The running window's end of the channel: a local (AF_UNIX) socket. One
// worker thread accepts callers and each caller is read and answered on a
// thread of its own, so one that waits never holds up the others; every
// request is handled by the handler, on the thread the dispatcher runs calls
// on (the GUI thread in the program). Requests that arrive before a handler
// is set wait for it. Only processes of the same user are answered.
//
// A request not taken within the queue limit (the handler is busy, or a
// command waits for a search that does not end) is dropped and its caller
// told the window is busy; it never runs after that.
class InstanceServer
{
public:
    // One request's answer, handed to the handler; copies share it.
    class Responder
    {
    public:
        Responder() = default;
        // Call on the handler's thread right before acting on the request;
        // false when the caller was already told the window is busy, or the
        // server stops: the request is then dropped, not run.
        bool Begin() const;
        // The first answer counts, later ones are dropped; answered=false
        // leaves the caller without a reply (it then tries again).
        void operator()(bool answered, const InstanceReply& reply) const;

    private:
        friend class InstanceServer;
        struct State;
        std::shared_ptr<State> m_state;
    };

    // Fills the reply and returns true; false leaves the caller without a
    // reply (it then tries again), e.g. while the window is closing.
    using Handler = std::function<bool(const InstanceRequest&, InstanceReply&)>;
    // For requests answered later (an import waiting for a search to end):
    // the handler keeps the responder, calls Begin when the request's turn
    // comes and answers once, on the handler's thread.
    using DeferredHandler = std::function<void(const InstanceRequest&, Responder)>;
    // Runs a call later on the handler's thread; must be callable from any thread.
    using Dispatcher = std::function<void(std::function<void()>)>;

    static constexpr std::chrono::milliseconds DefaultQueueLimit{15000};
    // The line a caller gets when its request was dropped.
    static wxString BusyMessage();

    InstanceServer();
    ~InstanceServer();
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Listens on socketPath (a leftover socket file there is replaced) and
    // starts the worker; false if the socket cannot be made. The socket is
    // created with mode 0600.
    bool Start(const wxString& socketPath);
    bool IsListening() const { return m_listenFd >= 0; }

    // Call before Start.
    void SetQueueLimit(std::chrono::milliseconds limit) { m_queueLimit = limit; }

    // Call on the handler's thread, as Stop.
    void SetHandler(Handler handler, Dispatcher dispatch);
    void SetDeferredHandler(DeferredHandler handler, Dispatcher dispatch);

    // Stops listening, removes the socket file, leaves waiting callers without
    // a reply and joins the threads. Handlers not yet run are skipped.
    void Stop();

private:
    struct Shared;
    struct Session
    {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> finished;
    };

    void Run();
    void Serve(int client);
    void ReapSessions(bool all);

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
    std::list<Session> m_sessions;  // the worker's, and Stop's once it is joined
    std::chrono::milliseconds m_queueLimit = DefaultQueueLimit;
    int m_listenFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    wxString m_socketPath;
};
