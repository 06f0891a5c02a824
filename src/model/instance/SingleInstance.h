#pragma once

#include "instance/InstanceServer.h"

#include <wx/string.h>

// One window per configuration folder. The first start takes a lock and
// listens on a local socket; a later start sends its command line there and
// gets the window's reply. Lock and socket live in $XDG_RUNTIME_DIR when it
// is the user's own with mode 0700, else in "run" in the configuration
// folder. When a socket address there would be too long, the window listens
// in a fresh private folder it makes (mkdtemp) and records in the lock file:
// a fixed name in a shared folder could be taken by another user first.
// They are named after the configuration
// folder, so a second profile, or a test with its own folder, never meets
// this window. A window of another user is never talked to.
class SingleInstance
{
public:
    enum class Role
    {
        First,       // this process holds the lock and serves the channel
        Forwarded,   // a running window handled the request; reply filled
        Unanswered,  // a running window took the request but never answered
        NoWindow,    // (Forward only) no window runs for this configuration
        Refused,     // another process holds the lock and cannot be handed
                     // the request; Error() says why
    };

    explicit SingleInstance(const wxString& configFolder);
    // Stops the server before the lock goes, so no caller meets a dead socket.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Hands the request to the running window, or becomes the running window.
    // A lock left by a killed instance is taken over. A lock another process
    // holds while it does not take the request (it is of another version, or
    // it cannot listen) is waited for a while, then the start is refused:
    // nothing may run beside the window, whose next save would undo it.
    Role Claim(const InstanceRequest& request, InstanceReply& reply);
    // Only hands the request over, never becomes the window: NoWindow when
    // none runs, and nothing is locked then.
    Role Forward(const InstanceRequest& request, InstanceReply& reply);

    InstanceServer& Server() { return m_server; }
    bool HoldsLock() const { return m_lockFd >= 0; }
    // Why the last Claim or Forward refused, or why the server does not listen.
    const wxString& Error() const { return m_error; }
    wxString LockPath() const;
    wxString SocketPath() const;

private:
    enum class Lock
    {
        Taken,
        Held,     // by another process of this user
        Foreign,  // the lock file is another user's
        Failed,
    };
    Lock TryLock();
    void Unlock();
    // One attempt to reach a running window: Forwarded, Unanswered, Refused,
    // or NoWindow when nothing answered on the socket.
    Role Send(const InstanceRequest& request, InstanceReply& reply, bool& tooLarge);
    Role Refuse(const wxString& why);
    // The window's own socket folder when the socket does not fit beside the
    // lock: made and recorded in the lock file after the process id.
    bool MakeSocketFolder();
    wxString RecordedSocketFolder() const;

    wxString m_folder;  // where the lock (and usually the socket) lives; "" when none is safe
    bool m_bSocketElsewhere = false;  // the socket's folder is the one the lock file names
    wxString m_madeFolder;            // that folder, when this process made it
    wxString m_name;    // their common name, without extension
    wxString m_error;
    int m_lockFd = -1;
    InstanceServer m_server;
};
