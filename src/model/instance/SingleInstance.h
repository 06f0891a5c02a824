#pragma once

#include "instance/InstanceServer.h"

#include <wx/string.h>

#include <memory>

class wxSingleInstanceChecker;

// One window per configuration folder. The first start takes a lock and
// listens on a local socket; a later start sends its command line there and
// gets the window's reply. Lock and socket live in $XDG_RUNTIME_DIR (or the
// configuration folder itself) and are named after the configuration folder,
// so a second profile, or a test with its own folder, never meets this window.
class SingleInstance
{
public:
    enum class Role
    {
        First,       // this process holds the lock and serves the channel
        Forwarded,   // a running window handled the request; reply filled
        Unanswered,  // a running window took the request but never answered
        NoWindow,    // (Forward only) no window runs for this configuration
    };

    explicit SingleInstance(const wxString& configFolder);
    // Stops the server before the lock goes, so no caller meets a dead socket.
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Hands the request to the running window, or becomes the running window.
    // A lock left by a killed instance is taken over. If the lock stays held
    // by a process that never listens, this one runs without the channel
    // rather than not at all.
    Role Claim(const InstanceRequest& request, InstanceReply& reply);
    // Only hands the request over, never becomes the window: NoWindow when
    // none runs (or none answers in time), and nothing is locked then.
    Role Forward(const InstanceRequest& request, InstanceReply& reply);

    InstanceServer& Server() { return m_server; }
    bool HoldsLock() const { return m_checker != nullptr; }
    wxString LockPath() const;
    wxString SocketPath() const;

private:
    bool TryLock();
    // One attempt to reach a running window: Forwarded, Unanswered, or
    // NoWindow when nothing answered on the socket.
    Role Send(const InstanceRequest& request, InstanceReply& reply);

    wxString m_folder;  // where lock and socket live
    wxString m_name;    // their common name, without extension
    std::unique_ptr<wxSingleInstanceChecker> m_checker;
    InstanceServer m_server;
};
