#include "SuggestionRequest.h"

#include "ServerAddress.h"

#include "KeywordEncoding.h"

#include <wx/confbase.h>

const char SuggestionRequest::HostKey[] = "sugg_host";
const char SuggestionRequest::DefaultHost[] = "suggestqueries.google.com";

wxString SuggestionRequest::BuildPath(const wxString& keyword, const wxString& lang)
{
    wxString query = "/search?hl=$sugg_lang$&output=toolbar&qu=";
    query.Replace("$sugg_lang$", lang, false);
    wxString encoded;
    EncodeKeyword(keyword, wxEmptyString, encoded);
    return "/complete" + query + encoded;
}

bool SuggestionRequest::ParseServer(const wxString& value, wxString& host, unsigned short& port)
{
    return ParseServerAddress(value, DefaultPort, host, port);
}

void SuggestionRequest::ReadServer(wxConfigBase& config, wxString& host, unsigned short& port)
{
    host = DefaultHost;
    port = DefaultPort;
    const wxString value = config.Read(wxString("/") + HostKey, wxString(DefaultHost));
    ParseServer(value, host, port);
}
