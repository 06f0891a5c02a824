#pragma once

#include <wx/string.h>

#include <string>

// UTF-8 of wide text, written by hand because the toolkit's converter fails
// on the whole string when one code point has no UTF-8 form. Unpaired
// surrogates and values beyond U+10FFFF become U+FFFD, so this never fails.
void AppendUtf8(std::string& out, const wxChar* text, size_t length);
std::string ToUtf8(const wxString& text);
