#include "exchange/UrlTemplate.h"

wxString UrlTemplate::Expand(const wxString& templ, bool escapeStar,
                             const std::function<wxString(const wxString& name)>& value)
{
    wxString out;
    out.reserve(templ.length());
    for (size_t i = 0; i < templ.length(); ++i)
    {
        const wxUniChar c = templ[i];
        if (c == '*' && escapeStar)
        {
            out += wxS("%2a");
            continue;
        }
        const size_t close = c == '{' ? templ.find('}', i + 1) : wxString::npos;
        const wxString name = close == wxString::npos ? wxString() : templ.substr(i + 1, close - i - 1);
        if (name.empty() || name.find('{') != wxString::npos)
        {
            out += c;
            continue;
        }
        i = close;
        out += value(name);
    }
    return out;
}
