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
        Export,            // argument: the catalogue file to write
        ExportOpenSearch,  // argument: the folder
        Urls,              // arguments: the words
        UsageError
    };

    // Exit statuses of the commands.
    static constexpr int ExitOk = 0;
    static constexpr int ExitNothing = 1;
    static constexpr int ExitUsage = 2;

    // argv without the program name.
    static CommandLine Parse(const wxArrayString& args);
    // The options, for --help and usage errors; not translated.
    static wxString Usage();

    // The arguments joined by blanks and trimmed: the window's keyword and --urls' words.
    wxString Words() const;
    // File and folder arguments made absolute against `folder`, so that
    // another process (the running window) reads the same paths.
    void MakePathsAbsolute(const wxString& folder);

    // The command as arguments again (with "--" before the arguments), for
    // handing it to a running window.
    wxArrayString ToArgs() const;

    Action m_action = Action::Window;
    wxArrayString m_args;
    wxString m_strLanguage;
    wxString m_strCategory;
    bool m_bHasLanguage = false;
    bool m_bHasCategory = false;
    wxString m_strError;  // for UsageError
};
