#pragma once

#include <wx/string.h>

#include <vector>

// The browser profiles of the person running Orvane whose engines can be
// imported: Firefox-layout profiles listed in profiles.ini, and Chromium-
// family profiles (Chromium, Google Chrome, Brave, Vivaldi, Microsoft Edge),
// each also in its Flatpak and Snap folders. Only reads; never writes there.
class BrowserProfiles
{
public:
    struct Profile
    {
        wxString browser;  // "Firefox", "Google Chrome", ...
        wxString name;     // as the browser shows it
        wxString folder;   // the profile folder
        wxString file;     // the file holding its engines
    };

    // The profiles under `home` that have an engine file, in a stable order.
    static std::vector<Profile> Find(const wxString& home);

    // The browser or profile name contains `filter`, ignoring case; an empty
    // filter matches every profile.
    static bool Matches(const Profile& profile, const wxString& filter);

    // How many of the profile's engines could be added (0 when the file
    // cannot be read).
    static size_t CountEngines(const Profile& profile);
};
