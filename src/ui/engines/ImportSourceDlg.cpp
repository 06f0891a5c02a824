#include "engines/ImportSourceDlg.h"

#include "common/DialogFont.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>

ImportSourceDlg::ImportSourceDlg(wxWindow* parent,
                                 const std::vector<BrowserProfiles::Profile>& profiles,
                                 const std::vector<size_t>& engineCounts)
{
    Create(parent, wxID_ANY, _("Import Engines"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    SetFont(DialogFont(9));
    const int border = 4;
    auto* column = new wxBoxSizer(wxVERTICAL);

    m_pFiles = new wxRadioButton(this, wxID_ANY, _("From files (OpenSearch descriptions, catalogue files)"),
                                 wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
    column->Add(m_pFiles, 0, wxALL | wxEXPAND, border);
    m_pBrowser = new wxRadioButton(this, wxID_ANY, _("From a browser"));
    column->Add(m_pBrowser, 0, wxALL | wxEXPAND, border);

    m_pList = new wxListCtrl(this, wxID_ANY, wxDefaultPosition, FromDIP(wxSize(460, 160)),
                             wxLC_REPORT | wxLC_SINGLE_SEL);
    m_pList->AppendColumn(_("Browser"), wxLIST_FORMAT_LEFT, FromDIP(150));
    m_pList->AppendColumn(_("Profile"), wxLIST_FORMAT_LEFT, FromDIP(200));
    m_pList->AppendColumn(_("Engines"), wxLIST_FORMAT_RIGHT, FromDIP(80));
    for (size_t i = 0; i < profiles.size(); ++i)
    {
        const long row = m_pList->InsertItem(static_cast<long>(i), profiles[i].browser);
        m_pList->SetItem(row, COLUMN_PROFILE, profiles[i].name);
        m_pList->SetItem(row, COLUMN_ENGINES,
                         wxString::Format(wxS("%lu"), static_cast<unsigned long>(i < engineCounts.size() ? engineCounts[i] : 0)));
    }
    // The profile path, for telling two profiles of one name apart.
    m_pList->Bind(wxEVT_MOTION, [this, profiles](wxMouseEvent& event) {
        int flags = 0;
        const long row = m_pList->HitTest(event.GetPosition(), flags);
        m_pList->SetToolTip(row >= 0 && static_cast<size_t>(row) < profiles.size()
                                ? profiles[static_cast<size_t>(row)].folder
                                : wxString());
        event.Skip();
    });
    column->Add(m_pList, 1, wxLEFT | wxRIGHT | wxBOTTOM | wxEXPAND, border * 2);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, _("&OK"));
    buttons->Add(ok, 0, wxALL, border);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("&Cancel")), 0, wxALL, border);
    column->Add(buttons, 0, wxALL | wxALIGN_RIGHT, border);
    ok->SetDefault();
    // The same margin as the other dialogs: each control's own and this one.
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(column, 1, wxALL | wxEXPAND, border);
    SetSizerAndFit(top);

    // Shown only when some profile was found: the first one is offered.
    m_pBrowser->SetValue(profiles.size() > 0);
    if (!profiles.empty())
        m_pList->SetItemState(0, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                              wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    m_pBrowser->Enable(!profiles.empty());
    m_pFiles->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { UpdateControls(); });
    m_pBrowser->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { UpdateControls(); });
    m_pList->Bind(wxEVT_LIST_ITEM_SELECTED, [this](wxListEvent&) {
        m_pBrowser->SetValue(true);
        UpdateControls();
    });
    m_pList->Bind(wxEVT_LIST_ITEM_ACTIVATED, [this](wxListEvent&) {
        m_pBrowser->SetValue(true);
        EndModal(wxID_OK);
    });
    UpdateControls();
}

void ImportSourceDlg::UpdateControls()
{
    FindWindow(wxID_OK)->Enable(!m_pBrowser->GetValue() || m_pList->GetSelectedItemCount() > 0);
}

int ImportSourceDlg::GetProfile() const
{
    if (!m_pBrowser->GetValue())
        return -1;
    return static_cast<int>(m_pList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED));
}
