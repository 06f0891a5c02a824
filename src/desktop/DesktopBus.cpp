#include "DesktopBus.h"

#include "base/TerminalText.h"

#include "frame/OrvaneFrame.h"

#include <wx/intl.h>

#include <gtk/gtk.h>

#include <cstdio>

namespace
{
const char* const Introspection =
    "<node>"
    " <interface name='org.gnome.Shell.SearchProvider2'>"
    "  <method name='GetInitialResultSet'>"
    "   <arg type='as' name='terms' direction='in'/>"
    "   <arg type='as' name='results' direction='out'/>"
    "  </method>"
    "  <method name='GetSubsearchResultSet'>"
    "   <arg type='as' name='previous_results' direction='in'/>"
    "   <arg type='as' name='terms' direction='in'/>"
    "   <arg type='as' name='results' direction='out'/>"
    "  </method>"
    "  <method name='GetResultMetas'>"
    "   <arg type='as' name='identifiers' direction='in'/>"
    "   <arg type='aa{sv}' name='metas' direction='out'/>"
    "  </method>"
    "  <method name='ActivateResult'>"
    "   <arg type='s' name='identifier' direction='in'/>"
    "   <arg type='as' name='terms' direction='in'/>"
    "   <arg type='u' name='timestamp' direction='in'/>"
    "  </method>"
    "  <method name='LaunchSearch'>"
    "   <arg type='as' name='terms' direction='in'/>"
    "   <arg type='u' name='timestamp' direction='in'/>"
    "  </method>"
    " </interface>"
    " <interface name='org.kde.krunner1'>"
    "  <method name='Actions'>"
    "   <arg type='a(sss)' name='matches' direction='out'/>"
    "  </method>"
    "  <method name='Match'>"
    "   <arg type='s' name='query' direction='in'/>"
    "   <arg type='a(sssida{sv})' name='matches' direction='out'/>"
    "  </method>"
    "  <method name='Run'>"
    "   <arg type='s' name='matchId' direction='in'/>"
    "   <arg type='s' name='actionId' direction='in'/>"
    "  </method>"
    "  <method name='Teardown'/>"
    " </interface>"
    "</node>";

const char* const ShellInterface = "org.gnome.Shell.SearchProvider2";
const char* const KRunnerInterface = "org.kde.krunner1";
// The icon the desktop entry names.
const char* const IconName = "orvane";
// KRunner's match type for a possible match.
constexpr int KRunnerPossibleMatch = 30;
constexpr double CurrentGroupRelevance = 0.7;
constexpr double OtherGroupRelevance = 0.5;
constexpr guint FallbackSeconds = 5;
// Enough for the results of the last few queries a desktop still shows.
constexpr size_t MaxHandedOut = 64;

wxString Utf8(const gchar* text)
{
    return text ? wxString::FromUTF8(text) : wxString();
}

wxString ResultName(const wxString& words)
{
    // Converted from UTF-8 before the look-up: the quotes would not survive
    // a locale that is not UTF-8.
    // TRANSLATORS: a search result shown by the desktop's search; %s is the words.
    const wxString format = wxGetTranslation(wxString::FromUTF8(wxTRANSLATE("Search “%s”")));
    return wxString::Format(format, words);
}

// The terms of a query as one text.
wxString JoinTerms(GVariant* terms)
{
    wxString query;
    GVariantIter iter;
    g_variant_iter_init(&iter, terms);
    const gchar* term = nullptr;
    while (g_variant_iter_next(&iter, "&s", &term))
    {
        if (!query.empty())
            query += ' ';
        query += Utf8(term);
    }
    return query;
}
} // namespace

// One method call: answered exactly once; a call dropped unanswered (the
// window went while it waited) gets an error rather than no reply.
struct DesktopBus::Invocation
{
    explicit Invocation(GDBusMethodInvocation* call) : invocation(call) {}
    ~Invocation()
    {
        if (invocation)
            g_dbus_method_invocation_return_dbus_error(
                invocation, "org.freedesktop.DBus.Error.Failed", "The window has closed");
    }
    void Return(GVariant* value)
    {
        if (invocation)
            g_dbus_method_invocation_return_value(invocation, value);
        else if (value)
            g_variant_unref(g_variant_ref_sink(value));
        invocation = nullptr;
    }
    GDBusMethodInvocation* invocation;
};

DesktopBus::DesktopBus(OrvaneFrame* frame) : m_frame(frame)
{
    m_nodeInfo = g_dbus_node_info_new_for_xml(Introspection, nullptr);
}

DesktopBus::~DesktopBus()
{
    if (m_drawHandler && m_frame)
        g_signal_handler_disconnect(m_frame->GetHandle(), m_drawHandler);
    for (guint source : {m_startSource, m_fallbackSource})
        if (source)
            g_source_remove(source);
    if (m_ownerId)
        g_bus_unown_name(m_ownerId);
    Unregister();
    if (m_nodeInfo)
        g_dbus_node_info_unref(m_nodeInfo);
}

