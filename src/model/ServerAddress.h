#pragma once

#include <wx/string.h>

// A service named in the settings as "host" or "host:port".
// Returns false (leaving host and port untouched) for an empty host, a host
// with blanks, slashes or colons, or a port that is not a number from 1 to
// 65535; without a port the default one is used.
bool ParseServerAddress(const wxString& value, unsigned short defaultPort, wxString& host,
                        unsigned short& port);
