#pragma once

#include <wx/string.h>

// The local start page: a template with two placeholders, filled with the
// running and the latest published version and written beside the program.
class StartPage
{
public:
    static constexpr const char* YourVersionPlaceholder = "$your_version$";
    static constexpr const char* LatestVersionPlaceholder = "$latest_version$";

    // Used as the template when the template file cannot be opened.
    static wxString FallbackPage();

    // The template's text, decoded from UTF-8 (a leading byte-order mark is
    // dropped); the fallback page when the file cannot be opened.
    static wxString LoadTemplate(const wxString& path);

    // Fills the first occurrence of each placeholder; later ones stay as they
    // are. The versions are inserted as HTML text (markup characters escaped).
    static wxString Fill(const wxString& pageText, const wxString& yourVersion,
                         const wxString& latestVersion);

    // Writes text as UTF-8 without a byte-order mark through SafeFile, so a
    // reader never sees a half-written page and a linked page stays linked.
    // Returns false when it could not be written.
    static bool Write(const wxString& path, const wxString& text);
};
