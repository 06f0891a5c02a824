#pragma once

#include <wx/string.h>

// Text from files and pages made safe to print on a terminal: control
// characters (C0, DEL, C1), line and paragraph separators and the marks
// that reorder or hide text are shown as escapes ("\x1b", "\u202e"), so a
// name can neither drive the terminal nor fake a line of its own.
class TerminalText
{
public:
    // Every such character escaped, tabs and line breaks included.
    static wxString Escape(const wxString& text);
    // A printed line whose fields are separated by tabs: the tabs stay.
    static wxString EscapeLine(const wxString& line);
    // Whether the character would be escaped.
    static bool IsUnsafe(wxUint32 c);
    // A control character (C0, DEL or C1): what no web address may hold.
    static bool IsControl(wxUint32 c);
    static bool HasControl(const wxString& text);
};
