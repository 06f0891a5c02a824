#pragma once

#include <wx/string.h>

#include <functional>
#include <string>

class wxOutputStream;

// Replaces the user's files so that a crash or a kill at any moment leaves
// either the old or the new file, complete. The bytes go to a temporary file
// of a name no other save uses, beside the file that a path finally names
// (symbolic links are followed, so the link stays and its target is
// replaced); they reach the disk before the rename, and the folder is synced
// after it. Temporary files left by killed saves are removed afterwards.
class SafeFile
{
public:
    // Writes to the stream; false when the data could not be produced.
    using Writer = std::function<bool(wxOutputStream&)>;

    // Shared: a new file gets the usual mode (umask applies), a missing
    // folder likewise. Private: a new file is 0600 in a 0700 folder, and an
    // existing one loses what group and others could do. Either way the
    // temporary has the final mode before the first byte is written.
    enum class Access { Shared, Private };

    // False when anything failed; the old file is then as it was.
    static bool Replace(const wxString& path, const Writer& write, Access access = Access::Shared);
    static bool Replace(const wxString& path, const std::string& bytes, Access access = Access::Shared);

    // The file that path names once symbolic links, dangling ones included,
    // are followed; path itself (made absolute) when it is no link.
    static wxString Target(const wxString& path);

    // "<file>.bak", else "<file>.bak.1", "<file>.bak.2", ...: the first name
    // not taken, so no earlier backup is overwritten.
    static wxString FreeBackupName(const wxString& file);
};
