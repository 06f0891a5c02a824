#pragma once

#include <wx/string.h>

class wxConfigBase;

// Where and how the keyword-completion service is asked.
class SuggestionRequest
{
public:
    static constexpr unsigned short DefaultPort = 80;

    // "/complete/search?hl=<lang>&output=toolbar&qu=<keyword>": the language as
    // given, the keyword percent-encoded from its UTF-8 bytes.
    static wxString BuildPath(const wxString& keyword, const wxString& lang);

    // Splits "host" or "host:port". Returns false for an empty host or a port
    // that is not a number from 1 to 65535; host and port are then untouched.
    static bool ParseServer(const wxString& value, wxString& host, unsigned short& port);

    // The service named in the store (the default one when the key is missing
    // or malformed).
    static void ReadServer(wxConfigBase& config, wxString& host, unsigned short& port);
};
