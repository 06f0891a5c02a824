#include "net/SuggestionRequest.h"

#include "base/KeywordEncoding.h"
#include "store/Preference.h"
#include "base/ServerAddress.h"

#include <wx/confbase.h>

namespace
{
wxString EncodeUnreserved(const wxString& text)
{
    static const char hex[] = "0123456789abcdef";
    wxString out;
    for (const unsigned char c : text.utf8_string())
    {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '.' || c == '_' || c == '~' || c == '-')
            out << static_cast<char>(c);
        else
            out << '%' << hex[c >> 4] << hex[c & 15];
    }
    return out;
}

// Codes that can be part of a key name as they are.
bool IsPlainCode(const wxString& lang)
{
    return !lang.empty() &&
           lang.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_") ==
               wxString::npos;
}
} // namespace

wxString SuggestionRequest::BuildPath(const wxString& keyword, const wxString& lang)
{
    wxString query = "/search?hl=$sugg_lang$&output=toolbar&qu=";
    query.Replace("$sugg_lang$", EncodeUnreserved(lang), false);
    wxString encoded;
    EncodeKeyword(keyword, wxEmptyString, encoded);
    return "/complete" + query + encoded;
}

bool SuggestionRequest::ParseServer(const wxString& value, wxString& host, unsigned short& port)
{
    return ParseServerAddress(value, DefaultPort, host, port);
}

bool SuggestionRequest::IsTemplate(const wxString& value)
{
    const wxString lower = value.Lower();
    const size_t schemeEnd = lower.StartsWith("https://") ? 8 : lower.StartsWith("http://") ? 7 : 0;
    if (schemeEnd == 0 || value.length() <= schemeEnd || wxString("/?#{").Find(value[schemeEnd]) != wxNOT_FOUND)
        return false;
    for (wxUniChar c : value)
    {
        if (c.GetValue() <= ' ' || c.GetValue() == 0x7F)
            return false;
    }
    return value.Find("{searchTerms}") != wxNOT_FOUND;
}

wxString SuggestionRequest::FillTemplate(const wxString& urlTemplate, const wxString& keyword,
                                         const wxString& lang)
{
    wxString encoded;
    EncodeKeyword(keyword, wxEmptyString, encoded);
    wxString out;
    size_t pos = 0;
    while (pos < urlTemplate.length())
    {
        const size_t open = urlTemplate.find('{', pos);
        const size_t close = open == wxString::npos ? wxString::npos : urlTemplate.find('}', open);
        if (close == wxString::npos)
        {
            out += urlTemplate.substr(pos);
            break;
        }
        out += urlTemplate.substr(pos, open - pos);
        const wxString name = urlTemplate.substr(open + 1, close - open - 1);
        if (name == "searchTerms")
            out += encoded;
        else if (name == "language" || name == "language?")
            out += EncodeUnreserved(lang);
        else if (name == "inputEncoding" || name == "outputEncoding" ||
                 name == "inputEncoding?" || name == "outputEncoding?")
            out += "UTF-8";
        else if (!name.EndsWith("?"))
            out += urlTemplate.substr(open, close - open + 1);  // not ours to fill
        pos = close + 1;
    }
    return out;
}

wxString SuggestionRequest::Service::Url(const wxString& keyword, const wxString& lang) const
{
    if (!classic)
        return FillTemplate(urlTemplate, keyword, lang);
    return "http://" + FormatServerAddress(host, port, DefaultPort) + BuildPath(keyword, lang);
}

bool SuggestionRequest::ReadService(wxConfigBase& config, const wxString& lang, Service& service,
                                    wxString& setting)
{
    service = Service();
    setting.clear();
    if (IsPlainCode(lang))
    {
        const wxString key = wxString("/") + PreferenceKey::SuggUrlPrefix + lang;
        wxString value;
        if (config.HasEntry(key))
            value = config.Read(key, wxString()).Trim(true).Trim(false);
        if (!value.empty())
        {
            if (!IsTemplate(value))
            {
                setting = value;
                return false;
            }
            service.classic = false;
            service.urlTemplate = value;
            return true;
        }
    }
    const wxString value = config.Read(wxString("/") + PreferenceKey::SuggHost,
                                       wxString(PreferenceDefault::SuggHost));
    if (!ParseServer(value, service.host, service.port))
    {
        setting = value;
        return false;
    }
    return true;
}
