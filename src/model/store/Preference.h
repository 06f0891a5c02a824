#pragma once

#include "store/FrameGeometry.h"

#include <wx/arrstr.h>
#include <wx/string.h>

class wxConfigBase;

// Configuration keys and the defaults they are read with; the member names
// of Preference double as keys, so they are spelled once, here.
namespace PreferenceKey
{
constexpr const char* ShowEngineManager = "m_nShowEngineManager";
constexpr const char* PreserveLangCategory = "m_nPreserveLangCategory";
constexpr const char* Lang = "m_strLang";
constexpr const char* Category = "m_strCategory";
constexpr const char* PreserveKeyword = "m_nPreserveKeyword";
constexpr const char* KeywordNum = "m_nKeywordNum";
constexpr const char* KeywordGroup = "keyword";
constexpr const char* HideMenuBar = "m_nHideMenuBar";
constexpr const char* HideStatusBar = "m_nHideStatusBar";
constexpr const char* EnableSuggestion = "m_nEnableSuggestion";
constexpr const char* SuggLang = "m_strSuggLang";
constexpr const char* PreserveFrameSizePos = "m_nPreserveFrameSizePos";
constexpr const char* X = "x";
constexpr const char* Y = "y";
constexpr const char* W = "w";
constexpr const char* H = "h";
// The interface language (read before any window exists).
constexpr const char* UILanguage = "ui_language";
// The keyword-completion service and the host of the published version page,
// "host" or "host:port"; neither is shown in the settings dialog.
constexpr const char* SuggHost = "sugg_host";
constexpr const char* VersionHost = "version_host";
// Followed by a suggestion language code ("sugg_url_zh-CN"): that language's
// service as a URL template; missing or empty means the classic service.
constexpr const char* SuggUrlPrefix = "sugg_url_";
// Cookies kept in a file between runs (1) or for the run only (0).
constexpr const char* KeepCookies = "keep_cookies";
// Seconds a result page may wait for its server's answer before it counts
// as failed; not shown in the settings dialog.
constexpr const char* PageTimeout = "page_timeout";
// The groups searched last, most recent first ("<language><TAB><category>"
// under keys "0", "1", ...): the desktop's search providers offer them.
constexpr const char* RecentGroupsGroup = "recent_groups";
// The folder the import and export choosers last used; none: the home folder.
constexpr const char* LastFolder = "last_folder";
// How many result pages show side by side: 0 one, 1 two, 2 three, 3 two by
// two. Older versions never read it.
constexpr const char* PageLayout = "page_layout";
// Scrolling one page on show scrolls the others (1) or not (0).
constexpr const char* ScrollTogether = "scroll_together";
// The All Results pane: shown (1) or not (0), docked on the "left" or the
// "right" of the pages, and its width in pixels. Older versions never read them.
constexpr const char* ResultsPane = "results_pane";
constexpr const char* ResultsPaneSide = "results_pane_side";
constexpr const char* ResultsPaneWidth = "results_pane_width";
} // namespace PreferenceKey

namespace PreferenceDefault
{
constexpr int ShowEngineManager = 1;
constexpr int PreserveLangCategory = 1;
constexpr int PreserveKeyword = 1;
constexpr int KeywordNum = 0;
constexpr int HideMenuBar = 1;
constexpr int HideStatusBar = 1;
constexpr int EnableSuggestion = 1;
constexpr const char* SuggLang = "en";
constexpr int PreserveFrameSizePos = 1;
constexpr int X = 40;
constexpr int Y = 16;
constexpr int W = 940;
constexpr int H = 616;
constexpr const char* SuggHost = "suggestqueries.google.com";
// No host: no version check runs.
constexpr const char* VersionHost = "";
constexpr int KeepCookies = 1;
constexpr int PageTimeout = 30;
// At most this many history entries are written.
constexpr int MaxKeywords = 32;
constexpr int MaxRecentGroups = 10;
constexpr int PageLayout = 0;
constexpr int MaxPageLayout = 3;
constexpr int ScrollTogether = 0;
constexpr int ResultsPane = 0;
constexpr const char* ResultsPaneSide = "right";
constexpr int ResultsPaneWidth = 380;
constexpr int MinResultsPaneWidth = 200;
} // namespace PreferenceDefault

// The user's settings for one run; exactly one instance per process.
// Member names double as configuration keys.
class Preference
{
public:
    // The single instance, created with its defaults and loaded on first use.
    static Preference* Get();
    // Deletes the single instance; a later Get() creates and loads a fresh one.
    static void Release();

    // Deleting the single instance directly also forgets it.
    virtual ~Preference();

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
    wxArrayString m_arrRecentGroups;
    int m_nHideCaption = 1;
    int m_nHideMenuBar = 1;
    int m_nHideStatusBar = 1;
    int m_nEnableSuggestion = 0;
    wxString m_strSuggLang = PreferenceDefault::SuggLang;
    int m_nKeywordNum = 0;
    int m_nKeepCookies = PreferenceDefault::KeepCookies;
    int m_nPageTimeout = PreferenceDefault::PageTimeout;
    int m_nPageLayout = PreferenceDefault::PageLayout;
    int m_nScrollTogether = PreferenceDefault::ScrollTogether;
    int m_nResultsPane = PreferenceDefault::ResultsPane;
    wxString m_strResultsPaneSide = PreferenceDefault::ResultsPaneSide;
    int m_nResultsPaneWidth = PreferenceDefault::ResultsPaneWidth;
    wxConfigBase* m_pConfig = nullptr;  // not owned

private:
    Preference() = default;
    Preference(const Preference&) = delete;
    Preference& operator=(const Preference&) = delete;
};
