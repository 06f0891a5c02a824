#pragma once

#include "found/ResultMerge.h"
#include "results/ResultFeed.h"
#include "results/ResultList.h"

#include <wx/panel.h>
#include <wx/timer.h>

#include <string>

class BrowserManager;
class Preference;
class ResultNotebook;
class wxAuiManager;
class wxChoice;
class wxStaticText;

// All Results: what every engine's page of the search shows, merged into
// one ranked list, docked beside the result pages. It fills in as pages are
// decided, keeps the person's row and scroll position, opens a result in the
// page of the engine that ranked it highest, and copies or saves the list
// exactly as `orvane --results` prints it.
class ResultsPane : public wxPanel
{
public:
    enum Filter
    {
        All = 0,
        Agreed = 1,  // found by more than one engine
        Alone = 2,   // found by one engine
        // then "Only in <engine>" for each engine with results
    };

    ResultsPane(wxWindow* parent, BrowserManager& pages, ResultNotebook* notebook);

    // Docks itself by `manager` beside the notebook, as the preferences say.
    void Dock(wxAuiManager& manager, const Preference& preference);
    // Keeps whether it is shown, its side and its width.
    void SaveLayout(Preference& preference) const;
    // F12: shows the pane and focuses its list; hides it when the list has the focus.
    void Toggle();
    bool IsPaneShown() const;

    void NewSearch(const wxString& words, const wxString& language, const wxString& category);
    // Looks at the pages now (the pane's timer does it too).
    void Follow();

    // ", 31 found by more than one engine" for the status bar, or nothing.
    wxString SummaryNote() const;
    size_t CountAgreed() const;
    const std::vector<EngineFound>& Engines() const { return m_feed.Engines(); }
    ResultList* GetList() const { return m_list; }

    // What `--results` prints for these pages, a line each.
    wxString AllLines() const;
    std::string Json() const;
    // Asks where, then ExportTo; says so when it failed.
    void Export();
    bool ExportTo(const wxString& path, bool json) const;

    void OpenInPage();
    void OpenOutside();
    void CopyAddress();
    void CopyAll();
    void ShowInPage(size_t engine);

    // One merged result as the list shows it.
    static ResultList::Row RowFor(const ResultMerge::Merged& result, const std::vector<EngineFound>& engines);

private:
    void Rebuild();
    void ShowHeader();
    void WrapHeader();
    void RefillFilter();
    bool Passes(const ResultMerge::Merged& result) const;
    const ResultMerge::Merged* Selected() const;
    ZulIeCtrl* TurnTo(size_t engine);

    void OnTimer(wxTimerEvent& event);
    void OnKey(wxKeyEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnFilter(wxCommandEvent& event);

    BrowserManager& m_pages;
    ResultNotebook* m_notebook;  // not owned
    wxAuiManager* m_manager = nullptr;  // not owned
    ResultFeed m_feed;
    ResultMerge::List m_merged;
    std::vector<size_t> m_shown;  // indexes into m_merged.results, in the list's order
    std::vector<size_t> m_filterEngines;     // "Only in" choices' engines
    std::vector<std::string> m_filterNames;  // and their names
    wxStaticText* m_header;
    wxString m_strHeader;       // on one line
    wxString m_strHeaderLines;  // a part a line, for a narrow pane
    wxChoice* m_filter;
    ResultList* m_list;
    wxTimer m_timer;
    std::string m_words, m_language, m_category;
};
