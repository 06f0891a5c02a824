#pragma once

#include <wx/string.h>

// An address as a person reads it, as browsers show theirs: percent-escapes
// of UTF-8 text beyond ASCII become the characters they stand for
// ("%E3%83%A9" shows "ラ"). Escapes of ASCII (a space, "&", "/", "%") stay,
// since decoding them would change what the address says; so do spaces,
// controls and the marks that reorder or hide text, and anything that is
// not valid UTF-8, so that no address can pass for another.
class ShownAddress
{
public:
    static wxString Decode(const wxString& address);
};
