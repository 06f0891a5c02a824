// Placeholder until the suggestion pop-up lands.
#include "SuggDlg.h"

SuggDlg::SuggDlg(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxDialog(parent, id, wxEmptyString, pos, size, wxSIMPLE_BORDER, "id")
{
}

SuggDlg::~SuggDlg() = default;

void SuggDlg::FetchSuggestions(const wxString& keyword) { m_strKeyword = keyword; }

void SuggDlg::SetSuggestions(const wxArrayString& suggestions) { m_nSuggCount = suggestions.size(); }
