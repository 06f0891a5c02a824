#include "base/UniqueFileName.h"

#include <wx/filefn.h>
#include <wx/filename.h>

wxString UniqueFileName::Sanitize(const wxString& suggested)
{
    wxString name = suggested;
    // Only the last path part of whatever the site sent.
    const size_t slash = name.find_last_of("/\\");
    if (slash != wxString::npos)
        name = name.Mid(slash + 1);
    wxString clean;
    for (wxUniChar c : name)
    {
        const wxUniChar::value_type v = c.GetValue();
        clean += (v < 0x20 || v == 0x7f) ? wxUniChar('_') : c;
    }
    clean.Trim(true).Trim(false);
    // A leading dot would hide the file.
    while (clean.StartsWith("."))
        clean.Remove(0, 1);
    clean.Trim(false);
    if (clean.empty())
        clean = "download";
    // Keep well inside the common 255-byte limit of a file name.
    while (clean.utf8_str().length() > 200)
        clean.RemoveLast();
    return clean;
}

wxString UniqueFileName::Make(const wxString& folder, const wxString& name,
                              const std::function<bool(const wxString& path)>& taken)
{
    auto inUse = [&](const wxString& path) {
        return taken ? taken(path) : (wxFileExists(path) || wxDirExists(path));
    };
    const wxString base = folder.EndsWith("/") ? folder : folder + "/";
    if (!inUse(base + name))
        return base + name;

    // "report.pdf" becomes "report (1).pdf", "backup.tar.gz" "backup (1).tar.gz".
    wxString stem = name, ext;
    const size_t dot = name.find_last_of('.');
    if (dot != wxString::npos && dot > 0)
    {
        stem = name.Left(dot);
        ext = name.Mid(dot);
        if (stem.Lower().EndsWith(".tar") && stem.length() > 4)
        {
            stem.RemoveLast(4);
            ext = name.Mid(stem.length());
        }
    }
    for (int n = 1;; ++n)
    {
        const wxString candidate = wxString::Format("%s%s (%d)%s", base, stem, n, ext);
        if (!inUse(candidate))
            return candidate;
    }
}
