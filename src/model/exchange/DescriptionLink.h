#pragma once

#include <wx/string.h>

// Finds the OpenSearch description a page advertises with
// <link rel="search" type="application/opensearchdescription+xml" href=...>
// in the page's HTML, without a script engine: link tags are plain markup.
class DescriptionLink
{
public:
    // The absolute address of the first such link (relative ones resolved
    // against <base href> or the page's own address), or "".
    static wxString Find(const wxString& html, const wxString& pageUrl);
};
