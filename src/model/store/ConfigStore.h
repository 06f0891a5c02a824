#pragma once

#include <wx/string.h>

class wxConfigBase;

// The program's single configuration store: a wxFileConfig installed as the
// toolkit's global wxConfigBase, kept in the user's XDG configuration folder
// ($XDG_CONFIG_HOME, by default ~/.config) under "Orvane/Orvane.conf".
class ConfigStore
{
public:
    static constexpr const char* VendorName = "Keldrin";
    static constexpr const char* AppName = "Orvane";

    // The global store; opens ours (recording defaults) when none is set yet.
    static wxConfigBase* Get();

    // Opens the store file and installs it as the global store, replacing and
    // deleting any previous one. A file that cannot be parsed cleanly is
    // renamed to "<file>.bak" (or "<file>.bak.N" if that is taken) first;
    // what could be read is kept and written back to a fresh file.
    static wxConfigBase* Open();

    // Writes the global store to disk, uninstalls and deletes it.
    static void Close();

    // Full path of the store file for the current environment.
    static wxString FilePath();
    // The folder that holds it: one per user profile.
    static wxString Folder();
};
