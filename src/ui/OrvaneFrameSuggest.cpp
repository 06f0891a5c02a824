// Placeholder until the suggestion pop-up lands.
#include "OrvaneFrame.h"
#include "SuggDlg.h"

void OrvaneFrame::CreateSuggestionPopup()
{
    m_pSuggDlg = new SuggDlg(this, wxID_ANY);
}

void OrvaneFrame::OnKeywordChanged(wxCommandEvent& event) { event.Skip(); }
