#include "IEHtmlWin.h"

#include "PageProbe.h"
#include "pages/ErrorPage.h"

#include <wx/dialog.h>
#include <wx/filename.h>
#include <wx/modalhook.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <webkit2/webkit2.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
int g_loadTimeoutSeconds = 30;

const double MinZoom = 0.3;
const double MaxZoom = 5.0;

bool IsWebAddress(const wxString& url)
{
    const wxString lower = url.Lower();
    return lower.StartsWith("http://") || lower.StartsWith("https://");
}

wxString TimeoutReason()
{
    return _("The server did not answer in time.");
}

wxString ViewUri(void* native)
{
    const gchar* uri = webkit_web_view_get_uri(WEBKIT_WEB_VIEW(native));
    return uri ? wxString::FromUTF8(uri) : wxString();
}

wxString BlockedReason()
{
    return _("The address was refused: it may use a port that is blocked for safety.");
}

wxString TlsReason()
{
    return _("The server's security certificate is not trusted.");
}

// The user's words for why a load failed. libsoup 2 reports network trouble
// as HTTP "status" codes below 100 in its own error domain.
wxString ReasonFor(const GError* error)
{
    const char* domain = g_quark_to_string(error->domain);
    // The name has changed between versions.
    const bool soup = std::strcmp(domain, "soup-http-error-quark") == 0 ||
                      std::strcmp(domain, "soup_http_error_quark") == 0;
    enum { SoupCantResolve = 2, SoupCantResolveProxy = 3, SoupCantConnect = 4,
           SoupCantConnectProxy = 5, SoupSslFailed = 6, SoupIoError = 7 };
    if (error->domain == G_RESOLVER_ERROR ||
        (soup && (error->code == SoupCantResolve || error->code == SoupCantResolveProxy)))
        return _("The server's address could not be found.");
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED) ||
        (soup && (error->code == SoupCantConnect || error->code == SoupCantConnectProxy)))
        return _("The server refused the connection.");
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_TIMED_OUT))
        return TimeoutReason();
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_HOST_UNREACHABLE) ||
        g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NETWORK_UNREACHABLE))
        return _("The server could not be reached.");
    if (error->domain == G_TLS_ERROR || (soup && error->code == SoupSslFailed))
        return TlsReason();
    if (soup && error->code == SoupIoError)
        return _("The connection to the server was lost.");
    if (g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_FILE_DOES_NOT_EXIST))
        return _("The file does not exist.");
    return wxString::Format(_("The page could not be loaded: %s"), wxString::FromUTF8(error->message));
}

wxIEHtmlWin::BrowserLauncher& Launcher()
{
    static wxIEHtmlWin::BrowserLauncher launcher;
    return launcher;
}

// Only these go to the desktop's handlers: a page must not make the system
// open a file, a share or whatever program claims some other scheme.
bool MayOpenOutside(const wxString& url)
{
    const wxString lower = url.Lower();
    return lower.StartsWith("http:") || lower.StartsWith("https:") || lower.StartsWith("mailto:");
}

bool LaunchOutside(const wxString& url)
{
    if (Launcher())
        return Launcher()(url);
    bool launched = false;
    {
        // The toolkit's own report names a system error ("error 11: Resource
        // temporarily unavailable"), not what went wrong.
        wxLogNull quiet;
        launched = wxLaunchDefaultBrowser(url);
    }
    if (!launched)
        // TRANSLATORS: Ctrl+click on a link with no desktop browser; %s is the link's address
        wxLogError(_("No web browser could be started to open %s."), url);
    return launched;
}

// A plain absolute path must load the file, so it becomes a file:// URL;
// anything else (http:, file:, about:blank) is passed through unchanged.
wxString ToLoadableUrl(const wxString& url)
{
    if (!url.empty() && wxFileName::IsPathSeparator(url[0]))
        return wxFileName::FileNameToURL(wxFileName(url));
    return url;
}

extern "C" {

void OnProgressNotify(GObject* object, GParamSpec*, gpointer data)
{
    auto* view = static_cast<wxIEHtmlWin*>(data);
    view->OnNativeProgress(webkit_web_view_get_estimated_load_progress(WEBKIT_WEB_VIEW(object)));
}

void OnMouseTargetChanged(WebKitWebView*, WebKitHitTestResult* hit, guint, gpointer data)
{
    auto* view = static_cast<wxIEHtmlWin*>(data);
    wxString uri;
    if (hit && webkit_hit_test_result_context_is_link(hit))
        uri = wxString::FromUTF8(webkit_hit_test_result_get_link_uri(hit));
    view->OnNativeHoverLink(uri);
}

void OnLoadingNotify(GObject* object, GParamSpec*, gpointer data)
{
    static_cast<wxIEHtmlWin*>(data)->OnNativeLoadingChanged(
        webkit_web_view_is_loading(WEBKIT_WEB_VIEW(object)) != FALSE);
}

gboolean RefuseNavigation(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType,
                          gpointer)
{
    webkit_policy_decision_ignore(decision);
    return TRUE;
}

gboolean ReleaseView(gpointer view)
{
    g_object_unref(view);
    return G_SOURCE_REMOVE;
}

// A script asks for a new window (window.open). The address goes to the
// system's browser, never into a window of ours. WebKit
// aborts the whole program when a script's request is answered with no view
// at all, so it gets a hidden one that refuses to navigate and is released
// shortly after.
GtkWidget* OnCreateWindow(WebKitWebView* webView, WebKitNavigationAction* action, gpointer data)
{
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const gchar* uri = request ? webkit_uri_request_get_uri(request) : nullptr;
    static_cast<wxIEHtmlWin*>(data)->OnNativeNewWindow(uri ? wxString::FromUTF8(uri) : wxString());

    GtkWidget* sink = webkit_web_view_new_with_related_view(webView);
    g_object_ref_sink(sink);
    g_signal_connect(sink, "decide-policy", G_CALLBACK(RefuseNavigation), nullptr);
    g_timeout_add_seconds(2, ReleaseView, sink);
    return sink;
}

// Pages must never raise dialogs of their own: alerts are dropped, confirms
// answer "cancel", prompts give no text. Leaving a page with an unload
// handler is always confirmed, or the next search could not replace it.
gboolean OnScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog, gpointer)
{
    if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
        webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
    else if (webkit_script_dialog_get_dialog_type(dialog) == WEBKIT_SCRIPT_DIALOG_CONFIRM)
        webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
    return TRUE;
}

