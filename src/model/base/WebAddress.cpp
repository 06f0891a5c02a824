#include "base/WebAddress.h"

#include <libpsl.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace
{
int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// The list Debian ships (kept current by the publicsuffix package) when it
// can be read, else the copy built into libpsl. Read once, never changed.
const psl_ctx_t* SuffixList()
{
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* latest = psl_latest(nullptr);
        return latest ? latest : psl_builtin();
    }();
    return list;
}

bool IsAddressLiteral(const std::string& host)
{
    if (host.empty() || host.front() == '[')
        return true;
    return std::all_of(host.begin(), host.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; });
}

std::string Base64UrlDecode(const std::string& text)
{
    std::string out;
    int bits = 0;
    unsigned value = 0;
    for (char c : text)
    {
        int digit;
        if (c >= 'A' && c <= 'Z') digit = c - 'A';
        else if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9') digit = c - '0' + 52;
        else if (c == '-' || c == '+') digit = 62;
        else if (c == '_' || c == '/') digit = 63;
        else break;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8)
        {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xff);
        }
    }
    return out;
}

// A value that is, or encodes, an absolute web address.
std::string AddressIn(const std::string& raw, const std::string& baseScheme)
{
    std::string value = WebAddress::PercentDecode(raw, true);
    // Some wrappers encode twice.
    if (value.find("%3A") != std::string::npos || value.find("%3a") != std::string::npos)
    {
        const std::string twice = WebAddress::PercentDecode(value, false);
        if (WebAddress::IsWebAddress(twice))
            value = twice;
    }
    if (value.compare(0, 2, "//") == 0 && value.size() > 2 && value[2] != '/')
        value = baseScheme + ":" + value;
    if (WebAddress::IsWebAddress(value))
        return value;
    // base64url of "http" begins "aHR0c"; a short prefix may come before it.
    const size_t start = raw.find("aHR0c");
    if (start != std::string::npos && start <= 3)
    {
        const std::string decoded = Base64UrlDecode(raw.substr(start));
        if (WebAddress::IsWebAddress(decoded))
            return decoded;
    }
    return {};
}

std::vector<std::string> SplitOn(const std::string& text, char separator)
{
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;)
    {
        const size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}
} // namespace

std::string WebAddress::Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string WebAddress::PercentDecode(const std::string& text, bool plusIsSpace)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0)
        {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        }
        else
            out += plusIsSpace && text[i] == '+' ? ' ' : text[i];
    }
    return out;
}

bool WebAddress::Split(const std::string& text, Parts& parts)
{
    const size_t colon = text.find("://");
    if (colon == std::string::npos)
        return false;
    parts.scheme = Lower(text.substr(0, colon));
    if (parts.scheme != "http" && parts.scheme != "https")
        return false;
    const size_t start = colon + 3;
    size_t end = start;
    while (end < text.size() && text[end] != '/' && text[end] != '?' && text[end] != '#')
        ++end;
    std::string authority = text.substr(start, end - start);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    parts.port.clear();
    if (!authority.empty() && authority.front() == '[')
    {
        const size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        if (close + 1 < authority.size() && authority[close + 1] == ':')
            parts.port = authority.substr(close + 2);
        authority = authority.substr(0, close + 1);
    }
    else
    {
        const size_t port = authority.find(':');
        if (port != std::string::npos)
        {
            parts.port = authority.substr(port + 1);
            authority.erase(port);
        }
    }
    if (authority.empty())
        return false;
    authority = Lower(authority);
    if (authority.back() == '.')
        authority.pop_back();
    if (authority.empty())
        return false;
    parts.host = authority;
    const size_t hash = text.find('#', end);
    parts.fragment = hash == std::string::npos ? std::string() : text.substr(hash + 1);
    const std::string rest = text.substr(end, hash == std::string::npos ? std::string::npos : hash - end);
    const size_t question = rest.find('?');
    parts.path = question == std::string::npos ? rest : rest.substr(0, question);
    if (parts.path.empty())
        parts.path = "/";
    parts.query = question == std::string::npos ? std::string() : rest.substr(question + 1);
    return true;
}

bool WebAddress::IsWebAddress(const std::string& url)
{
    Parts parts;
    return Split(url, parts);
}

std::string WebAddress::SiteOfHost(const std::string& host)
{
    if (IsAddressLiteral(host))
        return host;
    const char* site = psl_registrable_domain(SuffixList(), host.c_str());
    return site ? std::string(site) : host;
}

std::string WebAddress::SiteOf(const std::string& url)
{
    Parts parts;
    return Split(url, parts) ? SiteOfHost(parts.host) : std::string();
}

std::string WebAddress::RedirectTarget(const std::string& url, const std::string& base)
{
    Parts parts;
    if (!Split(url, parts))
        return {};
    Parts page;
    const std::string scheme = Split(base, page) ? page.scheme : parts.scheme;
    for (const std::string& pair : SplitOn(parts.query, '&'))
    {
        const size_t equals = pair.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string target = AddressIn(pair.substr(equals + 1), scheme);
        if (!target.empty())
            return target;
    }
    // Path segments such as "/RU=https%3a%2f%2f.../RK=2": a raw "://" would
    // have split the address over several segments, so only encoded ones count.
    for (const std::string& segment : SplitOn(parts.path, '/'))
    {
        const size_t equals = segment.find('=');
        const std::string target = AddressIn(equals == std::string::npos ? segment : segment.substr(equals + 1), scheme);
        if (!target.empty())
            return target;
    }
    return {};
}
