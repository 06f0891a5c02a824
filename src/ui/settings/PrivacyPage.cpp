#include "settings/PrivacyPage.h"

#include "store/Preference.h"
#include "WebSession.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/weakref.h>

PrivacyPage::PrivacyPage(wxWindow* parent)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL, "ID_PANEL_PRIVACY")
{
    m_pCheckKeepCookies = new wxCheckBox(this, wxID_ANY, _("&Keep cookies between runs"),
                                         wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                                         "ID_CHECKBOX_KEEP_COOKIES");
    m_pCheckKeepCookies->SetToolTip(
        _("When off, cookies, stored site data and caches last for one run only."));
    auto* note = new wxStaticText(this, wxID_ANY, _("A change takes effect at the next start."));
    m_pButtonClear = new wxButton(this, wxID_ANY, _("Clear Browsing Data..."), wxDefaultPosition,
                                  wxDefaultSize, 0, wxDefaultValidator, "ID_BUTTON_CLEAR_DATA");
    m_pClearResult = new wxStaticText(this, wxID_ANY, wxEmptyString);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_pCheckKeepCookies, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(note, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pButtonClear, 0, wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pClearResult, 0, wxEXPAND | wxALL, 6);
    SetSizer(sizer);

    m_pButtonClear->Bind(wxEVT_BUTTON, &PrivacyPage::OnClear, this);
}

void PrivacyPage::Load(const Preference& pref)
{
    m_pCheckKeepCookies->SetValue(pref.m_nKeepCookies != 0);
}

void PrivacyPage::Store(Preference& pref) const
{
    pref.m_nKeepCookies = m_pCheckKeepCookies->GetValue() ? 1 : 0;
}

void PrivacyPage::OnClear(wxCommandEvent&)
{
    if (wxMessageBox(_("Forget the cookies, cached files and stored data of every site?"),
                     _("Confirm"), wxYES_NO | wxICON_QUESTION, this) != wxYES)
        return;
    m_pButtonClear->Disable();
    m_pClearResult->SetLabel(_("Clearing..."));
    wxWeakRef<PrivacyPage> self(this);
    WebSession::ClearBrowsingData([self](bool cleared) {
        if (!self)
            return;
        self->m_pButtonClear->Enable();
        self->m_pClearResult->SetLabel(cleared ? _("Browsing data cleared.")
                                               : _("Browsing data could not be cleared."));
    });
}
