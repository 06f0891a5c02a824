// The suggestion pop-up under the keyword box and the keyword-change handling.
#include "OrvaneFrame.h"
#include "SuggDlg.h"

#include <wx/combobox.h>

void OrvaneFrame::CreateSuggestionPopup()
{
    m_pSuggDlg = new SuggDlg(this, wxID_ANY);
    m_pSuggDlg->AttachKeywordBox(m_pKeywordBox);
}

void OrvaneFrame::OnKeywordChanged(wxCommandEvent& event)
{
    m_strHeldStatus.clear();
    event.Skip();
    // The pop-up is made for the first keyword typed or chosen, not at
    // start-up: the window appears sooner, and the prompt needs none.
    if (!m_pSuggDlg)
    {
        if (!m_pPreference || m_pPreference->m_nEnableSuggestion == 0 ||
            m_pKeywordBox->GetValue() == PromptText())
            return;
        CreateSuggestionPopup();
    }
    m_pSuggDlg->KeywordChanged();
}
