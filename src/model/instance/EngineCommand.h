#pragma once

#include "instance/CommandLine.h"
#include "catalogue/EngineManager.h"

#include <wx/string.h>

#include <vector>

// Runs a command of the command line against a catalogue: the same code
// serves a process without a window and a running window that was handed
// the command, so both answer alike.
class EngineCommand
{
public:
    struct Reply
    {
        std::vector<wxString> out;  // lines for standard output
        std::vector<wxString> err;  // lines for standard error
        int status = CommandLine::ExitOk;
    };

    // The group the window shows at start-up: the stored language and
    // category when the catalogue has them (and they are to be kept), else
    // the first of each; empty when the catalogue is empty.
    static void StartGroup(const EngineManager& catalogue, const wxString& storedLanguage,
                           const wxString& storedCategory, bool preferStored,
                           wxString& language, wxString& category);

    // Import, Export, ExportOpenSearch or Urls. `language` and `category`
    // are the current group, used where the options do not name one.
    // An import changes the catalogue (one notification); nothing is saved here.
    static Reply Run(const CommandLine& command, EngineManager& catalogue,
                     const wxString& language, const wxString& category);

    // The engines --check loads, in tab order: the group of the options (or
    // the current one), or with --all every group in the window's order. An
    // empty list comes with its reason in err.
    static EngineArray CheckedEngines(const CommandLine& command, EngineManager& catalogue,
                                      const wxString& language, const wxString& category,
                                      std::vector<wxString>& err);
    // The group a command names, filled in from the current one.
    static void CommandGroup(const CommandLine& command, const EngineManager& catalogue,
                             const wxString& language, const wxString& category, wxString& lang,
                             wxString& cat);

    // The command's report as one text (stdout lines then nothing else).
    static wxString Join(const std::vector<wxString>& lines);
};
