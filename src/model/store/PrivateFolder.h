#pragma once

#include <wx/string.h>

// Folders and files only their owner may read: the configuration folder,
// the site-data folder and what they hold (preferences, keyword history,
// cookies). Made with their final mode from the start, whatever the umask,
// so no other local user can open them in between.
class PrivateFolder
{
public:
    // Makes folder (and missing parents, also 0700) with mode 0700;
    // an existing folder of ours that others may enter is closed to them.
    // False when it does not exist afterwards.
    static bool Make(const wxString& folder);

    // Makes the folder and every missing one above it with mode 0700,
    // leaving the mode of those that exist alone.
    static bool MakeParents(const wxString& folder);

    // Whether folder is ours and closed to everyone else; a link counts only
    // with followLink. Trusted by ownership and mode, not because it is
    // writable: in a folder others may write to, they could plant names first.
    static bool IsPrivate(const wxString& folder, bool followLink);

    // Takes group and other permissions away from an existing file of ours;
    // creates a missing one empty with mode 0600 when create is set.
    static bool RestrictFile(const wxString& path, bool create);
};
