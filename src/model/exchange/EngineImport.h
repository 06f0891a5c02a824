#pragma once

#include "catalogue/Engine.h"
#include "catalogue/EngineManager.h"
#include "exchange/ImportMessage.h"

#include <wx/string.h>

#include <memory>
#include <string>
#include <vector>

// One import: engines gathered from OpenSearch descriptions and Orvane
// catalogue files, checked against the catalogue, then added to it at once.
class EngineImport
{
public:
    // Catalogue files (backups of a large catalogue) may be bigger than a
    // description; this only bounds memory.
    static constexpr size_t MaxCatalogueBytes = 64 * 1024 * 1024;

    struct Item
    {
        wxString source;                 // the file or address it came from
        std::unique_ptr<Engine> engine;  // null when the whole source failed
        bool fromCatalogue = false;      // keeps its own language and category
        bool duplicate = false;          // its URL template is already in its group
        bool chosen = false;             // to be added by Apply
        ImportMessage problem;           // why it cannot be added
    };

    // Reads one file of either kind; each engine (or the failure) becomes an item.
    void AddFile(const wxString& path);
    // A description fetched from `address` (also the base for relative templates).
    void AddDescription(const std::string& bytes, const wxString& address);
    // A failure to obtain a source at all (e.g. a fetch that failed).
    void AddFailure(const wxString& source, const ImportMessage& problem);

    // Flags engines whose URL template the catalogue (or an earlier item)
    // already has in the same language and category: descriptions would go
    // under `language` / `category`, catalogue engines under their own. The
    // first check chooses every item that can be added and is not one; a
    // later one (another group) changes the choice only where the flag did.
    void CheckDuplicates(const EngineManager& catalogue, const wxString& language,
                         const wxString& category);

    // Adds the chosen items with one notification. Descriptions go under
    // language and category; catalogue engines keep their own language
    // unless `languageForAll` and category unless `categoryForAll` (an empty
    // one is always filled in). Indexes stay where they are free and in
    // order, else follow the catalogue's last one. Returns how many were added.
    size_t Apply(EngineManager& catalogue, const wxString& language, const wxString& category,
                 bool languageForAll = false, bool categoryForAll = false);

    // The command line's report, one line per item:
    // "added<TAB>name<TAB>url" or "skipped<TAB>name<TAB>reason", untranslated.
    // Call after Apply. Tabs and line breaks inside a field become blanks.
    std::vector<wxString> ReportLines() const;

    std::vector<Item>& Items() { return m_items; }
    const std::vector<Item>& Items() const { return m_items; }

private:
    void AddCatalogue(const wxString& path);
    static ImportMessage CheckRecord(const Engine& engine);

    std::vector<Item> m_items;
    std::vector<bool> m_added;
    bool m_bChecked = false;
};
