#include "NoticeBar.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

NoticeBar::NoticeBar(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, "ID_PANEL_NOTICE")
{
    m_pIcon = new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(wxART_INFORMATION, wxART_MENU));
    m_pText = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxST_ELLIPSIZE_MIDDLE);
    m_pButtonClose = new wxButton(this, wxID_ANY, _("Close"), wxDefaultPosition, wxDefaultSize);
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_pIcon, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 6);
    row->Add(m_pText, 1, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM, 4);
    row->Add(m_pButtonClose, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 4);
    SetSizerAndFit(row);
    m_pButtonClose->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (m_onClose)
            m_onClose();
    });
}

void NoticeBar::SetNotice(const wxString& text, bool problem)
{
    m_pIcon->SetBitmap(wxArtProvider::GetBitmap(problem ? wxART_WARNING : wxART_INFORMATION, wxART_MENU));
    m_pText->SetLabel(text);
    m_pText->SetToolTip(text);
    Layout();
}

wxString NoticeBar::GetNotice() const
{
    return m_pText->GetLabel();
}
