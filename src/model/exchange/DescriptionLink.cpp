#include "exchange/DescriptionLink.h"

#include "base/RelativeUrl.h"

#include <algorithm>
#include <map>

namespace
{
bool IsSpace(wxUniChar c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

// The longest reference looked at, '&' and ';' included ("&#x010FFFF;").
const size_t MaxReferenceLength = 11;

// The five predefined entities and numeric references; others stay as written.
// One pass: a reference ends within a few characters of its '&', so that is
// as far as a ';' is looked for (an attribute of '&'s is a page's to make).
wxString DecodeEntities(const wxString& text)
{
    if (text.find('&') == wxString::npos)
        return text;
    static const std::map<wxString, wxString> named = {
        {wxS("amp"), wxS("&")}, {wxS("lt"), wxS("<")}, {wxS("gt"), wxS(">")},
        {wxS("quot"), wxS("\"")}, {wxS("apos"), wxS("'")}};
    wxString out;
    out.reserve(text.length());
    const size_t n = text.length();
    for (size_t i = 0; i < n; ++i)
    {
        if (text[i] != '&')
        {
            out += text[i];
            continue;
        }
        size_t semi = i + 1;
        const size_t limit = std::min(n, i + MaxReferenceLength);
        while (semi < limit && text[semi] != ';')
            ++semi;
        if (semi < limit)
        {
            const wxString name = text.substr(i + 1, semi - i - 1);
            unsigned long code = 0;
            const auto it = named.find(name.Lower());
            if (it != named.end())
            {
                out += it->second;
                i = semi;
                continue;
            }
            if (name.StartsWith(wxS("#")) &&
                ((name.length() > 2 && (name[1] == 'x' || name[1] == 'X'))
                     ? name.Mid(2).ToULong(&code, 16)
                     : name.Mid(1).ToULong(&code, 10)) &&
                code > 0 && code < 0x110000 && (code < 0xD800 || code > 0xDFFF))
            {
                out += wxUniChar(static_cast<wxUint32>(code));
                i = semi;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The attributes of the tag whose name ends at `pos`, up to its '>'.
std::map<wxString, wxString> Attributes(const wxString& html, size_t& pos)
{
    std::map<wxString, wxString> attributes;
    const size_t n = html.length();
    while (pos < n && html[pos] != '>')
    {
        while (pos < n && (IsSpace(html[pos]) || html[pos] == '/'))
            ++pos;
        const size_t nameStart = pos;
        while (pos < n && !IsSpace(html[pos]) && html[pos] != '=' && html[pos] != '>' && html[pos] != '/')
            ++pos;
        const wxString name = html.substr(nameStart, pos - nameStart).Lower();
        while (pos < n && IsSpace(html[pos]))
            ++pos;
        wxString value;
        if (pos < n && html[pos] == '=')
        {
            ++pos;
            while (pos < n && IsSpace(html[pos]))
                ++pos;
            if (pos < n && (html[pos] == '"' || html[pos] == '\''))
            {
                const size_t close = html.find(html[pos], pos + 1);
                const size_t end = close == wxString::npos ? n : close;
                value = html.substr(pos + 1, end - pos - 1);
                pos = end == n ? n : end + 1;
            }
            else
            {
                const size_t start = pos;
                while (pos < n && !IsSpace(html[pos]) && html[pos] != '>')
                    ++pos;
                value = html.substr(start, pos - start);
            }
        }
        if (!name.empty() && !attributes.count(name))
            attributes[name] = DecodeEntities(value);
        if (pos == nameStart && pos < n && html[pos] != '>')
            ++pos;  // a stray character: never stand still
    }
    return attributes;
}

bool HasToken(const wxString& list, const wxString& token)
{
    wxString word;
    for (size_t i = 0; i <= list.length(); ++i)
    {
        if (i == list.length() || IsSpace(list[i]))
        {
            if (word.IsSameAs(token, false))
                return true;
            word.clear();
        }
        else
            word += list[i];
    }
    return false;
}
} // namespace

wxString DescriptionLink::Find(const wxString& html, const wxString& pageUrl)
{
    const wxString lower = html.Lower();
    wxString base = pageUrl;
    wxString found;
    size_t pos = 0;
    while ((pos = lower.find('<', pos)) != wxString::npos)
    {
        if (lower.compare(pos, 4, wxS("<!--")) == 0)
        {
            const size_t end = lower.find(wxS("-->"), pos + 4);
            if (end == wxString::npos)
                break;
            pos = end + 3;
            continue;
        }
        size_t nameEnd = pos + 1;
        while (nameEnd < lower.length() &&
               ((lower[nameEnd] >= 'a' && lower[nameEnd] <= 'z') ||
                (lower[nameEnd] >= '0' && lower[nameEnd] <= '9')))
            ++nameEnd;
        const wxString tag = lower.substr(pos + 1, nameEnd - pos - 1);
        pos = nameEnd;
        if (tag != wxS("link") && tag != wxS("base"))
            continue;
        auto attributes = Attributes(html, pos);
        if (pos >= html.length())
            break;  // cut off before its '>': not a tag
        if (tag == wxS("base"))
        {
            if (attributes.count(wxS("href")) && found.empty())
                base = RelativeUrl::Resolve(pageUrl, attributes[wxS("href")].Strip(wxString::both));
            continue;
        }
        if (found.empty() && HasToken(attributes[wxS("rel")], wxS("search")) &&
            attributes[wxS("type")].Strip(wxString::both).IsSameAs(
                wxS("application/opensearchdescription+xml"), false) &&
            !attributes[wxS("href")].Strip(wxString::both).empty())
            found = attributes[wxS("href")].Strip(wxString::both);
    }
    if (found.empty())
        return wxString();
    return RelativeUrl::HasScheme(found) ? found : RelativeUrl::Resolve(base, found);
}
