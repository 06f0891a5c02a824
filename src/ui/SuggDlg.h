#pragma once

#include <wx/arrstr.h>
#include <wx/dialog.h>

class wxComboBox;

// Borderless pop-up under the keyword box that lists keyword suggestions.
class SuggDlg : public wxDialog
{
public:
    SuggDlg(wxWindow* parent, wxWindowID id = wxID_ANY,
            const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
    ~SuggDlg() override;

    void FetchSuggestions(const wxString& keyword);
    void SetSuggestions(const wxArrayString& suggestions);

    bool m_bSuggAvailable = true;
    wxComboBox* m_pKeywordBox = nullptr;  // not owned
    wxString m_strKeyword;
    unsigned m_nSuggCount = 0;
};