// The view shows page content only: the context menu keeps editing and
// link items but loses the browser's own navigation, download and
// inspector entries.
gboolean OnContextMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*,
                       gpointer)
{
    std::vector<WebKitContextMenuItem*> unwanted;
    for (GList* l = webkit_context_menu_get_items(menu); l; l = l->next)
    {
        auto* item = static_cast<WebKitContextMenuItem*>(l->data);
        switch (webkit_context_menu_item_get_stock_action(item))
        {
            case WEBKIT_CONTEXT_MENU_ACTION_GO_BACK:
            case WEBKIT_CONTEXT_MENU_ACTION_GO_FORWARD:
            case WEBKIT_CONTEXT_MENU_ACTION_STOP:
            case WEBKIT_CONTEXT_MENU_ACTION_RELOAD:
            case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK:
            case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_IMAGE_TO_DISK:
            case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_VIDEO_TO_DISK:
            case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_AUDIO_TO_DISK:
            case WEBKIT_CONTEXT_MENU_ACTION_OPEN_IMAGE_IN_NEW_WINDOW:
            case WEBKIT_CONTEXT_MENU_ACTION_OPEN_FRAME_IN_NEW_WINDOW:
            case WEBKIT_CONTEXT_MENU_ACTION_OPEN_VIDEO_IN_NEW_WINDOW:
            case WEBKIT_CONTEXT_MENU_ACTION_OPEN_AUDIO_IN_NEW_WINDOW:
            case WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT:
                unwanted.push_back(item);
                break;
            default:
                break;
        }
    }
    for (WebKitContextMenuItem* item : unwanted)
        webkit_context_menu_remove(menu, item);
    // An emptied menu is not shown at all.
    return webkit_context_menu_get_n_items(menu) == 0 ? TRUE : FALSE;
}

void OnLoadChanged(WebKitWebView*, WebKitLoadEvent loadEvent, gpointer data)
{
    static_cast<wxIEHtmlWin*>(data)->OnNativeLoadChanged(loadEvent);
}

gboolean OnLoadFailed(WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* error, gpointer data)
{
    // A stop, a download taking over, or a refused navigation: no failure.
    const bool cancelled =
        g_error_matches(error, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED) ||
        g_error_matches(error, WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE) ||
        g_error_matches(error, WEBKIT_PLUGIN_ERROR, WEBKIT_PLUGIN_ERROR_WILL_HANDLE_LOAD);
    return static_cast<wxIEHtmlWin*>(data)->OnNativeLoadFailed(
        wxString::FromUTF8(uri ? uri : ""), ReasonFor(error), cancelled);
}

gboolean OnTlsError(WebKitWebView*, gchar* uri, GTlsCertificate*, GTlsCertificateFlags, gpointer data)
{
    return static_cast<wxIEHtmlWin*>(data)->OnNativeTlsError(wxString::FromUTF8(uri ? uri : ""));
}

bool IsAttachment(SoupMessageHeaders* headers)
{
    char* disposition = nullptr;
    if (!headers || !soup_message_headers_get_content_disposition(headers, &disposition, nullptr))
        return false;
    const bool attachment = disposition && g_ascii_strcasecmp(disposition, "attachment") == 0;
    g_free(disposition);
    return attachment;
}

gboolean OnDecidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                        gpointer data)
{
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE)
        return FALSE;
    auto* response = WEBKIT_RESPONSE_POLICY_DECISION(decision);
    WebKitURIResponse* answer = webkit_response_policy_decision_get_response(response);
    // What the view cannot show, or is told to save, would become a download.
    if (!static_cast<wxIEHtmlWin*>(data)->MayReceive(
            webkit_response_policy_decision_is_mime_type_supported(response) != FALSE,
            IsAttachment(answer ? webkit_uri_response_get_http_headers(answer) : nullptr)))
    {
        webkit_policy_decision_ignore(decision);
        return TRUE;
    }
    if (!webkit_response_policy_decision_is_main_frame_main_resource(response))
        return FALSE;
    const int status = answer ? static_cast<int>(webkit_uri_response_get_status_code(answer)) : 0;
    // Cloudflare marks its challenge pages so.
    SoupMessageHeaders* headers = answer ? webkit_uri_response_get_http_headers(answer) : nullptr;
    const char* mitigated = headers ? soup_message_headers_get_one(headers, "cf-mitigated") : nullptr;
    bool challenge = false;
    if (mitigated)
    {
        gchar* value = g_strstrip(g_strdup(mitigated));
        challenge = g_ascii_strcasecmp(value, "challenge") == 0;
        g_free(value);
    }
    static_cast<wxIEHtmlWin*>(data)->OnNativeResponse(status, challenge);
    return FALSE;
}

gboolean OnButtonPress(GtkWidget*, GdkEventButton* event, gpointer data)
{
    if (event->type != GDK_BUTTON_PRESS)
        return FALSE;
    return static_cast<wxIEHtmlWin*>(data)->OnNativeLinkClick(
        static_cast<int>(event->button), (event->state & GDK_CONTROL_MASK) != 0);
}

gboolean OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer data)
{
    return static_cast<wxIEHtmlWin*>(data)->OnNativeKeyPress(event->keyval, event->state);
}

