#pragma once

#include "ModalGate.h"
#include "instance/DesktopQuery.h"

#include <wx/string.h>
#include <wx/weakref.h>

#include <deque>
#include <memory>

#include <gio/gio.h>

class OrvaneFrame;

// The window's search providers on the session bus: GNOME Shell's
// org.gnome.Shell.SearchProvider2 and KRunner's org.kde.krunner1, both under
// one bus name. GDBus runs them on the toolkit's GLib loop; no thread.
// A second program that cannot get the name (another configuration folder
// runs) serves nothing and says nothing.
class DesktopBus
{
public:
    static constexpr const char* BusName = "io.github.orvane.Orvane";
    static constexpr const char* ShellPath = "/io/github/orvane/Orvane/SearchProvider";
    static constexpr const char* KRunnerPath = "/io/github/orvane/Orvane/KRunner";

    explicit DesktopBus(OrvaneFrame* frame);
    ~DesktopBus();
    DesktopBus(const DesktopBus&) = delete;
    DesktopBus& operator=(const DesktopBus&) = delete;

    // Asks for the bus name once the window has been drawn the first time
    // (or a few seconds on, if it never is), so that start-up does not wait
    // for the bus.
    void StartAfterFirstPaint();
    void Start();

    // The action calls that came in while a dialog is open wait here, with
    // the words handed over by later starts.
    ModalGate& Gate() { return m_gate; }

private:
    struct Invocation;

    static void OnBusAcquired(GDBusConnection* connection, const gchar* name, gpointer self);
    static void OnNameLost(GDBusConnection* connection, const gchar* name, gpointer self);
    static void OnMethodCall(GDBusConnection* connection, const gchar* sender,
                             const gchar* path, const gchar* interface, const gchar* method,
                             GVariant* parameters, GDBusMethodInvocation* invocation,
                             gpointer self);

    void Register(GDBusConnection* connection);
    void Unregister();
    void Handle(const wxString& interface, const wxString& method, GVariant* parameters,
                const std::shared_ptr<Invocation>& call);

    // The results for a query: one per offered group, their ids remembered.
    std::vector<DesktopQuery::Target> Results(const wxString& query);
    GVariant* ResultIds(const wxString& query);
    GVariant* ResultMetas(GVariant* ids);
    GVariant* KRunnerMatches(const wxString& query);
    // Brings the window up and searches a result handed out before.
    void Activate(const wxString& id, guint32 timestamp);
    void Present(guint32 timestamp);
    bool Remember(const wxString& id, DesktopQuery::Target& target) const;
    static void LogUnknown(size_t count, const wxString& first);
    // What a call answers when it is dropped unanswered: an empty result.
    static GVariant* EmptyReply(const wxString& interface, const wxString& method);

    wxWeakRef<OrvaneFrame> m_frame;
    ModalGate m_gate;
    GDBusNodeInfo* m_nodeInfo = nullptr;
    GDBusConnection* m_connection = nullptr;
    guint m_ownerId = 0;
    guint m_shellObject = 0;
    guint m_krunnerObject = 0;
    gulong m_drawHandler = 0;
    guint m_startSource = 0;
    guint m_fallbackSource = 0;
    // The ids handed out lately, newest last; others are refused.
    std::deque<wxString> m_handedOut;
};
