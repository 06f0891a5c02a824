#pragma once

#include "instance/InstanceMessage.h"

#include <wx/string.h>

#include <functional>
#include <memory>
#include <thread>

// The running window's end of the channel: a local (AF_UNIX) socket served by
// one worker thread. The worker only reads requests and writes replies; every
// request is handled by the handler, on the thread the dispatcher runs calls
// on (the GUI thread in the program). Requests that arrive before a handler is
// set wait for it. Only processes of the same user are answered.
class InstanceServer
{
public:
    // Fills the reply and returns true; false leaves the caller without a
    // reply (it then tries again), e.g. while the window is closing.
    using Handler = std::function<bool(const InstanceRequest&, InstanceReply&)>;
    // For requests answered later (an import waiting for a search to end):
    // the handler keeps the responder and calls it once, on the handler's
    // thread; answered=false is as a Handler returning false.
    using Responder = std::function<void(bool answered, const InstanceReply& reply)>;
    using DeferredHandler = std::function<void(const InstanceRequest&, Responder)>;
    // Runs a call later on the handler's thread; must be callable from any thread.
    using Dispatcher = std::function<void(std::function<void()>)>;

    InstanceServer();
    ~InstanceServer();
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Listens on socketPath (a leftover socket file there is replaced) and
    // starts the worker; false if the socket cannot be made.
    bool Start(const wxString& socketPath);
    bool IsListening() const { return m_listenFd >= 0; }

    // Call on the handler's thread, as Stop.
    void SetHandler(Handler handler, Dispatcher dispatch);
    void SetDeferredHandler(DeferredHandler handler, Dispatcher dispatch);

    // Stops listening, removes the socket file, leaves waiting callers without
    // a reply and joins the worker. Handlers not yet run are skipped.
    void Stop();

private:
    struct Shared;

    void Run();
    void Serve(int client);

    std::shared_ptr<Shared> m_shared;
    std::thread m_worker;
    int m_listenFd = -1;
    int m_wakeRead = -1;
    int m_wakeWrite = -1;
    wxString m_socketPath;
};
