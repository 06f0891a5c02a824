// The suggestion pop-up under the keyword box and the keyword-change handling.
#include "frame/OrvaneFrame.h"
#include "suggest/SuggDlg.h"
#include "catalogue/ShortcutQuery.h"

#include <wx/combobox.h>

void OrvaneFrame::CreateSuggestionPopup()
{
    m_pSuggDlg = new SuggDlg(this, wxID_ANY);
    m_pSuggDlg->AttachKeywordBox(m_pKeywordBox);
    m_pSuggDlg->AttachCatalogue(&m_engineManager);
    // Pages loading meanwhile must not wipe a failure before it is read;
    // the next key typed lets them again.
    m_pSuggDlg->m_onStatus = [this](const wxString& text) {
        m_strHeldStatus = text;
        SetStatusText(text, 0);
    };
}

void OrvaneFrame::OnKeywordChanged(wxCommandEvent& event)
{
    m_strHeldStatus.clear();
    event.Skip();
    // The pop-up is made for the first keyword typed or chosen, not at
    // start-up: the window appears sooner, and the prompt needs none.
    if (!m_pSuggDlg)
    {
        // Shortcuts complete even with suggestions off.
        const wxString text = m_pKeywordBox->GetValue();
        size_t start = 0, end = 0;
        wxString prefix;
        if (!m_pPreference || text == PromptText() ||
            (m_pPreference->m_nEnableSuggestion == 0 &&
             !ShortcutQuery::ShortcutWordAt(text, text.length(), start, end, prefix)))
            return;
        CreateSuggestionPopup();
    }
    m_pSuggDlg->KeywordChanged();
}
