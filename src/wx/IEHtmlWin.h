#pragma once

#include "MSHTMLEvent.h"

#include <wx/panel.h>
#include <wx/timer.h>

#include <chrono>
#include <functional>
#include <memory>

class PageProbe;
struct PageVerdict;

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
    // Shows the error page for an address that must not be loaded at all,
    // as a failed load would, without asking WebKit for it: the view stays
    // on "about:blank" and Refresh shows the page again.
    void ShowRefused(const wxString& url, const wxString& reason);
    // Result: the query succeeded; busy: the view is still loading (or, before
    // the view exists, has an address waiting for it). The page's outcome
    // may still be being decided when it is no longer busy: IsProbing.
    bool IsBusy(bool& busy);
    bool Stop();
    bool GoBack();
    bool GoForward();
    // Level 0 is a normal reload; any other level bypasses the cache.
    bool Refresh(int level);
    wxString GetTitle();

    // Null until CreateView() has run.
    wxWebView* GetWebView() const { return m_browser; }

    // The address on show; a page that failed keeps the address it failed on.
    wxString GetCurrentUrl() const;

    // How the last load ended, for the window to poll. A load with no page
    // (no such host, refused, timed out, TLS error) shows a local error page
    // instead; an error status (400 or above) on the main document counts as
    // failed too, but the server's own page is shown: it may be the check
    // that lets the person through.
    bool HasFailed() const { return m_bFailed; }
    const wxString& GetFailReason() const { return m_strFailReason; }
    // Milliseconds the last ended load took, -1 before any has ended.
    long GetLoadMillis() const { return m_nLoadMillis; }
    // Counts the loads that have ended, so a poller sees a new outcome.
    unsigned GetLoadCount() const { return m_nLoadCount; }
    // The outcome of the last web page loaded (the probe runs once a page
    // has loaded, and again after each navigation of the page's own).
    // HasVerdict: the verdict belongs to the page on show; the probe is
    // null until the view exists.
    const PageProbe* GetProbe() const { return m_probe.get(); }
    bool HasVerdict() const;
    bool IsProbing() const;
    // The engine's usual count of result links, 0 when unknown.
    void SetUsualLinks(int links) { m_nUsualLinks = links; }
    // A load whose server has not answered after this many seconds fails;
    // for every view. 0: no limit.
    static void SetLoadTimeout(int seconds);
    static int GetLoadTimeout();

    // A view nobody sees (a check's): its pages never print and never
    // download, refused before anything starts. Other views print only
    // while they are on show.
    void SetUnseen(bool unseen);
    bool IsUnseen() const { return m_bUnseen; }
    // Set (non-null) on the WebKitWebView of a view nobody sees.
    static constexpr const char* UnseenKey = "orvane-unseen";

    // 1.0 is 100%. The view keeps its zoom across the pages it loads.
    // How far down the page is scrolled, as a fraction of how far it can
    // go (0 top, 1 bottom), read by a script in a world of our own that the
    // page's scripts cannot reach. `reply` is called later with it, or with
    // -1 when the page cannot tell or cannot scroll (an empty or error page:
    // its 0 is no place); the caller makes sure what it points to still
    // exists then.
    using ScrollReply = std::function<void(double fraction)>;
    void ReadScrollFraction(ScrollReply reply);
    void ScrollToFraction(double fraction);

    void SetZoom(double zoom);
    double GetZoom() const { return m_dZoom; }

    // Find in page, as the user types: Find starts over with a new text,
    // FindNext moves on. The listener hears the current match (from 1) and
    // the number of matches (0 for none, -1 once the search has ended).
    using FindListener = std::function<void(int current, int matches)>;
    void SetFindListener(FindListener listener);
    void Find(const wxString& text);
    void FindNext(bool backwards);
    void EndFind();

    // Opens an allowed new-window request outside the program; returns false
    // when nothing could be launched. Tests replace it so that no real
    // browser starts; an empty function restores the system's launcher.
    using BrowserLauncher = std::function<bool(const wxString& url)>;
    static void SetBrowserLauncher(BrowserLauncher launcher);
    // Hands an address to the system's browser or mail program: http,
    // https and mailto only; false for anything else or a failed launch.
    static bool OpenOutside(const wxString& url);

    // Called from WebKit's GObject signals (C callbacks); not for other use.
    void OnNativeProgress(double fraction);
    void OnNativeHoverLink(const wxString& uri);
    void OnNativeLoadingChanged(bool loading);
    void OnNativeNewWindow(const wxString& url);
    void OnNativeLoadChanged(int loadEvent);
    bool OnNativeLoadFailed(const wxString& uri, const wxString& reason, bool cancelled);
    bool OnNativeTlsError(const wxString& uri);
    // A main document's answer arrived.
    void OnNativeResponse(int status, bool challengeHeader);
    // True when the click was taken: a link opened outside.
    bool OnNativeLinkClick(int button, bool control);
    // A key pressed in the view, before the page sees it: offered to the
    // window as the toolkit's char hook; true when the window used it.
    bool OnNativeKeyPress(unsigned keyval, unsigned state);
    void OnNativeFindResult(int matches);
    // A page called print(); true when it is refused or handled here.
    bool OnNativePrint(void* printOperation);
    // Whether a response may reach the page: never a download in a view
    // nobody sees.
    bool MayReceive(bool displayable, bool attachment) const;

