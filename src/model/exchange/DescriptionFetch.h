#pragma once

#include "exchange/ImportMessage.h"

#include <wx/string.h>

#include <functional>
#include <string>

class HttpClient;

// Fetches an OpenSearch description that a page advertises, over the
// program's HTTP client, for a worker thread.
class DescriptionFetch
{
public:
    static constexpr int TimeoutMs = 30 * 1000;

    struct Result
    {
        bool ok = false;
        bool cancelled = false;
        std::string bytes;    // the description
        wxString address;     // where it came from after redirects: the base for relative templates
        ImportMessage problem;
    };

    static Result Run(HttpClient& client, const wxString& url, const std::function<bool()>& keepGoing);
};
