#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

// The program's arguments: either words to search in the window, or one
// command that runs without a display (and through a running window).
class CommandLine
{
public:
    enum class Action
    {
        Window,            // no command: start the window (searching the words, if any)
        Help,
        Version,
        Import,            // arguments: the files
        ImportBrowser,     // argument: a browser or profile name to match, if any
        ListBrowsers,
        Export,            // argument: the catalogue file to write
        ExportOpenSearch,  // argument: the folder
        Urls,              // arguments: the words
        Check,             // arguments: the words; loads every engine of the group and reports its outcome
        Results,           // arguments: the words; loads them as Check does and prints what they found, merged
        UsageError
    };

    // Where the window's words come from instead of the arguments.
    enum class Source
    {
        Arguments,
        Selection,  // the primary selection, else the clipboard
        Clipboard
    };

    // Exit statuses of the commands.
    static constexpr int ExitOk = 0;
    static constexpr int ExitNothing = 1;
    static constexpr int ExitUsage = 2;

    // argv without the program name.
    static CommandLine Parse(const wxArrayString& args);
    // The options, for --help and usage errors; not translated.
    static wxString Usage();

    // Check and Results: the group's pages are loaded in views of their own.
    bool LoadsPages() const { return m_action == Action::Check || m_action == Action::Results; }

    // The arguments joined by blanks and trimmed: the window's keyword and --urls' words.
    wxString Words() const;
    // File and folder arguments made absolute against `folder`, so that
    // another process (the running window) reads the same paths.
    void MakePathsAbsolute(const wxString& folder);

    // The command as arguments again (with "--" before the arguments), for
    // handing it to a running window.
    wxArrayString ToArgs() const;

    Action m_action = Action::Window;
    // With Selection or Clipboard, m_args (given after "--") are the text
    // already read from the display.
    Source m_source = Source::Arguments;
    bool m_bNewSearch = false;  // the window up with its keyword box ready to type into
    wxArrayString m_args;
    wxString m_strLanguage;
    wxString m_strCategory;
    bool m_bHasLanguage = false;
    bool m_bHasCategory = false;
    bool m_bAll = false;  // --check, --results: every group, not one
    bool m_bJson = false;  // --results: one JSON document
    size_t m_nLimit = 0;   // --results: at most this many merged results, 0 for all
    wxString m_strError;  // for UsageError
};
