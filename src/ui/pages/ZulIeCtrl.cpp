#include "pages/ZulIeCtrl.h"

#include "pages/ErrorPage.h"

ZulIeCtrl::ZulIeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                     long style, const wxString& name)
    : wxIEHtmlWin(parent, id, pos, size, style, name, ViewCreation::Later)
{
}

ZulIeCtrl::~ZulIeCtrl() = default;

void ZulIeCtrl::QueueLoad(const wxString& url)
{
    // Whatever the page was loading, or was to load once its view exists,
    // is replaced now, as a load would replace it. An idle view is left
    // alone: a stop is still a message to its web process, which the page on
    // show would share the machine with.
    bool busy = false;
    if (!HasView() || (wxIEHtmlWin::IsBusy(busy) && busy))
        wxIEHtmlWin::Stop();
    m_strQueuedUrl = url;
    m_bStopped = false;
}

void ZulIeCtrl::StartQueuedLoad()
{
    if (!IsQueued())
        return;
    const wxString url = m_strQueuedUrl;
    m_strQueuedUrl.clear();
    wxIEHtmlWin::LoadUrl(url);
}

void ZulIeCtrl::LoadUrl(const wxString& url)
{
    m_strQueuedUrl.clear();
    m_bStopped = false;
    wxIEHtmlWin::LoadUrl(url);
}

bool ZulIeCtrl::IsBusy(bool& busy)
{
    if (IsQueued())
    {
        busy = true;
        return true;
    }
    const bool known = wxIEHtmlWin::IsBusy(busy);
    // The stopped load's own end (WebKit finishes a cancelled load, and the
    // view then reads the page before again) is over once the view is idle:
    // a load after that is a new one, such as a link followed.
    if (m_bStopped && !m_bStopSettled && known && !busy)
    {
        m_bStopSettled = true;
        m_nStoppedAtLoad = GetLoadCount();
    }
    return known;
}

bool ZulIeCtrl::Stop()
{
    m_strQueuedUrl.clear();
    return wxIEHtmlWin::Stop();
}

bool ZulIeCtrl::StopSearch()
{
    bool busy = false;
    m_bStopped = IsQueued() || (!m_strPageUrl.empty() && wxIEHtmlWin::IsBusy(busy) && busy);
    m_bStopSettled = false;
    return Stop();
}

bool ZulIeCtrl::IsStoppedBeforeLoad() const
{
    return m_bStopped && !IsQueued() && (!m_bStopSettled || GetLoadCount() == m_nStoppedAtLoad);
}

bool ZulIeCtrl::Refresh(int level)
{
    if (IsStoppedBeforeLoad())
    {
        LoadUrl(m_strPageUrl);
        return true;
    }
    return wxIEHtmlWin::Refresh(level);
}

wxString ZulIeCtrl::BuildErrorPage(const wxString& url, const wxString& reason) const
{
    return ErrorPage::Build(m_strEngineName, url, reason);
}
