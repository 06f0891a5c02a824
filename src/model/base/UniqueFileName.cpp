#include "base/UniqueFileName.h"

#include <wx/filefn.h>
#include <wx/filename.h>

namespace
{
size_t Utf8Length(wxUniChar::value_type v)
{
    return v < 0x80 ? 1 : v < 0x800 ? 2 : v < 0x10000 ? 3 : 4;
}

// Keep well inside the common 255-byte limit of a file name, with room
// for a " (n)" that makes it unique.
const size_t MaxNameBytes = 200;
// Longer "extensions" are part of the name, not a type to keep.
const size_t MaxExtensionChars = 16;
} // namespace

bool UniqueFileName::HidesText(wxUint32 c)
{
    return c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB);
}

wxString UniqueFileName::Sanitize(const wxString& suggested)
{
    // Only the last path part of whatever the site sent.
    const size_t slash = suggested.find_last_of("/\\");
    const wxString name = slash == wxString::npos ? suggested : suggested.Mid(slash + 1);
    wxString clean;
    clean.reserve(name.length());
    for (wxUniChar c : name)
    {
        const wxUniChar::value_type v = c.GetValue();
        // C1 controls and hiding marks are dropped, never shown in a name.
        if ((v >= 0x80 && v <= 0x9f) || HidesText(v))
            continue;
        clean += (v < 0x20 || v == 0x7f) ? wxUniChar('_') : c;
    }
    clean.Trim(true).Trim(false);
    // A leading dot would hide the file.
    clean.erase(0, clean.find_first_not_of('.') == wxString::npos ? clean.length()
                                                                 : clean.find_first_not_of('.'));
    clean.Trim(false);
    if (clean.empty())
        return "download";

    size_t bytes = 0;
    for (wxUniChar c : clean)
        bytes += Utf8Length(c.GetValue());
    if (bytes <= MaxNameBytes)
        return clean;
    // Cut once, in the stem, so the type of the file stays known.
    wxString ext;
    const size_t dot = clean.find_last_of('.');
    if (dot != wxString::npos && dot > 0 && clean.length() - dot <= MaxExtensionChars)
        ext = clean.Mid(dot);
    size_t budget = MaxNameBytes;
    for (wxUniChar c : ext)
        budget -= Utf8Length(c.GetValue());
    size_t keep = 0;
    for (wxUniChar c : clean)
    {
        const size_t n = Utf8Length(c.GetValue());
        if (n > budget)
            break;
        budget -= n;
        ++keep;
    }
    wxString stem = clean.Left(keep);
    stem.Trim(true);
    return stem + ext;
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
