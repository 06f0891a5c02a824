#pragma once

#include <wx/string.h>

// The small local page a result page shows instead of a site that could not
// be loaded: the engine, the address, the reason and a "Try again" link.
namespace ErrorPage
{
// Every text is inserted as HTML text; the link goes back to the address
// only when it is an http or https one (anything else would be a script or
// a local file the page has no business opening).
wxString Build(const wxString& engineName, const wxString& url, const wxString& reason);

// Text as HTML text: markup characters escaped.
wxString Escape(const wxString& text);
} // namespace ErrorPage
