#pragma once

#include <wx/panel.h>

class wxButton;
class wxCheckBox;
class wxStaticText;
class Preference;

// The settings dialog's "Privacy" page: whether cookies are kept between
// runs, and "Clear Browsing Data...", which acts at once, not on OK.
class PrivacyPage : public wxPanel
{
public:
    explicit PrivacyPage(wxWindow* parent);

    void Load(const Preference& pref);
    void Store(Preference& pref) const;

    wxCheckBox* m_pCheckKeepCookies = nullptr;
    wxButton* m_pButtonClear = nullptr;
    wxStaticText* m_pClearResult = nullptr;

private:
    void OnClear(wxCommandEvent& event);
};
