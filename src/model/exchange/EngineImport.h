#pragma once

#include "catalogue/Engine.h"
#include "catalogue/EngineManager.h"
#include "exchange/BrowserEngine.h"
#include "exchange/BrowserProfiles.h"
#include "exchange/ImportMessage.h"

#include <wx/string.h>

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

// One import: engines gathered from OpenSearch descriptions, Orvane
// catalogue files and browser profiles, checked against the catalogue, then
// added to it at once.
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
        // Not a duplicate, but one in its group has the same scheme, host,
        // path and search parameter (it differs in other parameters only).
        bool probable = false;
        bool chosen = false;             // to be added by Apply
        ImportMessage problem;           // why it cannot be added
        ImportMessage shortcutNote;      // why its shortcut is left out (it is added without)
    };

    // Reads one file of any kind, told apart by content (a description, a
    // catalogue file, a browser's search.json.mozlz4 or Web Data); each
    // engine (or the failure) becomes an item.
    void AddFile(const wxString& path);
    // The engines of one browser profile.
    void AddProfile(const BrowserProfiles::Profile& profile);
    // A description fetched from `address` (also the base for relative templates).
    void AddDescription(const std::string& bytes, const wxString& address);
    // A failure to obtain a source at all (e.g. a fetch that failed).
    void AddFailure(const wxString& source, const ImportMessage& problem);

    // Checks every item's record (a web address with a '*', a name, no
    // control characters: whatever route it came by) and flags engines whose
    // URL template the catalogue (or an earlier item) already has in the same
    // language and category: descriptions would go under `language` /
    // `category`, catalogue engines under their own. The first check chooses
    // every item that can be added and is not one; a later one (another
    // group) changes the choice only where the flag did. A shortcut the
    // catalogue (or an earlier item) already uses, or one that is not valid,
    // gets a note: the engine is added without it.
    // Engines that are probably in the group already (`probable`) are not
    // chosen at first either; the person may still choose them.
    void CheckDuplicates(const EngineManager& catalogue, const wxString& language,
                         const wxString& category);
    // Scheme and host (without regard to case), path and the name of the
    // parameter that carries the keyword: what two addresses of one engine
    // share. Empty when the keyword is not in a parameter.
    static wxString Likeness(const wxString& url);

    // Adds the chosen items that pass the record check, with one notification. Descriptions go under
    // language and category; catalogue engines keep their own language
    // unless `languageForAll` and category unless `categoryForAll` (an empty
    // one is always filled in). Indexes stay where they are free and in
    // order, else follow the catalogue's last one. A shortcut an engine
    // brings is kept when it is valid and free, else dropped with a note.
    // Returns how many were added.
    size_t Apply(EngineManager& catalogue, const wxString& language, const wxString& category,
                 bool languageForAll = false, bool categoryForAll = false);

    // The command line's report, one line per item:
    // "added<TAB>name<TAB>url" or "skipped<TAB>name<TAB>reason", untranslated;
    // an added engine whose shortcut was dropped gets a line
    // "dropped<TAB>name<TAB>reason" after its own.
    // Call after Apply. Tabs and line breaks inside a field become blanks.
    std::vector<wxString> ReportLines() const;

    std::vector<Item>& Items() { return m_items; }
    const std::vector<Item>& Items() const { return m_items; }

private:
    void AddCatalogue(const wxString& path);
    void AddBrowserEngines(const wxString& path, std::vector<BrowserEngine>& engines,
                           const ImportMessage& note);
    static ImportMessage CheckRecord(const Engine& engine);
    void NoteTakenShortcuts(const EngineManager& catalogue, const std::vector<size_t>& chosen);
    void KeepFreeShortcuts(const EngineManager& catalogue, const std::vector<size_t>& chosen);

    std::vector<Item> m_items;
    std::vector<bool> m_added;
    bool m_bChecked = false;
};
