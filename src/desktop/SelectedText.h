#pragma once

#include "instance/CommandLine.h"

#include <wx/string.h>

// The text a start with --selection or --clipboard searches, read from the
// display by the starting program (the running window may not own the
// selection), in a child process of its own: the toolkit initialises GTK
// later in its own way.
class SelectedText
{
public:
    // The primary selection (else the clipboard) or the clipboard, cleaned
    // as DesktopQuery::CleanText does; empty without a display or text.
    // An owner that does not answer within TimeLimitMs in all is given up
    // on: empty, and `unreadable` set.
    static wxString Read(CommandLine::Source source, bool* unreadable = nullptr);
    static constexpr int TimeLimitMs = 3000;
};
