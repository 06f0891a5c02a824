#include "pages/FindBar.h"

#include "IEHtmlWin.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

FindBar::FindBar(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, "ID_PANEL_FIND")
{
    auto* label = new wxStaticText(this, wxID_ANY, _("Find:"));
    m_pText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(200, -1),
                             wxTE_PROCESS_ENTER, wxDefaultValidator, "ID_TEXT_FIND");
    // TRANSLATORS: find bar button, previous match
    m_pButtonPrev = new wxButton(this, wxID_ANY, _("&Previous"), wxDefaultPosition, wxDefaultSize);
    // TRANSLATORS: find bar button, next match
    m_pButtonNext = new wxButton(this, wxID_ANY, _("&Next"), wxDefaultPosition, wxDefaultSize);
    m_pMatches = new wxStaticText(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(120, -1));
    m_pButtonClose = new wxButton(this, wxID_ANY, _("Close"), wxDefaultPosition, wxDefaultSize);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(label, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 6);
    row->Add(m_pText, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM, 2);
    row->Add(m_pButtonPrev, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 4);
    row->Add(m_pButtonNext, 0, wxALIGN_CENTER_VERTICAL | wxLEFT, 2);
    row->Add(m_pMatches, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, 8);
    row->Add(m_pButtonClose, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    SetSizerAndFit(row);

    m_pText->Bind(wxEVT_TEXT, &FindBar::OnText, this);
    m_pText->Bind(wxEVT_KEY_DOWN, &FindBar::OnKeyDown, this);
    // Enter itself arrives as a key press above; this only keeps it from
    // ringing the bell.
    m_pText->Bind(wxEVT_TEXT_ENTER, [](wxCommandEvent&) {});
    m_pButtonPrev->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { FindNext(true); });
    m_pButtonNext->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { FindNext(false); });
    m_pButtonClose->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
        if (m_onClose)
            m_onClose();
    });
}

FindBar::~FindBar()
{
    if (m_target)
        m_target->SetFindListener({});
}

void FindBar::SetTarget(wxIEHtmlWin* page)
{
    if (m_target.get() == page)
        return;
    EndSearch();
    m_target = page;
    ShowMatches(0, -1);
    if (!page)
        return;
    wxWeakRef<FindBar> self(this);
    page->SetFindListener([self](int current, int matches) {
        if (self)
            self->ShowMatches(current, matches);
    });
    if (!m_pText->IsEmpty())
        page->Find(m_pText->GetValue());
}

void FindBar::Activate()
{
    m_pText->SetFocus();
    m_pText->SelectAll();
}

void FindBar::FindNext(bool backwards)
{
    if (m_target && !m_pText->IsEmpty())
        m_target->FindNext(backwards);
}

void FindBar::EndSearch()
{
    if (!m_target)
        return;
    m_target->SetFindListener({});
    m_target->EndFind();
    m_target = nullptr;
}

void FindBar::OnText(wxCommandEvent&)
{
    if (m_target)
        m_target->Find(m_pText->GetValue());
}

void FindBar::OnKeyDown(wxKeyEvent& event)
{
    switch (event.GetKeyCode())
    {
        case WXK_RETURN:
        case WXK_NUMPAD_ENTER:
            FindNext(event.ShiftDown());
            return;
        case WXK_ESCAPE:
            if (m_onClose)
                m_onClose();
            return;
        default:
            event.Skip();
    }
}

void FindBar::ShowMatches(int current, int matches)
{
    if (matches < 0 || m_pText->IsEmpty())
        m_pMatches->SetLabel(wxEmptyString);
    else if (matches == 0)
        m_pMatches->SetLabel(_("No matches"));
    else
        // TRANSLATORS: find bar: the current match and the number of matches
        m_pMatches->SetLabel(wxString::Format(_("%d of %d"), current, matches));
    // Whole even in a narrow window or a longer translation.
    const int width = std::max(120, m_pMatches->GetTextExtent(m_pMatches->GetLabel()).x + 8);
    if (m_pMatches->GetMinSize().x != width)
    {
        m_pMatches->SetMinSize(wxSize(width, -1));
        Layout();
    }
}
