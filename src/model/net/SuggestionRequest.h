#pragma once

#include "store/Preference.h"

#include <wx/string.h>

class wxConfigBase;

// Where and how a keyword-completion service is asked: the classic service
// named by "sugg_host" (toolbar XML over plain HTTP), or per suggestion
// language a URL template stored under "sugg_url_<code>".
class SuggestionRequest
{
public:
    static constexpr unsigned short DefaultPort = 80;

    // "/complete/search?hl=<lang>&output=toolbar&qu=<keyword>": the language's
    // bytes outside A-Z a-z 0-9 . _ ~ - and the keyword's UTF-8 bytes
    // percent-encoded.
    static wxString BuildPath(const wxString& keyword, const wxString& lang);

    // Splits the classic service's address. Returns false for an empty or
    // malformed host or a port that is not a number from 1 to 65535; host and
    // port are then untouched.
    static bool ParseServer(const wxString& value, wxString& host, unsigned short& port);

    // A template is an http or https address holding "{searchTerms}".
    static bool IsTemplate(const wxString& value);
    // The template with "{searchTerms}" replaced by the percent-encoded UTF-8
    // keyword, "{language}" by the encoded language, the encoding parameters
    // by "UTF-8" and optional parameters ("{name?}") by nothing.
    static wxString FillTemplate(const wxString& urlTemplate, const wxString& keyword,
                                 const wxString& lang);

    // The service one language uses.
    struct Service
    {
        bool classic = true;
        wxString host = PreferenceDefault::SuggHost;  // classic
        unsigned short port = DefaultPort;
        wxString urlTemplate;         // otherwise

        // The address asking for completions of the keyword.
        wxString Url(const wxString& keyword, const wxString& lang) const;
    };

    // The service of a language as the store names it: its template when
    // "sugg_url_<lang>" is set and not empty, the classic service otherwise
    // (the default host when "sugg_host" is missing). False when the stored
    // text is malformed; `setting` then holds that text.
    static bool ReadService(wxConfigBase& config, const wxString& lang, Service& service,
                            wxString& setting);
};
