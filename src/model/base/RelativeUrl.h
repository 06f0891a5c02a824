#pragma once

#include <wx/string.h>

// Reference resolution of RFC 3986 (section 5.2), on text as written: no
// escaping, no normalisation beyond removing dot segments. libcurl's URL
// parser re-escapes and, in the version we build on, loses parts of some
// references ("#x", queries of file: addresses).
class RelativeUrl
{
public:
    // True when `reference` starts with a scheme ("https:").
    static bool HasScheme(const wxString& reference);
    // An http or https address with a host.
    static bool IsWebAddress(const wxString& url);
    // `reference` resolved against the absolute address `base`.
    static wxString Resolve(const wxString& base, const wxString& reference);
};
