#pragma once

#include <wx/dnd.h>

class wxTextEntry;

// Text dropped on the keyword box replaces its whole text; the drop is
// always accepted. The box reports the change as if it had been typed.
class KeywordDropTarget : public wxTextDropTarget
{
public:
    explicit KeywordDropTarget(wxTextEntry* keywordBox) : m_pKeywordBox(keywordBox) {}

    bool OnDropText(wxCoord x, wxCoord y, const wxString& text) override;

private:
    wxTextEntry* m_pKeywordBox;  // not owned: the window that owns this target
};
