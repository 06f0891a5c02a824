// The suggestion pop-up under the keyword box and the keyword-change handling.
#include "OrvaneFrame.h"
#include "SuggDlg.h"

void OrvaneFrame::CreateSuggestionPopup()
{
    m_pSuggDlg = new SuggDlg(this, wxID_ANY);
    m_pSuggDlg->AttachKeywordBox(m_pKeywordBox);
}

void OrvaneFrame::OnKeywordChanged(wxCommandEvent& event)
{
    event.Skip();
    if (m_pSuggDlg)
        m_pSuggDlg->KeywordChanged();
}
