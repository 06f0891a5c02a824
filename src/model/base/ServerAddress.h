#pragma once

#include <wx/string.h>

// A service named in the settings as "host", "host:port", "[IPv6]" or
// "[IPv6]:port". Returns false (leaving host and port untouched) for an empty
// host, a name with characters no host name has, a bracketed part that is
// not an IPv6 address, or a port that is not a number from 1 to 65535;
// without a port the default one is used. An IPv6 host comes back without
// its brackets.
bool ParseServerAddress(const wxString& value, unsigned short defaultPort, wxString& host,
                        unsigned short& port);

// The address part of a URL: "host", "host:port", "[IPv6]:port"; the port is
// left out when it is the default one.
wxString FormatServerAddress(const wxString& host, unsigned short port,
                             unsigned short defaultPort);
