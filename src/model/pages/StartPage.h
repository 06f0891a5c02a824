#pragma once

#include <wx/string.h>

// The local start page: a template with two placeholders, filled with the
// running and the latest published version and written beside the program.
class StartPage
{
public:
    static constexpr const char* YourVersionPlaceholder = "$your_version$";
    static constexpr const char* LatestVersionPlaceholder = "$latest_version$";

    // Marks "$t:<name>$" in the template stand for the page's own texts,
    // "$t:lang$" for the language they are in.
    static constexpr const char* TextMarkPrefix = "$t:";

    // Used as the template when the template file cannot be opened.
    static wxString FallbackPage();

    // The template's text, decoded from UTF-8 (a leading byte-order mark is
    // dropped); the fallback page when the file cannot be opened.
    static wxString LoadTemplate(const wxString& path);

    // Replaces every text mark with its text in the interface language (through
    // the message catalogue) and "$t:lang$" with languageTag ("en", "zh-CN").
    // Unknown marks are left as they are.
    static wxString Translate(const wxString& pageText, const wxString& languageTag);

    // The running version as the page shows it, translated.
    static wxString YourVersionText();
    // What the page shows while no published version has arrived, translated.
    static wxString NotCheckedText();
    // A published version as the page shows it, translated.
    static wxString LatestVersionText(const wxString& version);

    // Fills the first occurrence of each placeholder; later ones stay as they
    // are. The versions are inserted as HTML text (markup characters escaped).
    static wxString Fill(const wxString& pageText, const wxString& yourVersion,
                         const wxString& latestVersion);

    // Writes text as UTF-8 without a byte-order mark through SafeFile, so a
    // reader never sees a half-written page and a linked page stays linked.
    // Returns false when it could not be written.
    static bool Write(const wxString& path, const wxString& text);
};
