#pragma once

#include "IEHtmlWin.h"

class Engine;

// One result page: a browser view that remembers its engine, tab caption,
// last URL and tab image. Its web view is made later, by the browser manager.
class ZulIeCtrl : public wxIEHtmlWin
{
public:
    ZulIeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
              const wxSize& size = wxDefaultSize, long style = 0,
              const wxString& name = "panel");
    ~ZulIeCtrl() override;

    Engine* m_pEngine = nullptr;   // not owned; cleared when the page is unbound
    wxString m_strEngineName;
    wxString m_strPageUrl;
    int m_nIconIndex = 2;
    bool m_bActive = false;

protected:
    wxString BuildErrorPage(const wxString& url, const wxString& reason) const override;
};
