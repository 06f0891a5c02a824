#include "frame/KeywordDropTarget.h"

#include <wx/textentry.h>

bool KeywordDropTarget::OnDropText(wxCoord, wxCoord, const wxString& text)
{
    m_pKeywordBox->SetValue(text);
    return true;
}
