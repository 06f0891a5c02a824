#pragma once

#include "MSHTMLEvent.h"

#include <wx/panel.h>

#include <functional>

class wxWebView;
class wxWebViewEvent;

// A child window that shows web pages, over wxWebView (WebKitGTK), and sends
// wxMSHTMLEvent notifications to its parent: before-navigate and new-window
// synchronously (a handler may veto), the other four posted. The event id is
// the view's window id.
//
// The web view itself may be made later than the window (ViewCreation::Later):
// a WebKit view costs tens of milliseconds, and a window full of tabs should
// not wait for all of them. Until CreateView() the window keeps the address
// it was last told to load, counts as busy while it has one, and loads it
// when the view appears. CreateView() is the one place a view is made and
// set up: per-view set-up (bindings, WebKit signals) belongs there.
class wxIEHtmlWin : public wxPanel
{
public:
    enum class ViewCreation { Now, Later };

    wxIEHtmlWin(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0,
                const wxString& name = wxPanelNameStr, ViewCreation creation = ViewCreation::Now);
    ~wxIEHtmlWin() override;

    // Makes the web view (once) and loads the waiting address, or "about:blank".
    void CreateView();
    // CreateView() has run (the view may still be missing if WebKit failed).
    bool HasView() const { return m_bViewMade; }

    // An absolute URL, "about:blank", or a plain absolute file path.
    void LoadUrl(const wxString& url);
    // Result: the query succeeded; busy: the view is still loading (or, before
    // the view exists, has an address waiting for it).
    bool IsBusy(bool& busy);
    bool Stop();
    bool GoBack();
    bool GoForward();
    // Level 0 is a normal reload; any other level bypasses the cache.
    bool Refresh(int level);
    wxString GetTitle();

    // Null until CreateView() has run.
    wxWebView* GetWebView() const { return m_browser; }

    // Opens an allowed new-window request outside the program; returns false
    // when nothing could be launched. Tests replace it so that no real
    // browser starts; an empty function restores the system's launcher.
    using BrowserLauncher = std::function<bool(const wxString& url)>;
    static void SetBrowserLauncher(BrowserLauncher launcher);

    // Called from WebKit's GObject signals (C callbacks); not for other use.
    void OnNativeProgress(double fraction);
    void OnNativeHoverLink(const wxString& uri);
    void OnNativeLoadingChanged(bool loading);
    void OnNativeNewWindow(const wxString& url);

protected:
    wxWebView* m_browser = nullptr;  // child window, owned by this view

private:
    void ConnectNativeSignals();
    void DisconnectNativeSignals();

    void OnNavigating(wxWebViewEvent& event);
    void OnLoaded(wxWebViewEvent& event);
    void OnTitleChanged(wxWebViewEvent& event);
    void OnNewWindow(wxWebViewEvent& event);
    void OnOtherWebViewEvent(wxWebViewEvent& event);

    // Synchronous: returns false when a handler vetoed.
    bool SendToParent(wxMSHTMLEvent& event);
    void PostToParent(const wxMSHTMLEvent& event);

    void* m_native = nullptr;         // the WebKitWebView behind m_browser
    unsigned long m_progressHandler = 0;
    unsigned long m_hoverHandler = 0;
    unsigned long m_dialogHandler = 0;
    unsigned long m_menuHandler = 0;
    unsigned long m_loadingHandler = 0;
    unsigned long m_createHandler = 0;
    bool m_bUndecided = false;    // LoadUrl issued, its navigation decision not yet seen
    bool m_bDropUndecided = false;  // Stop came first: refuse that decision when it arrives
    int m_nLastProgress = -1;
    wxString m_strStatusText;
    bool m_bViewMade = false;
    wxString m_strWaitingUrl;     // LoadUrl before the view exists: loaded by CreateView
};
