#pragma once

#include "IEHtmlWin.h"

class Engine;

// One result page: a browser view that remembers its engine, tab caption,
// last URL and tab image. Its web view is made later, by the browser manager.
//
// A search may give the page its address before its load starts (the
// browser manager lets the page on show go first): until StartQueuedLoad()
// the page counts as loading, has not failed, and a stop or another load
// drops the waiting address. The page is always used as a ZulIeCtrl for that.
class ZulIeCtrl : public wxIEHtmlWin
{
public:
    ZulIeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0,
              const wxString& name = "panel");
    ~ZulIeCtrl() override;

    void QueueLoad(const wxString& url);
    bool IsQueued() const { return !m_strQueuedUrl.empty(); }
    void StartQueuedLoad();

    void LoadUrl(const wxString& url);
    bool IsBusy(bool& busy);
    bool Stop();
    // Stop as the search's Stop does it: a page whose search load had not
    // ended says so (IsStoppedBeforeLoad).
    bool StopSearch();
    // Stopped before its load (a waiting one, or one under way) ended: what
    // the view shows is not m_strPageUrl's page, and any outcome it had was
    // the page's before. Refresh then loads m_strPageUrl.
    bool IsStoppedBeforeLoad() const;
    bool Refresh(int level);
    bool HasFailed() const { return !IsQueued() && !IsStoppedBeforeLoad() && wxIEHtmlWin::HasFailed(); }
    bool HasVerdict() const { return !IsQueued() && !IsStoppedBeforeLoad() && wxIEHtmlWin::HasVerdict(); }

    Engine* m_pEngine = nullptr;   // not owned; cleared when the page is unbound
    wxString m_strEngineName;
    wxString m_strPageUrl;
    int m_nIconIndex = 2;
    bool m_bActive = false;

protected:
    wxString BuildErrorPage(const wxString& url, const wxString& reason) const override;

private:
    wxString m_strQueuedUrl;
    bool m_bStopped = false;
    bool m_bStopSettled = false;
    unsigned m_nStoppedAtLoad = 0;
};
