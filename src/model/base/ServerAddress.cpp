#include "base/ServerAddress.h"

namespace
{
bool ParsePort(const wxString& digits, unsigned short& port)
{
    unsigned long number = 0;
    if (digits.empty() || digits.length() > 5 ||
        digits.find_first_not_of("0123456789") != wxString::npos || !digits.ToULong(&number) ||
        number == 0 || number > 65535)
        return false;
    port = static_cast<unsigned short>(number);
    return true;
}

// Letters, digits, '-', '.', '_' and any non-ASCII letter of an
// internationalised name; nothing that could end the host part of a URL.
bool IsHostName(const wxString& name)
{
    if (name.empty())
        return false;
    for (wxUniChar c : name)
    {
        const auto v = c.GetValue();
        if (v >= 0x80)
            continue;
        if (!((v >= 'a' && v <= 'z') || (v >= 'A' && v <= 'Z') || (v >= '0' && v <= '9') ||
              v == '-' || v == '.' || v == '_'))
            return false;
    }
    return true;
}

bool IsIPv6(const wxString& text)
{
    return text.find(':') != wxString::npos &&
           text.find_first_not_of("0123456789abcdefABCDEF:.") == wxString::npos;
}
} // namespace

bool ParseServerAddress(const wxString& value, unsigned short defaultPort, wxString& host,
                        unsigned short& port)
{
    wxString text = value;
    text.Trim(true).Trim(false);
    wxString name;
    unsigned short number = defaultPort;
    if (text.StartsWith("["))
    {
        const size_t close = text.find(']');
        if (close == wxString::npos)
            return false;
        name = text.Mid(1, close - 1);
        const wxString rest = text.Mid(close + 1);
        if (!IsIPv6(name) || (!rest.empty() && (rest[0] != ':' || !ParsePort(rest.Mid(1), number))))
            return false;
    }
    else
    {
        name = text;
        const int colon = text.Find(':', true);
        if (colon != wxNOT_FOUND)
        {
            name = text.Left(colon);
            if (!ParsePort(text.Mid(colon + 1), number))
                return false;
        }
        if (!IsHostName(name))
            return false;
    }
    host = name;
    port = number;
    return true;
}

wxString FormatServerAddress(const wxString& host, unsigned short port,
                             unsigned short defaultPort)
{
    wxString address = host.find(':') != wxString::npos ? "[" + host + "]" : host;
    if (port != defaultPort)
        address << ":" << port;
    return address;
}
