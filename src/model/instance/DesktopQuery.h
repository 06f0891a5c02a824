#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <vector>

class EngineManager;

// A language and a category of the catalogue: the engines one search runs.
struct SearchGroup
{
    wxString m_strLang;
    wxString m_strCategory;

    // Languages and categories match without regard to case.
    bool IsSameAs(const SearchGroup& other) const;
};

// Queries from outside the window (the desktop's search providers, the
// selected text): which group searches which words, which groups are offered
// for them, and the result ids handed out for them.
class DesktopQuery
{
public:
    static constexpr size_t MaxChars = 512;
    static constexpr size_t MaxResults = 3;
    static constexpr size_t MaxRecentGroups = 10;

    struct Target
    {
        SearchGroup group;
        wxString words;
        // Shortcut words chose the group: no other group is offered.
        bool byShortcut = false;
    };

    // Trimmed, each whitespace run (line ends included) one space, cut at
    // MaxChars characters.
    static wxString CleanText(const wxString& text);

    // The group and the words a query searches: the cleaned text, in the
    // group of its first shortcut's engine when it has one (the words keep
    // their shortcuts, so the window searches only those engines), else in
    // the current group.
    static Target Resolve(const wxString& text, const EngineManager& catalogue,
                          const SearchGroup& current);

    // The groups offered for a query, at most MaxResults: `first`, then the
    // recently searched groups (as NoteRecent keeps them), each once; a group
    // without an enabled engine is left out.
    static std::vector<SearchGroup> OfferedGroups(const EngineManager& catalogue,
                                                  const SearchGroup& first,
                                                  const wxArrayString& recent);
    static size_t EnabledEngines(const EngineManager& catalogue, const SearchGroup& group);

    // Moves `group` to the front of `recent`, keeping at most MaxRecentGroups.
    static void NoteRecent(wxArrayString& recent, const SearchGroup& group);

    // A result id names its group and carries the words:
    // "<language>/<category>/<words>" with '%' and '/' escaped in each part.
    static wxString ResultId(const Target& target);
    static bool ParseResultId(const wxString& id, Target& target);
};