void DesktopBus::StartAfterFirstPaint()
{
    GtkWidget* widget = m_frame ? m_frame->GetHandle() : nullptr;
    if (!widget)
        return;
    auto onDraw = +[](GtkWidget* widget, cairo_t*, gpointer data) -> gboolean {
        auto* self = static_cast<DesktopBus*>(data);
        g_signal_handler_disconnect(widget, self->m_drawHandler);
        self->m_drawHandler = 0;
        // After the frame is on screen, at idle priority: the pages come first.
        self->m_startSource = g_idle_add_full(
            G_PRIORITY_LOW,
            [](gpointer data) -> gboolean {
                auto* self = static_cast<DesktopBus*>(data);
                self->m_startSource = 0;
                self->Start();
                return G_SOURCE_REMOVE;
            },
            self, nullptr);
        return FALSE;
    };
    m_drawHandler = g_signal_connect_after(widget, "draw", G_CALLBACK(onDraw), this);
    // A window that is never drawn (started on a hidden workspace) serves too.
    m_fallbackSource = g_timeout_add_seconds(
        FallbackSeconds,
        [](gpointer data) -> gboolean {
            auto* self = static_cast<DesktopBus*>(data);
            self->m_fallbackSource = 0;
            self->Start();
            return G_SOURCE_REMOVE;
        },
        this);
}

void DesktopBus::Start()
{
    if (m_ownerId || !m_nodeInfo)
        return;
    // Without a session bus GIO would launch one of its own for the display.
    const gchar* runtime = g_getenv("XDG_RUNTIME_DIR");
    gchar* socket = runtime ? g_build_filename(runtime, "bus", nullptr) : nullptr;
    const bool hasBus = g_getenv("DBUS_SESSION_BUS_ADDRESS") ||
                        (socket && g_file_test(socket, G_FILE_TEST_EXISTS));
    g_free(socket);
    if (!hasBus)
        return;
    m_ownerId = g_bus_own_name(G_BUS_TYPE_SESSION, BusName, G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE,
                               &DesktopBus::OnBusAcquired, nullptr, &DesktopBus::OnNameLost,
                               this, nullptr);
}

void DesktopBus::OnBusAcquired(GDBusConnection* connection, const gchar*, gpointer self)
{
    static_cast<DesktopBus*>(self)->Register(connection);
}

void DesktopBus::OnNameLost(GDBusConnection*, const gchar*, gpointer self)
{
    // No bus, or the name belongs to another program: serve nothing, quietly.
    static_cast<DesktopBus*>(self)->Unregister();
}

void DesktopBus::Register(GDBusConnection* connection)
{
    static const GDBusInterfaceVTable vtable = {&DesktopBus::OnMethodCall, nullptr, nullptr, {}};
    m_connection = G_DBUS_CONNECTION(g_object_ref(connection));
    m_shellObject = g_dbus_connection_register_object(
        connection, ShellPath, g_dbus_node_info_lookup_interface(m_nodeInfo, ShellInterface),
        &vtable, this, nullptr, nullptr);
    m_krunnerObject = g_dbus_connection_register_object(
        connection, KRunnerPath, g_dbus_node_info_lookup_interface(m_nodeInfo, KRunnerInterface),
        &vtable, this, nullptr, nullptr);
}

void DesktopBus::Unregister()
{
    if (!m_connection)
        return;
    for (guint* object : {&m_shellObject, &m_krunnerObject})
    {
        if (*object)
            g_dbus_connection_unregister_object(m_connection, *object);
        *object = 0;
    }
    g_object_unref(m_connection);
    m_connection = nullptr;
}

void DesktopBus::OnMethodCall(GDBusConnection*, const gchar*, const gchar*,
                              const gchar* interface, const gchar* method, GVariant* parameters,
                              GDBusMethodInvocation* invocation, gpointer data)
{
    auto* self = static_cast<DesktopBus*>(data);
    auto call = std::make_shared<Invocation>(invocation);
    const wxString iface = Utf8(interface), name = Utf8(method);
    std::shared_ptr<GVariant> params(g_variant_ref(parameters), &g_variant_unref);
    // The gate drops what it holds when the bus goes, and `call` then answers.
    // A call dropped to make room is answered as having found nothing.
    self->m_gate.Run([self, iface, name, params, call] { self->Handle(iface, name, params.get(), call); },
                     g_variant_get_size(parameters) + sizeof(Invocation),
                     [iface, name, call] { call->Return(EmptyReply(iface, name)); });
}

