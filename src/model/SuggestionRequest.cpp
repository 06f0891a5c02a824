#include "SuggestionRequest.h"

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
    wxString text = value;
    text.Trim(true).Trim(false);
    wxString name = text;
    unsigned long number = DefaultPort;
    const int colon = text.Find(':', true);
    if (colon != wxNOT_FOUND)
    {
        name = text.Left(colon);
        const wxString digits = text.Mid(colon + 1);
        if (digits.empty() || digits.length() > 5 ||
            digits.find_first_not_of("0123456789") != wxString::npos || !digits.ToULong(&number) ||
            number == 0 || number > 65535)
            return false;
    }
    if (name.empty() || name.find_first_of(" \t/:") != wxString::npos)
        return false;
    host = name;
    port = static_cast<unsigned short>(number);
    return true;
}

void SuggestionRequest::ReadServer(wxConfigBase& config, wxString& host, unsigned short& port)
{
    host = DefaultHost;
    port = DefaultPort;
    const wxString value = config.Read(wxString("/") + HostKey, wxString(DefaultHost));
    ParseServer(value, host, port);
}