// The toolkit's code for a key the window may bind (function keys, arrows,
// Tab, Escape, and letters, digits and zoom keys with Ctrl or Alt); 0 for
// the keys a page types with.
int WindowKeyCode(guint keyval, bool withCtrlOrAlt)
{
    if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24)
        return WXK_F1 + static_cast<int>(keyval - GDK_KEY_F1);
    switch (keyval)
    {
        case GDK_KEY_Escape:
            return WXK_ESCAPE;
        case GDK_KEY_Tab:
        case GDK_KEY_ISO_Left_Tab:
            return withCtrlOrAlt ? WXK_TAB : 0;
        case GDK_KEY_Left:
            return withCtrlOrAlt ? WXK_LEFT : 0;
        case GDK_KEY_Right:
            return withCtrlOrAlt ? WXK_RIGHT : 0;
        case GDK_KEY_KP_Add:
            return withCtrlOrAlt ? WXK_NUMPAD_ADD : 0;
        case GDK_KEY_KP_Subtract:
            return withCtrlOrAlt ? WXK_NUMPAD_SUBTRACT : 0;
        case GDK_KEY_KP_0:
            return withCtrlOrAlt ? WXK_NUMPAD0 : 0;
        default:
            break;
    }
    const guint upper = gdk_keyval_to_upper(keyval);
    if (withCtrlOrAlt && upper >= 0x20 && upper < 0x7f)
        return static_cast<int>(upper);
    return 0;
}

// "found-text" reports one match after a move to the next or previous
// one; only "counted-matches" tells the total.
void OnCountedMatches(WebKitFindController*, guint matches, gpointer data)
{
    static_cast<wxIEHtmlWin*>(data)->OnNativeFindResult(static_cast<int>(std::min<guint>(matches, 1000000)));
}

void OnFailedToFindText(WebKitFindController*, gpointer data)
{
    static_cast<wxIEHtmlWin*>(data)->OnNativeFindResult(0);
}

gboolean OnPrint(WebKitWebView*, WebKitPrintOperation* operation, gpointer data)
{
    return static_cast<wxIEHtmlWin*>(data)->OnNativePrint(operation) ? TRUE : FALSE;
}

} // extern "C"
} // namespace

wxIEHtmlWin::wxIEHtmlWin(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                         long style, const wxString& name, ViewCreation creation)
    : wxPanel(parent, id, pos, size, style, name)
{
    if (creation == ViewCreation::Now)
        CreateView();
}

void wxIEHtmlWin::CreateView()
{
    if (m_bViewMade)
        return;
    m_bViewMade = true;
    wxWebView* view = wxWebView::New(wxWebViewBackendDefault);
    if (!view)
        return;  // the window stays empty; every operation reports failure

    // Every wxWebViewEvent is handled here and not skipped, so none of them
    // travels on to the parent windows; the parent sees wxMSHTMLEvents only.
    // Bound before the view exists: its first load starts inside Create.
    view->Bind(wxEVT_WEBVIEW_NAVIGATING, &wxIEHtmlWin::OnNavigating, this);
    view->Bind(wxEVT_WEBVIEW_NEWWINDOW, &wxIEHtmlWin::OnNewWindow, this);
    view->Bind(wxEVT_WEBVIEW_LOADED, &wxIEHtmlWin::OnLoaded, this);
    view->Bind(wxEVT_WEBVIEW_TITLE_CHANGED, &wxIEHtmlWin::OnTitleChanged, this);
    view->Bind(wxEVT_WEBVIEW_NAVIGATED, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    view->Bind(wxEVT_WEBVIEW_ERROR, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    view->Bind(wxEVT_WEBVIEW_FULLSCREEN_CHANGED, &wxIEHtmlWin::OnOtherWebViewEvent, this);

    // A waiting address is the view's first page, with no "about:blank" before it.
    const wxString refusal = m_strWaitingRefusal;
    const wxString refused = refusal.empty() ? wxString() : m_strWaitingUrl;
    m_strWaitingRefusal.clear();
    if (!refusal.empty())
        m_strWaitingUrl.clear();
    const bool waiting = !m_strWaitingUrl.empty();
    const wxString first = waiting ? ToLoadableUrl(m_strWaitingUrl) : wxString("about:blank");
    m_strWaitingUrl.clear();
    if (!view->Create(this, wxID_ANY, first, wxDefaultPosition, GetClientSize(), wxBORDER_NONE))
    {
        delete view;
        return;
    }
    m_browser = view;
    m_bUndecided = waiting;

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_browser, 1, wxEXPAND);
    SetSizer(sizer);
    Layout();

    m_loadTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &wxIEHtmlWin::OnLoadTimeout, this, m_loadTimer.GetId());
    m_stopTimer.SetOwner(this);
    Bind(wxEVT_TIMER, &wxIEHtmlWin::OnStopTimer, this, m_stopTimer.GetId());

    ConnectNativeSignals();
    if (waiting)
        m_strUndecidedUrl = m_native ? ViewUri(m_native) : first;
    if (!refusal.empty())
        ShowRefused(refused, refusal);
}

