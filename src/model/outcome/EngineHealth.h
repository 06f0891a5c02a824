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
// engine is found by its group and its address and name; by one of the two
// alone when no engine of the catalogue holds the record's pair any more, so
// editing one of them keeps its history while two engines never share one.
// Engines gone from the catalogue lose theirs at the next save.
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

    // The catalogue whose engines may claim a record; it must outlive this
    // object. Without one, any engine of the group with the record's
    // address or name takes it.
    void SetCatalogue(const EngineManager* catalogue) { m_pCatalogue = catalogue; }

    // A missing file is an empty history; false (history empty) for one
    // that cannot be read as ours. Such a file, when it is a plain file, is
    // set aside under a backup name first, so that saving never loses it.
    bool Load();
    // Where the last Load set an unreadable file aside; empty when it did not.
    const wxString& GetSetAside() const { return m_strSetAside; }
    // Keeps only the engines of `engines` (all of the catalogue) and writes
    // the file safely, 0600 in the private folder.
    bool Save(const EngineArray& engines);

    void Record(const Engine& engine, PageOutcome outcome, int links, std::time_t when);
    // Corrects the engine's last outcome (its page changed after it was
    // recorded); records one when it has none.
    void Amend(const Engine& engine, PageOutcome outcome, int links);
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
    // Reads the file into the records; false when it is not ours.
    bool Read();
    EngineRecord* Find(const Engine& engine);
    const EngineRecord* Find(const Engine& engine) const;

    wxString m_path;
    wxString m_strSetAside;
    // An unreadable file that could not be set aside is never overwritten.
    bool m_bKeepFile = false;
    const EngineManager* m_pCatalogue = nullptr;
    std::vector<EngineRecord> m_records;
};
