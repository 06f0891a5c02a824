#pragma once

#include <wx/string.h>

// The folder that holds the running executable (no trailing separator).
// The start page and its template live below it, whatever the working directory.
class ProgramFolder
{
public:
    static wxString Get();
    // Files below the program folder, e.g. File("conf/index.htm").
    static wxString File(const wxString& relative);
    // Tests run from their own binary's folder; they point this elsewhere.
    static void OverrideForTesting(const wxString& folder);
};