wxIEHtmlWin::~wxIEHtmlWin()
{
    if (!m_browser)
        return;
    // Nothing from WebKit may reach this object once its destruction began:
    // drop the signal handlers and the bindings, then delete the web view
    // ourselves rather than leave it to the base class.
    m_loadTimer.Stop();
    m_stopTimer.Stop();
    DisconnectNativeSignals();
    m_browser->Unbind(wxEVT_WEBVIEW_NAVIGATING, &wxIEHtmlWin::OnNavigating, this);
    m_browser->Unbind(wxEVT_WEBVIEW_NEWWINDOW, &wxIEHtmlWin::OnNewWindow, this);
    m_browser->Unbind(wxEVT_WEBVIEW_LOADED, &wxIEHtmlWin::OnLoaded, this);
    m_browser->Unbind(wxEVT_WEBVIEW_TITLE_CHANGED, &wxIEHtmlWin::OnTitleChanged, this);
    m_browser->Unbind(wxEVT_WEBVIEW_NAVIGATED, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    m_browser->Unbind(wxEVT_WEBVIEW_ERROR, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    m_browser->Unbind(wxEVT_WEBVIEW_FULLSCREEN_CHANGED, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    m_browser->Stop();
    // The page's process goes with the view: one spinning in a script would
    // otherwise run on for a while, and outlive a short-lived program.
    if (WebKitWebView* native = m_browser->GetNativeBackend() ? WEBKIT_WEB_VIEW(m_browser->GetNativeBackend()) : nullptr)
        webkit_web_view_terminate_web_process(native);
    delete m_browser;
    m_browser = nullptr;
}

void wxIEHtmlWin::SetBrowserLauncher(BrowserLauncher launcher)
{
    Launcher() = std::move(launcher);
}

void wxIEHtmlWin::ConnectNativeSignals()
{
    auto* native = static_cast<GObject*>(m_browser->GetNativeBackend());
    if (!native || !WEBKIT_IS_WEB_VIEW(native))
        return;
    m_native = native;
    m_progressHandler = g_signal_connect(native, "notify::estimated-load-progress",
                                         G_CALLBACK(OnProgressNotify), this);
    m_hoverHandler = g_signal_connect(native, "mouse-target-changed",
                                      G_CALLBACK(OnMouseTargetChanged), this);
    m_dialogHandler = g_signal_connect(native, "script-dialog", G_CALLBACK(OnScriptDialog), this);
    m_menuHandler = g_signal_connect(native, "context-menu", G_CALLBACK(OnContextMenu), this);
    m_loadingHandler = g_signal_connect(native, "notify::is-loading", G_CALLBACK(OnLoadingNotify), this);
    // Script requests for a window reach "create", where wxWebView answers
    // with no view, which WebKit does not survive; ours replaces it.
    g_signal_handlers_disconnect_matched(native, GSignalMatchType(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA),
                                         g_signal_lookup("create", WEBKIT_TYPE_WEB_VIEW), 0, nullptr,
                                         nullptr, m_browser);
    m_createHandler = g_signal_connect(native, "create", G_CALLBACK(OnCreateWindow), this);

    // Failed loads get our own page; wxWebView only reports them.
    m_loadChangedHandler = g_signal_connect(native, "load-changed", G_CALLBACK(OnLoadChanged), this);
    m_loadFailedHandler = g_signal_connect(native, "load-failed", G_CALLBACK(OnLoadFailed), this);
    m_tlsHandler = g_signal_connect(native, "load-failed-with-tls-errors", G_CALLBACK(OnTlsError), this);
    m_policyHandler = g_signal_connect(native, "decide-policy", G_CALLBACK(OnDecidePolicy), this);
    m_buttonHandler = g_signal_connect(native, "button-press-event", G_CALLBACK(OnButtonPress), this);
    // Before WebKit's own handler: the page would take Alt+Left in a text
    // field, and every key it uses, before the window saw them.
    m_keyHandler = g_signal_connect(native, "key-press-event", G_CALLBACK(OnKeyPress), this);
    // WebKit's own answer to print() is GTK's modal print dialog, at once.
    m_printHandler = g_signal_connect(native, "print", G_CALLBACK(OnPrint), this);
    g_object_set_data(native, UnseenKey, m_bUnseen ? GINT_TO_POINTER(1) : nullptr);

    WebKitFindController* finder = webkit_web_view_get_find_controller(WEBKIT_WEB_VIEW(native));
    m_notFoundHandler = g_signal_connect(finder, "failed-to-find-text", G_CALLBACK(OnFailedToFindText), this);
    m_countedHandler = g_signal_connect(finder, "counted-matches", G_CALLBACK(OnCountedMatches), this);

    if (m_dZoom != 1.0)
        webkit_web_view_set_zoom_level(WEBKIT_WEB_VIEW(native), m_dZoom);
    m_probe = std::make_unique<PageProbe>(native);
    m_probe->SetWatching(!m_bUnseen);
    EnsureLayoutSize();
}

void wxIEHtmlWin::EnsureLayoutSize()
{
    // GTK sizes no widget that is not on screen: a view in a hidden tab, or
    // one that is never shown (--check), would lay its page out in a view
    // of nothing, where no layer covers anything. It gets the size it would
    // have; the toolkit's own sizing takes over once it is shown.
    GtkWidget* widget = GTK_WIDGET(m_native);
    if (!widget || gtk_widget_get_mapped(widget))
        return;
    GtkAllocation current;
    gtk_widget_get_allocation(widget, &current);
    if (current.width > 1 && current.height > 1)
        return;
    wxSize size = GetClientSize();
    for (wxWindow* w = GetParent(); w && (size.x < 200 || size.y < 150); w = w->GetParent())
        size = w->GetClientSize();
    if (size.x < 200 || size.y < 150)
        size = wxSize(1024, 768);
    GtkRequisition minimum, natural;
    gtk_widget_get_preferred_size(widget, &minimum, &natural);
    GtkAllocation allocation = {0, 0, size.x, size.y};
    gtk_widget_size_allocate(widget, &allocation);
}

void wxIEHtmlWin::DisconnectNativeSignals()
{
    if (!m_native)
        return;
    m_probe.reset();
    for (unsigned long* handler : {&m_progressHandler, &m_hoverHandler, &m_dialogHandler, &m_menuHandler,
                                    &m_loadingHandler, &m_createHandler, &m_loadChangedHandler,
                                    &m_loadFailedHandler, &m_tlsHandler, &m_policyHandler,
                                    &m_buttonHandler, &m_keyHandler, &m_printHandler})
    {
        if (*handler)
            g_signal_handler_disconnect(m_native, *handler);
        *handler = 0;
    }
    ShowCurrentMatch(false);
    WebKitFindController* finder = webkit_web_view_get_find_controller(WEBKIT_WEB_VIEW(m_native));
    for (unsigned long* handler : {&m_notFoundHandler, &m_countedHandler})
    {
        if (*handler)
            g_signal_handler_disconnect(finder, *handler);
        *handler = 0;
    }
    m_native = nullptr;
}

bool wxIEHtmlWin::OnNativeKeyPress(unsigned keyval, unsigned state)
{
    // Typing into a check or a consent wall may pass it.
    if (m_probe)
        m_probe->PersonActed();
    const bool ctrl = (state & GDK_CONTROL_MASK) != 0, alt = (state & GDK_MOD1_MASK) != 0;
    const int code = WindowKeyCode(keyval, ctrl || alt);
    wxWindow* top = wxGetTopLevelParent(this);
    if (code == 0 || !top || !m_browser)
        return false;
    // As the toolkit offers keys to the window first, before a control's own.
    wxKeyEvent hook(wxEVT_CHAR_HOOK);
    hook.SetEventObject(m_browser);
    hook.m_keyCode = code;
    hook.m_controlDown = ctrl;
    hook.m_altDown = alt;
    hook.m_shiftDown = (state & GDK_SHIFT_MASK) != 0;
    hook.m_metaDown = (state & (GDK_SUPER_MASK | GDK_META_MASK)) != 0;
    return top->HandleWindowEvent(hook);
}

void wxIEHtmlWin::LoadUrl(const wxString& url)
{
    if (url.empty())
        return;
    if (!m_bViewMade)
    {
        m_strWaitingUrl = url;
        m_strWaitingRefusal.clear();
        return;
    }
    if (!m_browser)
        return;
    m_strRefusedUrl.clear();
    m_nStopRetries = 0;
    m_bUndecided = true;
    m_bDropUndecided = false;
    // A new address: whatever the last one did is history.
    m_bFailed = false;
    m_strFailReason.clear();
    m_strPendingReason.clear();
    m_nErrorPageStage = 0;
    // The outcome on show belonged to the page before.
    if (m_probe)
        m_probe->LoadStarted(std::string(url.utf8_str()));
    m_browser->LoadURL(ToLoadableUrl(url));
    // WebKit's own spelling of the address, which its decision will carry.
    m_strUndecidedUrl = m_native ? ViewUri(m_native) : ToLoadableUrl(url);
}

void wxIEHtmlWin::ShowRefused(const wxString& url, const wxString& reason)
{
    if (!m_bViewMade)
    {
        m_strWaitingUrl = url;
        m_strWaitingRefusal = reason;
        return;
    }
    if (!m_browser)
        return;
    // Whatever was loading is replaced, and is no outcome any more.
    m_loadTimer.Stop();
    m_bUndecided = m_bDropUndecided = false;
    m_strPendingReason.clear();
    m_strStartedUrl.clear();
    m_nErrorPageStage = 0;
    m_bLoadEnded = true;
    m_nLoadMillis = -1;
    ++m_nLoadCount;
    m_bFailed = true;
    m_strFailReason = reason;
    m_strRefusedUrl = url;
    if (!m_native)
        return;
    m_probe->LoadStarted(std::string(url.utf8_str()));
    m_probe->LoadFailed();
    // A blank base: the page gets no rights of the refused address.
    webkit_web_view_load_html(WEBKIT_WEB_VIEW(m_native), BuildErrorPage(url, reason).utf8_str(),
                              "about:blank");
}

bool wxIEHtmlWin::IsBusy(bool& busy)
{
    if (!m_bViewMade)
    {
        busy = !m_strWaitingUrl.empty();
        return true;
    }
    if (!m_browser)
    {
        busy = false;
        return false;
    }
    // WebKit's own loading state: it also ends for loads that finish
    // without a load event (same-document navigations, cancelled policies).
    if (m_native)
        busy = webkit_web_view_is_loading(WEBKIT_WEB_VIEW(m_native)) != FALSE;
    else
        busy = m_browser->IsBusy();
    return true;
}

bool wxIEHtmlWin::Stop()
{
    if (!m_bViewMade)
    {
        m_strWaitingUrl.clear();
        m_strWaitingRefusal.clear();
        return true;
    }
    if (!m_browser)
        return false;
    // WebKit starts fetching an address given to it before it asks whether
    // to navigate there. Stopping in between drops the fetch, yet the view
    // then reports loading for ever once the late question is allowed; so
    // that question is refused instead, which ends the load for good. Its
    // loading state may not even show yet: the web process tells it later.
    if (m_bUndecided)
        m_bDropUndecided = true;
    // A stop asked for is not a failure.
    m_loadTimer.Stop();
    m_strPendingReason.clear();
    m_browser->Stop();
    // A stop that reaches the page's process before the load it ends may
    // be lost there; it is asked again while the view still loads.
    m_nStopRetries = StopRetries;
    m_strStoppedUrl = m_native ? ViewUri(m_native) : wxString();
    m_stopTimer.StartOnce(StopRetryMs);
    return true;
}

void wxIEHtmlWin::OnStopTimer(wxTimerEvent&)
{
    bool busy = false;
    // Only the stopped load: the person may have followed a link since.
    if (m_nStopRetries <= 0 || !m_native || !IsBusy(busy) || !busy || ViewUri(m_native) != m_strStoppedUrl)
        return;
    --m_nStopRetries;
    m_browser->Stop();
    m_stopTimer.StartOnce(StopRetryMs);
}

bool wxIEHtmlWin::GoBack()
{
    if (!m_browser || !m_browser->CanGoBack())
        return false;
    m_browser->GoBack();
    return true;
}

bool wxIEHtmlWin::GoForward()
{
    if (!m_browser || !m_browser->CanGoForward())
        return false;
    m_browser->GoForward();
    return true;
}

bool wxIEHtmlWin::Refresh(int level)
{
    if (!m_browser)
        return false;
    if (!m_strRefusedUrl.empty())
    {
        ShowRefused(m_strRefusedUrl, m_strFailReason);
        return true;
    }
    // Reloading our error page would only show it again: ask the address.
    if (m_bFailed && IsWebAddress(GetCurrentUrl()))
    {
        LoadUrl(GetCurrentUrl());
        return true;
    }
    m_browser->Reload(level == 0 ? wxWEBVIEW_RELOAD_DEFAULT : wxWEBVIEW_RELOAD_NO_CACHE);
    return true;
}

wxString wxIEHtmlWin::GetTitle()
{
    return m_browser ? m_browser->GetCurrentTitle() : wxString();
}

bool wxIEHtmlWin::SendToParent(wxMSHTMLEvent& event)
{
    wxWindow* parent = GetParent();
    if (!parent || IsBeingDeleted() || parent->IsBeingDeleted())
        return true;  // nobody to ask: allowed
    parent->GetEventHandler()->SafelyProcessEvent(event);
    return event.IsAllowed();
}

void wxIEHtmlWin::PostToParent(const wxMSHTMLEvent& event)
{
    wxWindow* parent = GetParent();
    if (!parent || IsBeingDeleted() || parent->IsBeingDeleted())
        return;
    wxQueueEvent(parent->GetEventHandler(), event.Clone());
}

void wxIEHtmlWin::OnNavigating(wxWebViewEvent& event)
{
    m_bUndecided = false;
    // Only the stopped load's own question: had the stop ended it before it
    // asked, a later navigation (a click) goes ahead.
    if (m_bDropUndecided)
    {
        m_bDropUndecided = false;
        if (event.GetURL() == m_strUndecidedUrl)
        {
            event.Veto();
            return;
        }
    }
    wxMSHTMLEvent msg(wxEVT_MSHTML_BEFORE_NAVIGATE, GetId());
    msg.m_text = event.GetURL();
    if (!SendToParent(msg))
        event.Veto();
}

void wxIEHtmlWin::OnNewWindow(wxWebViewEvent& event)
{
    // Links with a target arrive here; wxWebView has already refused to
    // open the window itself.
    OnNativeNewWindow(event.GetURL());
}

void wxIEHtmlWin::OnLoaded(wxWebViewEvent& event)
{
    wxMSHTMLEvent msg(wxEVT_MSHTML_DOCUMENT_COMPLETE, GetId());
    msg.m_text = event.GetURL();
    PostToParent(msg);
}

void wxIEHtmlWin::OnTitleChanged(wxWebViewEvent& event)
{
    wxMSHTMLEvent msg(wxEVT_MSHTML_TITLE_CHANGE, GetId());
    msg.m_text = event.GetString();
    PostToParent(msg);
}

void wxIEHtmlWin::OnOtherWebViewEvent(wxWebViewEvent&)
{
    // Consumed: these have no counterpart among the view's events.
}

void wxIEHtmlWin::OnNativeProgress(double fraction)
{
    int progress = static_cast<int>(std::lround(fraction * 100.0));
    progress = std::max(0, std::min(100, progress));
    if (progress == m_nLastProgress)
        return;
    m_nLastProgress = progress;
    wxMSHTMLEvent msg(wxEVT_MSHTML_PROGRESS_CHANGE, GetId());
    msg.m_long1 = progress;
    msg.m_long2 = 100;
    PostToParent(msg);
}

void wxIEHtmlWin::OnNativeNewWindow(const wxString& url)
{
    // Allowed unless a handler vetoes; the event itself carries no text.
    wxMSHTMLEvent msg(wxEVT_MSHTML_NEW_WINDOW, GetId());
    if (!SendToParent(msg) || url.empty())
        return;
    if (MayOpenOutside(url))
    {
        LaunchOutside(url);
        return;
    }
    // Not opened: the address is shown instead.
    m_strStatusText = url;
    wxMSHTMLEvent status(wxEVT_MSHTML_STATUS_TEXT_CHANGE, GetId());
    status.m_text = url;
    PostToParent(status);
}

void wxIEHtmlWin::OnNativeLoadingChanged(bool loading)
{
    if (!loading)
        m_bUndecided = m_bDropUndecided = false;
}

void wxIEHtmlWin::OnNativeHoverLink(const wxString& uri)
{
    if (uri == m_strStatusText)
        return;
    m_strStatusText = uri;
    wxMSHTMLEvent msg(wxEVT_MSHTML_STATUS_TEXT_CHANGE, GetId());
    msg.m_text = uri;
    PostToParent(msg);
}

wxString wxIEHtmlWin::GetCurrentUrl() const
{
    return m_browser ? m_browser->GetCurrentURL() : wxString();
}

void wxIEHtmlWin::SetLoadTimeout(int seconds)
{
    g_loadTimeoutSeconds = seconds;
}

int wxIEHtmlWin::GetLoadTimeout()
{
    return g_loadTimeoutSeconds;
}

void wxIEHtmlWin::SetUnseen(bool unseen)
{
    m_bUnseen = unseen;
    if (m_probe)
        m_probe->SetWatching(!unseen);
    if (m_native)
        g_object_set_data(G_OBJECT(m_native), UnseenKey, unseen ? GINT_TO_POINTER(1) : nullptr);
}

bool wxIEHtmlWin::MayReceive(bool displayable, bool attachment) const
{
    return !m_bUnseen || (displayable && !attachment);
}

bool wxIEHtmlWin::OnNativePrint(void* printOperation)
{
    // Refused: the page's print() just returns.
    if (m_bUnseen || !IsShownOnScreen() || IsBeingDeleted())
        return true;
    // Not from inside WebKit's signal: the dialog runs a loop of its own.
    std::shared_ptr<void> operation(g_object_ref(printOperation), g_object_unref);
    CallAfter([this, operation] { RunPrintDialog(operation.get()); });
    return true;
}

void wxIEHtmlWin::RunPrintDialog(void* printOperation)
{
    wxWindow* top = wxGetTopLevelParent(this);
    if (!top || !m_native || !IsShownOnScreen())
        return;
    // GTK's print dialog is no dialog of the toolkit's: a stand-in with no
    // window of its own lets the hooks that know every open dialog count it
    // and end it (a quit signal ends it as Cancel).
    wxDialog standIn;
    if (wxModalDialogHook::CallEnter(&standIn) != wxID_NONE)
        return;
    webkit_print_operation_run_dialog(WEBKIT_PRINT_OPERATION(printOperation), GTK_WINDOW(top->GetHandle()));
    wxModalDialogHook::CallExit(&standIn);
}

wxString wxIEHtmlWin::BuildErrorPage(const wxString& url, const wxString& reason) const
{
    return ErrorPage::Build(wxString(), url, reason);
}

void wxIEHtmlWin::OnNativeLoadChanged(int loadEvent)
{
    switch (loadEvent)
    {
        case WEBKIT_LOAD_STARTED:
            if (m_nErrorPageStage == 1)
            {
                m_nErrorPageStage = 2;
                return;
            }
            // A refusal's page, or the blank first page of a view made for one.
            if (!m_strRefusedUrl.empty() && ViewUri(m_native) == "about:blank")
                return;
            m_strRefusedUrl.clear();
            m_nErrorPageStage = 0;
            m_bFailed = false;
            m_strFailReason.clear();
            m_strPendingReason.clear();
            m_bLoadEnded = false;
            m_loadStart = std::chrono::steady_clock::now();
            if (g_loadTimeoutSeconds > 0)
                m_loadTimer.StartOnce(g_loadTimeoutSeconds * 1000);
            m_strStartedUrl = ViewUri(m_native);
            if (!IsWebAddress(m_strStartedUrl))
                m_strStartedUrl.clear();
            m_nMainStatus = 0;
            m_probe->LoadStarted(std::string(m_strStartedUrl.utf8_str()));
            break;
        case WEBKIT_LOAD_COMMITTED:
        {
            if (m_nErrorPageStage != 0 || !m_strRefusedUrl.empty())
                break;
            // The server has answered; a slow page after that is no failure.
            m_loadTimer.Stop();
            // WebKit reports no failure for an address it refuses, such as
            // one on a restricted port: the load just ends on a blank page.
            if (!m_strStartedUrl.empty() && ViewUri(m_native) == "about:blank")
                ShowFailure(m_strStartedUrl, BlockedReason());
            break;
        }
        case WEBKIT_LOAD_FINISHED:
            if (m_nErrorPageStage == 2)
                m_nErrorPageStage = 0;
            else if (m_nErrorPageStage == 0 && !m_bLoadEnded)
            {
                // The server's own page for an error status stays on show.
                if (m_nMainStatus >= 400)
                {
                    m_bFailed = true;
                    // TRANSLATORS: %d is an HTTP status code such as 404 or 500
                    m_strFailReason = wxString::Format(_("The server answered with error %d."), m_nMainStatus);
                }
                EndLoad();
                // Only web pages have an outcome: not the start page or a
                // blank one. The address is read now: at the load's start
                // WebKit may still report the page before.
                if (IsWebAddress(ViewUri(m_native)))
                {
                    EnsureLayoutSize();
                    m_probe->LoadFinished(m_nUsualLinks);
                }
            }
            break;
        default:
            break;
    }
}

void wxIEHtmlWin::EndLoad()
{
    m_loadTimer.Stop();
    m_bLoadEnded = true;
    m_nLoadMillis = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - m_loadStart)
                                          .count());
    ++m_nLoadCount;
}

bool wxIEHtmlWin::OnNativeLoadFailed(const wxString& uri, const wxString& reason, bool cancelled)
{
    m_loadTimer.Stop();
    wxString why = m_strPendingReason;
    m_strPendingReason.clear();
    // Our own page failing must not start another one.
    if (m_nErrorPageStage != 0 || !m_strRefusedUrl.empty())
        return false;
    if (why.empty())
    {
        if (cancelled)
            return false;  // WebKit shows nothing for these either
        why = reason;
    }
    ShowFailure(uri, why);
    return true;
}

bool wxIEHtmlWin::OnNativeTlsError(const wxString& uri)
{
    m_loadTimer.Stop();
    m_strPendingReason.clear();
    if (m_nErrorPageStage != 0 || !m_strRefusedUrl.empty())
        return false;
    ShowFailure(uri, TlsReason());
    return true;
}

void wxIEHtmlWin::ShowFailure(const wxString& uri, const wxString& reason)
{
    if (!m_bLoadEnded)
        EndLoad();
    m_bFailed = true;
    m_strFailReason = reason;
    if (!m_native)
        return;
    m_probe->LoadFailed();
    m_nErrorPageStage = 1;
    // Loaded from inside the failure report, WebKit keeps the history right:
    // the error page stands in for the failed address.
    const wxString page = BuildErrorPage(uri, reason);
    webkit_web_view_load_alternate_html(WEBKIT_WEB_VIEW(m_native), page.utf8_str(), uri.utf8_str(),
                                        uri.utf8_str());
}

void wxIEHtmlWin::OnNativeResponse(int status, bool challengeHeader)
{
    m_nMainStatus = status;
    if (m_probe)
        m_probe->MainResponse(status, challengeHeader);
}

bool wxIEHtmlWin::HasVerdict() const
{
    return m_probe && m_probe->HasVerdict();
}

bool wxIEHtmlWin::IsProbing() const
{
    return m_probe && m_probe->IsPending();
}

void wxIEHtmlWin::OnLoadTimeout(wxTimerEvent&)
{
    bool busy = false;
    if (!m_native || !IsBusy(busy) || !busy)
        return;
    // WebKit reports the stopped load as failed; the reason is ours.
    m_strPendingReason = TimeoutReason();
    webkit_web_view_stop_loading(WEBKIT_WEB_VIEW(m_native));
}

bool wxIEHtmlWin::OnNativeLinkClick(int button, bool control)
{
    // A click into the page makes it the one the window's commands act on,
    // as focusing it would; WebKit's own focus does not always reach us.
    wxChildFocusEvent focus(this);
    ProcessWindowEvent(focus);
    if (m_probe)
        m_probe->PersonActed();

    const bool outside = button == 2 || (button == 1 && control);
    if (!outside || !MayOpenOutside(m_strStatusText))
        return false;
    OpenOutside(m_strStatusText);
    return true;
}

bool wxIEHtmlWin::OpenOutside(const wxString& url)
{
    return MayOpenOutside(url) && LaunchOutside(url);
}

void wxIEHtmlWin::SetZoom(double zoom)
{
    m_dZoom = std::max(MinZoom, std::min(MaxZoom, zoom));
    if (m_native)
        webkit_web_view_set_zoom_level(WEBKIT_WEB_VIEW(m_native), m_dZoom);
}

void wxIEHtmlWin::SetFindListener(FindListener listener)
{
    m_findListener = std::move(listener);
}

void wxIEHtmlWin::Find(const wxString& text)
{
    m_strFindText = text;
    m_nFindTotal = -1;
    m_nFindCurrent = 0;
    if (!m_native)
        return;
    WebKitFindController* finder = webkit_web_view_get_find_controller(WEBKIT_WEB_VIEW(m_native));
    if (text.empty())
    {
        ShowCurrentMatch(false);
        webkit_find_controller_search_finish(finder);
        OnNativeFindResult(-1);
        return;
    }
    ShowCurrentMatch(true);
    // A new search starts at the page's selection (the previous text's
    // match); the count below assumes the first match, so start from the
    // top. A world of our own, so the page's scripts cannot intercept it.
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_native), "getSelection().removeAllRanges()", -1,
                                        "orvane-find", nullptr, nullptr, nullptr, nullptr);
    const guint32 options = WEBKIT_FIND_OPTIONS_CASE_INSENSITIVE | WEBKIT_FIND_OPTIONS_WRAP_AROUND;
    webkit_find_controller_count_matches(finder, text.utf8_str(), options, G_MAXUINT);
    webkit_find_controller_search(finder, text.utf8_str(), options, G_MAXUINT);
}

