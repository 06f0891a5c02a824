#pragma once

#include "net/SuggestionReply.h"
#include "net/SuggestionRequest.h"

#include <wx/arrstr.h>
#include <wx/string.h>

#include <functional>
#include <string>

class HttpClient;

// One request to a suggestion service and the list it yields; runs on a
// worker thread and touches nothing but the network and the reply file.
// The classic service's reply is toolbar XML (its first line, kept as the
// reply file); a template service may answer in that format or as an
// OpenSearch JSON array, told apart by the reply's first non-blank character.
class SuggestionFetch
{
public:
    enum class Outcome
    {
        Suggestions,    // a 2xx reply was read (its list may be empty)
        Skipped,        // cancelled before a reply was read
        TimedOut,       // no complete reply before the deadline: slow, not dead
        ConnectFailed,  // no connection, TLS refused, reply cut off, redirect refused
        StatusFailed    // the service answered with a status outside 2xx
    };

    struct Result
    {
        Outcome outcome = Outcome::Skipped;
        wxArrayString suggestions;
        int status = 0;     // the reply's HTTP status, when one arrived
        std::string error;  // what went wrong, for the settings page's test
    };

    static Result Run(HttpClient& client, const SuggestionRequest::Service& service,
                      const wxString& keyword, const wxString& lang, int timeoutMs,
                      const std::function<bool()>& keepGoing = {},
                      const wxString& replyFile = SuggestionReply::DefaultFile());
};
