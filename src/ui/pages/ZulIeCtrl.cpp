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
    wxIEHtmlWin::LoadUrl(url);
}

bool ZulIeCtrl::IsBusy(bool& busy)
{
    if (IsQueued())
    {
        busy = true;
        return true;
    }
    return wxIEHtmlWin::IsBusy(busy);
}

bool ZulIeCtrl::Stop()
{
    m_strQueuedUrl.clear();
    return wxIEHtmlWin::Stop();
}

wxString ZulIeCtrl::BuildErrorPage(const wxString& url, const wxString& reason) const
{
    return ErrorPage::Build(m_strEngineName, url, reason);
}
