#pragma once

#include <wx/string.h>

#include <functional>

// The "{name}" placeholders of a search address, as OpenSearch descriptions
// and browsers write them. One reading for every source, so that a malformed
// brace means the same wherever an engine came from.
class UrlTemplate
{
public:
    // Replaces each "{name}" (no '{' inside) by `value(name)`; other text is
    // kept. With `escapeStar` a literal '*' becomes "%2a", so that the first
    // '*' of the result is where the words go.
    static wxString Expand(const wxString& templ, bool escapeStar,
                           const std::function<wxString(const wxString& name)>& value);
};
