#pragma once

#include "instance/CommandLine.h"

#include <cstdio>
#include <vector>

class EngineManager;

// Runs a command of the command line in this process, without a window and
// without a display: no toolkit GUI is initialised on this path.
class HeadlessCommand
{
public:
    // Prints the reply (untranslated) and returns the exit status.
    static int Run(const CommandLine& command);

    // The group the window would show at start-up, from the stored choices,
    // read without writing anything back.
    static void CurrentGroup(const EngineManager& catalogue, wxString& language, wxString& category);
    // A stored whole-number setting, or its default.
    static long StoredNumber(const char* key, long fallback);
    // Every line any command prints: escaped, tabs between fields kept.
    static void PrintLines(FILE* stream, const std::vector<wxString>& lines);
};
