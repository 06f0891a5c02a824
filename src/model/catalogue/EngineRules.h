#pragma once

#include "catalogue/Engine.h"
#include "catalogue/EngineManager.h"

#include <wx/string.h>

#include <memory>

// The rules that the engine panel, the engine dialog and the import share,
// kept here so the windows only map results to controls and messages.
class EngineRules
{
public:
    // Decimal index text as the catalogue stores it: leading blanks and one
    // sign, digits up to the first non-digit (none give 0), saturating at the
    // 32-bit limits.
    static int ParseIndex(const wxString& text);

    // What the user typed for one record, before trimming.
    struct Input
    {
        wxString language;
        wxString category;
        wxString name;
        wxString url;
        wxString encoding;
        wxString index;
        bool enable = true;
    };

    // The checks in the order the dialog reports them; the first failing one wins.
    enum class Problem
    {
        None,
        NoLanguage,
        NoCategory,
        NoName,
        NoUrl,
        NoKeywordMark,     // the URL has no '*'
        NotWebAddress,     // the URL is not an http or https address with a host
        ControlCharacter,  // the name or URL holds a character XML cannot store
        IndexTaken         // another engine has the index
    };

    // Checks the input for `engine` (whose own index is always accepted).
    // On Problem::None, `result` holds the trimmed values to store; its mark
    // and suggestion address are copied from `engine`.
    static Problem Check(const Input& input, const Engine& engine, const EngineManager& catalogue,
                         Engine& result);
    // The translated message the dialog shows for a problem (empty for None).
    static wxString Message(Problem problem);

    // The one rule for what an engine may load, on every route an engine
    // comes in by and at search time: http or https with a host. Anything
    // else (javascript:, file:, a bare path) would run or show local things
    // next to the program's own local pages.
    static bool IsWebAddress(const wxString& url);
    // What a result page and the engine list say for an engine that breaks it.
    static wxString NotWebAddressMessage();

    // U+0001-U+001F other than tab, LF and CR, U+FFFE, U+FFFF, lone surrogates.
    static bool HasForbiddenCharacter(const wxString& text);

    // A fresh index past every one in use; saturates rather than wrapping.
    static int NextFreeIndex(const EngineManager& catalogue);
    // The panel's new record.
    static std::unique_ptr<Engine> NewEngine(const EngineManager& catalogue);
    // Every field of `source` but the shortcut, "(Copy)" after the name and a fresh index.
    static std::unique_ptr<Engine> MakeCopy(const Engine& source, const EngineManager& catalogue);

    // The entry next to `engine` in `list` (step -1 before, +1 after), or null
    // when it is not listed or has no neighbour on that side.
    static Engine* Neighbour(const EngineArray& list, const Engine* engine, int step);

    // The engine list's columns and their order: -1, 0 or +1 for ascending
    // order; a missing engine sorts first.
    enum Column
    {
        COLUMN_NAME = 0,
        COLUMN_LANGUAGE,
        COLUMN_CATEGORY,
        COLUMN_STATUS,
        COLUMN_ENCODING,
        COLUMN_INDEX,
        COLUMN_URL,
        COLUMN_SHORTCUT
    };
    static int Compare(const Engine* first, const Engine* second, int column);
    // Search order: by index, engines sharing one keep their catalogue order.
    static void SortByIndex(EngineArray& engines);

    // The position of a stored encoding name in EncodingNames, ignoring case,
    // or -1 when the list does not have it. An empty name means UTF-8.
    static int EncodingPosition(const wxString& stored);

    // Keyword shortcuts ("!w sea otter"). A shortcut is 1 to 16 letters of
    // any script (with the combining marks that follow a letter), decimal
    // digits, '-', '_' or '.'. Two shortcuts are the same when their ICU full
    // case foldings agree after NFC ("W" = "w", "STRASSE" = "straße",
    // "ΣΟΦΟΣ" = "σοφος" = "σοφοσ").
    static constexpr size_t ShortcutMaxLength = 16;
    static bool IsWellFormedShortcut(const wxString& shortcut);
    // The form shortcuts are compared in; empty for an empty text.
    static wxString ShortcutKey(const wxString& shortcut);

    enum class ShortcutProblem
    {
        None,
        Malformed,  // breaks the character or length rule
        Taken       // another engine uses it
    };
    // Checks the shortcut typed for `engine` (trimmed; empty means none).
    // On None `stored` holds what to store; on Taken `holder` is the engine
    // that uses it.
    static ShortcutProblem CheckShortcut(const wxString& typed, const Engine& engine,
                                         const EngineManager& catalogue, wxString& stored,
                                         const Engine*& holder);
    // The translated message the dialog shows (empty for None).
    static wxString ShortcutMessage(ShortcutProblem problem, const wxString& shortcut,
                                    const Engine* holder);
};
