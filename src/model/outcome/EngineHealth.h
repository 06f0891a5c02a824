#pragma once

#include "catalogue/EngineManager.h"
#include "outcome/PageOutcome.h"

#include <wx/string.h>

#include <ctime>
#include <string>
#include <vector>

class Engine;

// Each engine's last outcomes with their dates, kept in a private file of
// its own beside the store (the catalogue's format stays as it is). An
// engine is found by its group and either its address or its name, so
// editing one of the two keeps its history; engines gone from the catalogue
// lose theirs at the next save.
class EngineHealth
{
public:
    static constexpr size_t Kept = 20;
    // An engine is marked when its last this many outcomes were all
    // failures, error statuses or bot checks (not empty pages).
    static constexpr size_t Failing = 3;

    struct Entry
    {
        PageOutcome outcome = PageOutcome::Failed;
        std::time_t when = 0;
        int links = 0;  // result links seen, for the engine's usual count
    };

    // path: the file; empty for DefaultPath().
    explicit EngineHealth(const wxString& path = wxString());
    static wxString DefaultPath();
    const wxString& GetPath() const { return m_path; }

    // A missing file is an empty history; false (history empty) for one
    // that cannot be read as ours.
    bool Load();
    // Keeps only the engines of `engines` (all of the catalogue) and writes
    // the file safely, 0600 in the private folder.
    bool Save(const EngineArray& engines);

    void Record(const Engine& engine, PageOutcome outcome, int links, std::time_t when);
    // Oldest first; empty for an engine never searched.
    std::vector<Entry> History(const Engine& engine) const;
    // The median result links of its pages with results; 0 when none.
    int UsualLinks(const Engine& engine) const;
    // Searches with results among the kept ones.
    static int ResultCount(const std::vector<Entry>& history);
    static bool IsFailing(const std::vector<Entry>& history);

private:
    struct EngineRecord
    {
        std::string name, url, language, category;
        std::vector<Entry> entries;
    };
    EngineRecord* Find(const Engine& engine);
    const EngineRecord* Find(const Engine& engine) const;

    wxString m_path;
    std::vector<EngineRecord> m_records;
};
