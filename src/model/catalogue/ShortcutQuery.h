#pragma once

#include "catalogue/Engine.h"
#include "catalogue/EngineManager.h"

#include <wx/string.h>

#include <map>
#include <vector>

// The catalogue's keyword shortcuts, and typed text read with them: a word
// "!x" whose x is an engine's shortcut selects that engine and leaves the
// keyword. The keyword box, the command line, the window's channel and the
// desktop search all read text through this class, so they agree.
//
// A shortcut is used when it is well formed (EngineRules) and no engine
// before it in the catalogue has the same one; later duplicates are kept in
// the file but select nothing. The table points into the catalogue: it is
// valid until the catalogue next changes.
class ShortcutQuery
{
public:
    // Tokens past this many stay in the keyword.
    static constexpr size_t MaxTokens = 20;

    struct Result
    {
        // The text without its tokens, blanks collapsed; the text as given
        // (trimmed) when no token selected anything.
        wxString keyword;
        // Every engine a token selected, in token order, each once.
        std::vector<const Engine*> selected;
        // The group to search: that of the first enabled selected engine.
        wxString language;
        wxString category;
        // The enabled selected engines of that group, in token order.
        std::vector<const Engine*> searched;
        // Enabled selected engines of other groups: not searched.
        std::vector<const Engine*> otherGroup;
        // Selected engines that are disabled: they have no page.
        std::vector<const Engine*> disabled;

        bool HasShortcut() const { return !selected.empty(); }
        // What the person is told about a search with shortcuts, one text
        // per line; empty when every selected engine is searched. Command
        // lines print them untranslated.
        std::vector<wxString> Notes(bool translated) const;
    };

    explicit ShortcutQuery(const EngineManager& catalogue);

    Result Parse(const wxString& text) const;
    // The engine that uses `shortcut` (compared folded), or null.
    const Engine* Find(const wxString& shortcut) const;
    // Whether the engine's stored shortcut selects it.
    bool IsUsed(const Engine& engine) const;
    // Enabled engines whose shortcut starts with `prefix`, in the order of
    // their folded shortcuts, at most `limit` of them.
    std::vector<const Engine*> Complete(const wxString& prefix, size_t limit) const;

    // The current word of `text` when it is a shortcut being typed: "!" and
    // at least one more character, ending at `caret` (which counts
    // characters). On true, [start, end) is the word and `prefix` what
    // follows the "!".
    static bool ShortcutWordAt(const wxString& text, size_t caret, size_t& start, size_t& end,
                               wxString& prefix);
    // Whether the character separates words ("!w" must stand alone).
    static bool IsSeparator(wxUniChar c);

private:
    std::map<wxString, const Engine*> m_byKey;  // folded shortcut -> its user; ordered for prefixes
};