protected:
    // The page shown for a failed load; result pages add their engine.
    virtual wxString BuildErrorPage(const wxString& url, const wxString& reason) const;

    wxWebView* m_browser = nullptr;  // child window, owned by this view

private:
    void ConnectNativeSignals();
    void EnsureLayoutSize();
    void DisconnectNativeSignals();

    void OnNavigating(wxWebViewEvent& event);
    void OnLoaded(wxWebViewEvent& event);
    void OnTitleChanged(wxWebViewEvent& event);
    void OnNewWindow(wxWebViewEvent& event);
    void OnOtherWebViewEvent(wxWebViewEvent& event);
    void OnLoadTimeout(wxTimerEvent& event);
    void OnStopTimer(wxTimerEvent& event);
    void RunPrintDialog(void* printOperation);
    void ShowFailure(const wxString& uri, const wxString& reason);
    void EndLoad();

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
    unsigned long m_loadChangedHandler = 0;
    unsigned long m_loadFailedHandler = 0;
    unsigned long m_tlsHandler = 0;
    unsigned long m_policyHandler = 0;
    unsigned long m_buttonHandler = 0;
    unsigned long m_keyHandler = 0;
    unsigned long m_notFoundHandler = 0;
    unsigned long m_countedHandler = 0;
    unsigned long m_printHandler = 0;
    bool m_bUnseen = false;
    bool m_bUndecided = false;    // LoadUrl issued, its navigation decision not yet seen
    bool m_bDropUndecided = false;  // Stop came first: refuse that decision when it arrives
    wxString m_strUndecidedUrl;     // the address of that load, as WebKit spells it
    int m_nLastProgress = -1;
    wxString m_strStatusText;
    bool m_bViewMade = false;
    wxString m_strWaitingUrl;     // LoadUrl before the view exists: loaded by CreateView
    wxString m_strWaitingRefusal; // ShowRefused before the view exists: shown by CreateView
    wxString m_strRefusedUrl;     // the refused address on show, else ""

    // Load outcome.
    std::unique_ptr<PageProbe> m_probe;
    int m_nUsualLinks = 0;
    int m_nMainStatus = 0;
    bool m_bFailed = false;
    wxString m_strFailReason;
    wxString m_strPendingReason;   // a failure found before WebKit reports the load failed
    wxString m_strStartedUrl;      // the web address the current load set out for
    bool m_bLoadEnded = true;
    long m_nLoadMillis = -1;
    unsigned m_nLoadCount = 0;
    std::chrono::steady_clock::time_point m_loadStart;
    // 1: our error page was asked for, the failed load still ending;
    // 2: the error page is loading. Its own load events are not outcomes.
    int m_nErrorPageStage = 0;
    wxTimer m_loadTimer;
    static constexpr int StopRetries = 5;
    static constexpr int StopRetryMs = 400;
    int m_nStopRetries = 0;
    wxString m_strStoppedUrl;
    wxTimer m_stopTimer;

    double m_dZoom = 1.0;
    FindListener m_findListener;
    wxString m_strFindText;
    int m_nFindTotal = -1;
    int m_nFindCurrent = 0;
    // While finding: the style that marks the current match.
    struct _WebKitUserStyleSheet* m_findStyle = nullptr;
    void ShowCurrentMatch(bool show);
};
