#include "base/AppInfo.h"

const char* const AppInfo::Version = ORVANE_VERSION;
const char* const AppInfo::BuildYear = ORVANE_RELEASE_YEAR;
const char* const AppInfo::BuildMonth = ORVANE_RELEASE_MONTH;
const char* const AppInfo::BuildDay = ORVANE_RELEASE_DAY;

bool AppInfo::IsPlaceholderAddress(const wxString& address)
{
    // The host: after "scheme://" or "@", up to a port, path, query or fragment.
    wxString host = address.Lower();
    const int scheme = host.Find("://");
    if (scheme != wxNOT_FOUND)
        host = host.Mid(scheme + 3);
    host = host.AfterLast('@');
    const size_t end = host.find_first_of(":/?#");
    if (end != wxString::npos)
        host.Truncate(end);
    if (host.EndsWith("."))
        host.RemoveLast();
    if (host.empty())
        return false;

    for (const char* name : {"example.org", "example.com", "example.net"})
    {
        if (host == name || host.EndsWith(wxString(".") + name))
            return true;
    }
    for (const char* top : {".example", ".test", ".invalid"})
    {
        if (host.EndsWith(top))
            return true;
    }
    return false;
}
