#pragma once

#include "FrameGeometry.h"

#include <wx/arrstr.h>
#include <wx/string.h>

class wxConfigBase;

// The user's settings for one run; exactly one instance per process.
// Member names double as configuration keys.
class Preference
{
public:
    // The single instance, created with its defaults and loaded on first use.
    static Preference* Get();
    // Deletes the single instance; a later Get() creates and loads a fresh one.
    static void Release();

    virtual ~Preference() = default;

    void Load();
    void Save();
    void LoadFrameGeometry(FrameGeometry& frame);
    void SaveFrameGeometry(const FrameGeometry& frame);

    int m_nPreserveFrameSizePos = 1;
    int m_nShowEngineManager = 0;
    int m_nPreserveLangCategory = 1;
    wxString m_strLang;
    wxString m_strCategory;
    int m_nPreserveKeyword = 1;
    wxArrayString m_arrKeywords;
    int m_nHideCaption = 1;
    int m_nHideMenuBar = 1;
    int m_nHideStatusBar = 1;
    int m_nEnableSuggestion = 0;
    wxString m_strSuggLang = "en";
    int m_nKeywordNum = 0;
    wxConfigBase* m_pConfig = nullptr;

private:
    Preference() = default;
};
