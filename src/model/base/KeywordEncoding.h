#pragma once

#include <wx/string.h>

#include <string>

// The keyword encodings an engine may name, in the order the engine dialog offers them.
extern const wxString EncodingNames[];
extern const size_t EncodingNamesCount;

// Percent-encodes the keyword's bytes in the named encoding (UTF-8 when the
// name is empty, "UTF-8", or unknown). Replaces what output held.
void EncodeKeyword(const wxString& keyword, const wxString& encoding, wxString& output);

// Percent-encodes bytes: letters, digits and ! ' ( ) * ~ stay, the rest become %xx.
std::string UrlEncode(const std::string& bytes);

// The engine's URL template with its first '*' replaced by the encoded keyword.
wxString BuildSearchUrl(const wxString& urlTemplate, const wxString& keyword,
                        const wxString& encoding);
// The same with a keyword already encoded (EncodeKeyword): a search encodes
// once per encoding, not once per engine.
wxString FillUrlTemplate(const wxString& urlTemplate, const wxString& encodedKeyword);
