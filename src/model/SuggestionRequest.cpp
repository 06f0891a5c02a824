#include "SuggestionRequest.h"

#include "ServerAddress.h"

#include "KeywordEncoding.h"
#include "Preference.h"

#include <wx/confbase.h>

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
    host = PreferenceDefault::SuggHost;
    port = DefaultPort;
    const wxString value = config.Read(wxString("/") + PreferenceKey::SuggHost,
                                       wxString(PreferenceDefault::SuggHost));
    ParseServer(value, host, port);
}
