#pragma once

#include <wx/string.h>

#include <functional>

// Names for files saved into a folder the user owns: never over a file that
// is already there.
namespace UniqueFileName
{
// Marks that reorder or hide text ("evil\u202Efdp.exe" shows as
// "evilexe.pdf"): a file name must not pass itself off as another.
bool HidesText(wxUint32 c);

// A name a site suggested, made safe as one file name: no folders, no
// control characters, no marks that reorder text, no leading dots, at most
// 200 UTF-8 bytes with its extension kept; "download" when nothing is left.
wxString Sanitize(const wxString& suggested);

// folder/name, or the first free "stem (1).ext", "stem (2).ext", ...;
// taken(path) says whether a path is in use (default: the file exists).
wxString Make(const wxString& folder, const wxString& name,
              const std::function<bool(const wxString& path)>& taken = {});
} // namespace UniqueFileName
