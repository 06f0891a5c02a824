#include "ZulIeCtrl.h"

#include "pages/ErrorPage.h"

ZulIeCtrl::ZulIeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                     long style, const wxString& name)
    : wxIEHtmlWin(parent, id, pos, size, style, name, ViewCreation::Later)
{
}

ZulIeCtrl::~ZulIeCtrl() = default;

wxString ZulIeCtrl::BuildErrorPage(const wxString& url, const wxString& reason) const
{
    return ErrorPage::Build(m_strEngineName, url, reason);
}
