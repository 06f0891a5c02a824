#pragma once

#include "instance/CommandLine.h"

#include <wx/string.h>

// The text a start with --selection or --clipboard searches, read from the
// display in the starting process: the running window may not own the
// selection, and a window that starts reads it before its own takes over.
class SelectedText
{
public:
    // The primary selection (else the clipboard) or the clipboard, as is;
    // empty without a display or without text.
    static wxString Read(CommandLine::Source source);
};
