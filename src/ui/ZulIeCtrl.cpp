#include "ZulIeCtrl.h"

ZulIeCtrl::ZulIeCtrl(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size,
                     long style, const wxString& name)
    : wxIEHtmlWin(parent, id, pos, size, style, name, ViewCreation::Later)
{
}

ZulIeCtrl::~ZulIeCtrl() = default;