GVariant* DesktopBus::EmptyReply(const wxString& interface, const wxString& method)
{
    if (interface == ShellInterface)
    {
        if (method == wxS("GetInitialResultSet") || method == wxS("GetSubsearchResultSet"))
            return g_variant_new("(@as)", g_variant_new_array(G_VARIANT_TYPE_STRING, nullptr, 0));
        if (method == wxS("GetResultMetas"))
            return g_variant_new("(@aa{sv})", g_variant_new_array(G_VARIANT_TYPE("a{sv}"), nullptr, 0));
        return nullptr;
    }
    if (method == wxS("Match"))
        return g_variant_new("(@a(sssida{sv}))", g_variant_new_array(G_VARIANT_TYPE("(sssida{sv})"), nullptr, 0));
    if (method == wxS("Actions"))
        return g_variant_new("(@a(sss))", g_variant_new_array(G_VARIANT_TYPE("(sss)"), nullptr, 0));
    return nullptr;
}

void DesktopBus::Handle(const wxString& interface, const wxString& method, GVariant* parameters,
                        const std::shared_ptr<Invocation>& call)
{
    if (!m_frame || m_frame->IsBeingDeleted())
        return;  // `call` answers with an error
    if (interface == ShellInterface)
    {
        if (method == wxS("GetInitialResultSet"))
        {
            GVariant* terms = g_variant_get_child_value(parameters, 0);
            call->Return(g_variant_new("(@as)", ResultIds(JoinTerms(terms))));
            g_variant_unref(terms);
        }
        else if (method == wxS("GetSubsearchResultSet"))
        {
            // The previous results name groups, not words: search afresh.
            GVariant* terms = g_variant_get_child_value(parameters, 1);
            call->Return(g_variant_new("(@as)", ResultIds(JoinTerms(terms))));
            g_variant_unref(terms);
        }
        else if (method == wxS("GetResultMetas"))
        {
            GVariant* ids = g_variant_get_child_value(parameters, 0);
            call->Return(g_variant_new("(@aa{sv})", ResultMetas(ids)));
            g_variant_unref(ids);
        }
        else if (method == wxS("ActivateResult"))
        {
            const gchar* id = nullptr;
            guint32 timestamp = 0;
            g_variant_get(parameters, "(&s@asu)", &id, nullptr, &timestamp);
            Activate(Utf8(id), timestamp);
            call->Return(nullptr);
        }
        else if (method == wxS("LaunchSearch"))
        {
            GVariant* terms = nullptr;
            guint32 timestamp = 0;
            g_variant_get(parameters, "(@asu)", &terms, &timestamp);
            const DesktopQuery::Target target = DesktopQuery::Resolve(
                JoinTerms(terms), m_frame->Catalogue(), m_frame->CurrentGroup());
            g_variant_unref(terms);
            Present(timestamp);
            if (target.words.empty())
                m_frame->FocusKeywordBox();
            else
                m_frame->SearchInGroup(target.group, target.words);
            call->Return(nullptr);
        }
        return;
    }
    if (method == wxS("Match"))
    {
        const gchar* query = nullptr;
        g_variant_get(parameters, "(&s)", &query);
        call->Return(g_variant_new("(@a(sssida{sv}))", KRunnerMatches(Utf8(query))));
    }
    else if (method == wxS("Actions"))
        call->Return(g_variant_new("(@a(sss))", g_variant_new_array(G_VARIANT_TYPE("(sss)"),
                                                                     nullptr, 0)));
    else if (method == wxS("Run"))
    {
        const gchar* id = nullptr;
        g_variant_get(parameters, "(&s&s)", &id, nullptr);
        // KRunner gives no timestamp: GTK takes the current event's time.
        Activate(Utf8(id), GDK_CURRENT_TIME);
        call->Return(nullptr);
    }
    else
        call->Return(nullptr);  // Teardown: nothing is held between queries
}

std::vector<DesktopQuery::Target> DesktopBus::Results(const wxString& query)
{
    std::vector<DesktopQuery::Target> results;
    const DesktopQuery::Target target =
        DesktopQuery::Resolve(query, m_frame->Catalogue(), m_frame->CurrentGroup());
    if (target.words.empty())
        return results;
    const wxArrayString noRecent;
    for (const SearchGroup& group : DesktopQuery::OfferedGroups(
             m_frame->Catalogue(), target.group,
             target.byShortcut ? noRecent : m_frame->RecentGroups()))
    {
        DesktopQuery::Target result{group, target.words};
        const wxString id = DesktopQuery::ResultId(result);
        for (auto it = m_handedOut.begin(); it != m_handedOut.end(); ++it)
        {
            if (*it == id)
            {
                m_handedOut.erase(it);
                break;
            }
        }
        m_handedOut.push_back(id);
        if (m_handedOut.size() > MaxHandedOut)
            m_handedOut.pop_front();
        results.push_back(result);
    }
    return results;
}

