#include "IEHtmlWin.h"

#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <webkit2/webkit2.h>

#include <cmath>
#include <vector>

namespace
{
wxIEHtmlWin::BrowserLauncher& Launcher()
{
    static wxIEHtmlWin::BrowserLauncher launcher;
    return launcher;
}

bool LaunchOutside(const wxString& url)
{
    if (Launcher())
        return Launcher()(url);
    return wxLaunchDefaultBrowser(url);
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

    ConnectNativeSignals();
}

wxIEHtmlWin::~wxIEHtmlWin()
{
    if (!m_browser)
        return;
    // Nothing from WebKit may reach this object once its destruction began:
    // drop the signal handlers and the bindings, then delete the web view
    // ourselves rather than leave it to the base class.
    DisconnectNativeSignals();
    m_browser->Unbind(wxEVT_WEBVIEW_NAVIGATING, &wxIEHtmlWin::OnNavigating, this);
    m_browser->Unbind(wxEVT_WEBVIEW_NEWWINDOW, &wxIEHtmlWin::OnNewWindow, this);
    m_browser->Unbind(wxEVT_WEBVIEW_LOADED, &wxIEHtmlWin::OnLoaded, this);
    m_browser->Unbind(wxEVT_WEBVIEW_TITLE_CHANGED, &wxIEHtmlWin::OnTitleChanged, this);
    m_browser->Unbind(wxEVT_WEBVIEW_NAVIGATED, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    m_browser->Unbind(wxEVT_WEBVIEW_ERROR, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    m_browser->Unbind(wxEVT_WEBVIEW_FULLSCREEN_CHANGED, &wxIEHtmlWin::OnOtherWebViewEvent, this);
    m_browser->Stop();
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
}

void wxIEHtmlWin::DisconnectNativeSignals()
{
    if (!m_native)
        return;
    for (unsigned long* handler : {&m_progressHandler, &m_hoverHandler, &m_dialogHandler, &m_menuHandler,
                                    &m_loadingHandler, &m_createHandler})
    {
        if (*handler)
            g_signal_handler_disconnect(m_native, *handler);
        *handler = 0;
    }
    m_native = nullptr;
}

void wxIEHtmlWin::LoadUrl(const wxString& url)
{
    if (url.empty())
        return;
    if (!m_bViewMade)
    {
        m_strWaitingUrl = url;
        return;
    }
    if (!m_browser)
        return;
    m_bUndecided = true;
    m_bDropUndecided = false;
    m_browser->LoadURL(ToLoadableUrl(url));
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
        return true;
    }
    if (!m_browser)
        return false;
    bool busy = false;
    // WebKit starts fetching an address given to it before it asks whether
    // to navigate there. Stopping in between drops the fetch, yet the view
    // then reports loading for ever once the late question is allowed; so
    // that question is refused instead, which ends the load for good.
    if (m_bUndecided && IsBusy(busy) && busy)
        m_bDropUndecided = true;
    m_browser->Stop();
    return true;
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
    if (m_bDropUndecided)
    {
        m_bDropUndecided = false;
        event.Veto();
        return;
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
    if (SendToParent(msg) && !url.empty())
        LaunchOutside(url);
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
