#pragma once

#include <wx/string.h>

#include <vector>

// A suggestion service the settings page offers by name. Presets are data:
// the built-in ones below, and any a caller adds (catalogue engines that name
// a suggestion address, for example).
struct SuggestionPreset
{
    wxString name;         // shown as it is: a service's or an engine's name
    wxString urlTemplate;  // an http or https address holding {searchTerms}
    wxString lang;         // the suggestion language it is meant for; empty: any

    bool ServesLanguage(const wxString& code) const
    {
        return lang.empty() || lang.IsSameAs(code, false);
    }

    // The OpenSearch JSON endpoints that Bing, DuckDuckGo, Baidu and
    // Wikipedia publish.
    static std::vector<SuggestionPreset> BuiltIn();
};