GVariant* DesktopBus::ResultIds(const wxString& query)
{
    GVariantBuilder ids;
    g_variant_builder_init(&ids, G_VARIANT_TYPE("as"));
    for (const DesktopQuery::Target& result : Results(query))
        g_variant_builder_add(&ids, "s", DesktopQuery::ResultId(result).utf8_str().data());
    return g_variant_builder_end(&ids);
}

bool DesktopBus::Remember(const wxString& id, DesktopQuery::Target& target) const
{
    for (const wxString& known : m_handedOut)
        if (known == id)
            return DesktopQuery::ParseResultId(id, target);
    return false;
}

void DesktopBus::LogUnknown(size_t count, const wxString& first)
{
    // One line per call whatever the caller sent: ids come from any
    // program on the bus, so they are cut short and escaped.
    constexpr size_t Shown = 64;
    wxString shown = TerminalText::Escape(first.Left(Shown));
    if (first.length() > Shown)
        shown += wxS("...");
    if (count == 1)
        std::fprintf(stderr, "orvane: ignoring the unknown search result id \"%s\"\n",
                     static_cast<const char*>(shown.utf8_str()));
    else
        std::fprintf(stderr, "orvane: ignoring %zu unknown search result ids, the first \"%s\"\n", count,
                     static_cast<const char*>(shown.utf8_str()));
}

GVariant* DesktopBus::ResultMetas(GVariant* ids)
{
    GVariantBuilder metas;
    g_variant_builder_init(&metas, G_VARIANT_TYPE("aa{sv}"));
    GVariantIter iter;
    g_variant_iter_init(&iter, ids);
    const gchar* rawId = nullptr;
    size_t unknown = 0;
    wxString firstUnknown;
    while (g_variant_iter_next(&iter, "&s", &rawId))
    {
        DesktopQuery::Target target;
        if (!Remember(Utf8(rawId), target))
        {
            if (unknown++ == 0)
                firstUnknown = Utf8(rawId);
            continue;
        }
        const size_t engines = DesktopQuery::EnabledEngines(m_frame->Catalogue(), target.group);
        const wxString name = ResultName(target.words);
        // The dash stays out of the translated texts: the catalogues' msgids are ASCII.
        const wxString description =
            target.group.m_strLang + wxS(" / ") + target.group.m_strCategory + wxS(" \u2014 ") +
            wxString::Format(wxPLURAL("%d engine", "%d engines", static_cast<int>(engines)),
                             static_cast<int>(engines));
        GVariantBuilder meta;
        g_variant_builder_init(&meta, G_VARIANT_TYPE("a{sv}"));
        g_variant_builder_add(&meta, "{sv}", "id", g_variant_new_string(rawId));
        g_variant_builder_add(&meta, "{sv}", "name",
                              g_variant_new_string(name.utf8_str().data()));
        g_variant_builder_add(&meta, "{sv}", "description",
                              g_variant_new_string(description.utf8_str().data()));
        g_variant_builder_add(&meta, "{sv}", "gicon", g_variant_new_string(IconName));
        g_variant_builder_add_value(&metas, g_variant_builder_end(&meta));
    }
    if (unknown > 0)
        LogUnknown(unknown, firstUnknown);
    return g_variant_builder_end(&metas);
}

GVariant* DesktopBus::KRunnerMatches(const wxString& query)
{
    GVariantBuilder matches;
    g_variant_builder_init(&matches, G_VARIANT_TYPE("a(sssida{sv})"));
    bool first = true;
    for (const DesktopQuery::Target& result : Results(query))
    {
        const wxString text = ResultName(result.words) +
                              wxS(" \u2014 ") + result.group.m_strLang + wxS(" / ") +
                              result.group.m_strCategory;
        g_variant_builder_add(&matches, "(sssid@a{sv})",
                              DesktopQuery::ResultId(result).utf8_str().data(),
                              text.utf8_str().data(), IconName, KRunnerPossibleMatch,
                              first ? CurrentGroupRelevance : OtherGroupRelevance,
                              g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0));
        first = false;
    }
    return g_variant_builder_end(&matches);
}

void DesktopBus::Activate(const wxString& id, guint32 timestamp)
{
    DesktopQuery::Target target;
    if (!Remember(id, target))
    {
        LogUnknown(1, id);
        return;
    }
    Present(timestamp);
    m_frame->SearchInGroup(target.group, target.words);
}

void DesktopBus::Present(guint32 timestamp)
{
    if (m_frame->IsIconized())
        m_frame->Iconize(false);
    m_frame->Show();
    // With the caller's time the desktop's focus-stealing rules let it through.
    gtk_window_present_with_time(GTK_WINDOW(m_frame->GetHandle()), timestamp);
}