void wxIEHtmlWin::FindNext(bool backwards)
{
    if (!m_native || m_strFindText.empty())
        return;
    WebKitFindController* finder = webkit_web_view_get_find_controller(WEBKIT_WEB_VIEW(m_native));
    // The controller forgets its text once a search has ended.
    if (!webkit_find_controller_get_search_text(finder))
    {
        Find(m_strFindText);
        return;
    }
    if (backwards)
        webkit_find_controller_search_previous(finder);
    else
        webkit_find_controller_search_next(finder);
    // The controller wraps around; so does the position it cannot report.
    if (m_nFindTotal > 0)
    {
        m_nFindCurrent = backwards ? (m_nFindCurrent + m_nFindTotal - 2) % m_nFindTotal + 1
                                   : m_nFindCurrent % m_nFindTotal + 1;
        if (m_findListener)
            m_findListener(m_nFindCurrent, m_nFindTotal);
    }
}

namespace
{
// Our scripts run apart from the page's, so that it cannot replace what they call.
const char ScrollWorld[] = "orvane-scroll";

void OnScrollFractionRead(GObject* view, GAsyncResult* result, gpointer data)
{
    std::unique_ptr<wxIEHtmlWin::ScrollReply> reply(static_cast<wxIEHtmlWin::ScrollReply*>(data));
    double fraction = -1;
    if (JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), result, nullptr))
    {
        if (jsc_value_is_number(value))
            fraction = jsc_value_to_double(value);
        g_object_unref(value);
    }
    (*reply)(std::isfinite(fraction) ? fraction : -1);
}
} // namespace

