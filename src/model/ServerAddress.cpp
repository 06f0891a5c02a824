#include "ServerAddress.h"

bool ParseServerAddress(const wxString& value, unsigned short defaultPort, wxString& host,
                        unsigned short& port)
{
    wxString text = value;
    text.Trim(true).Trim(false);
    wxString name = text;
    unsigned long number = defaultPort;
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
