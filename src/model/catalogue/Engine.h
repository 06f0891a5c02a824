#pragma once

#include <wx/string.h>

// One search engine of the catalogue. Owned by the EngineManager that lists it.
class Engine
{
public:
    Engine() = default;
    virtual ~Engine() = default;

    int m_nIndex = 0;           // ordering number within language and category
    wxString m_strLanguage;
    wxString m_strCategory;
    wxString m_strName;
    wxString m_strUrl;          // URL template; the first '*' stands for the keyword
    wxString m_strEncoding = "UTF-8";  // a name of EncodingNames, or as the file gave it
    bool m_bEnable = true;
    wxString m_strShortcut;     // keyword shortcut as stored; "" for none
    // Keyword-completion address with {searchTerms} where the keyword goes;
    // empty when the engine publishes none.
    wxString m_strSuggestUrl;
    bool m_bMark = false;       // subject of the last catalogue change; never stored
};