void wxIEHtmlWin::ReadScrollFraction(ScrollReply reply)
{
    if (!m_native || !reply)
        return;
    static const char script[] =
        "(function () { var e = document.scrollingElement || document.documentElement;"
        " if (!e) return -1; var room = e.scrollHeight - e.clientHeight;"
        " return room > 0 ? e.scrollTop / room : -1; })()";
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_native), script, -1, ScrollWorld, nullptr, nullptr,
                                        OnScrollFractionRead, new ScrollReply(std::move(reply)));
}

void wxIEHtmlWin::ScrollToFraction(double fraction)
{
    if (!m_native || !std::isfinite(fraction))
        return;
    const double bounded = std::min(1.0, std::max(0.0, fraction));
    // The number in the C locale's notation whatever the interface language.
    const std::string script =
        ("(function () { var e = document.scrollingElement || document.documentElement;"
         " if (e) e.scrollTop = " + wxString::FromCDouble(bounded, 6) + " * (e.scrollHeight - e.clientHeight); })()")
            .utf8_string();
    webkit_web_view_evaluate_javascript(WEBKIT_WEB_VIEW(m_native), script.c_str(), -1, ScrollWorld, nullptr,
                                        nullptr, nullptr, nullptr);
}

void wxIEHtmlWin::ShowCurrentMatch(bool show)
{
    if (!m_native || show == (m_findStyle != nullptr))
        return;
    WebKitUserContentManager* content = webkit_web_view_get_user_content_manager(WEBKIT_WEB_VIEW(m_native));
    if (show)
    {
        // The current match is the page's selection, drawn pale grey while
        // the find bar has the focus: beside the other matches' yellow it
        // is easy to miss. Only while finding: the page's own selection
        // colour comes back afterwards.
        m_findStyle = webkit_user_style_sheet_new(
            "::selection { background-color: #ff9632 !important; color: #000 !important; }",
            WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES, WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        webkit_user_content_manager_add_style_sheet(content, m_findStyle);
    }
    else
    {
        webkit_user_content_manager_remove_style_sheet(content, m_findStyle);
        webkit_user_style_sheet_unref(m_findStyle);
        m_findStyle = nullptr;
    }
}

void wxIEHtmlWin::EndFind()
{
    m_strFindText.clear();
    m_nFindTotal = -1;
    m_nFindCurrent = 0;
    ShowCurrentMatch(false);
    if (m_native)
        webkit_find_controller_search_finish(webkit_web_view_get_find_controller(WEBKIT_WEB_VIEW(m_native)));
}

void wxIEHtmlWin::OnNativeFindResult(int matches)
{
    // A search starts at the first match; a recount keeps the place.
    m_nFindTotal = matches;
    if (matches <= 0)
        m_nFindCurrent = 0;
    else if (m_nFindCurrent < 1 || m_nFindCurrent > matches)
        m_nFindCurrent = 1;
    if (m_findListener)
        m_findListener(m_nFindCurrent, matches);
}
