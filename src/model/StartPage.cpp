#include "StartPage.h"

#include "SafeFile.h"

#include <wx/file.h>
#include <wx/filename.h>
#include <wx/filefn.h>
#include <wx/strconv.h>
#include <wx/utils.h>

#include <string>

wxString StartPage::FallbackPage()
{
    return "<html><body><h2>Welcome to Orvane!</h2>\t\t\t\t\t\t\t<br>"
           "The default welcome page seems to be missing...</body></html>";
}

wxString StartPage::LoadTemplate(const wxString& path)
{
    // Checked first so that a missing template does not log an error.
    if (!wxFileName::FileExists(path))
        return FallbackPage();
    wxFile file(path);
    if (!file.IsOpened())
        return FallbackPage();
    const wxFileOffset length = file.Length();
    if (length < 0)
        return FallbackPage();

    std::string bytes(static_cast<size_t>(length), '\0');
    if (length > 0 && file.Read(&bytes[0], bytes.size()) != static_cast<ssize_t>(bytes.size()))
        return FallbackPage();

    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
        bytes.erase(0, 3);
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    // A template saved in an 8-bit encoding would decode to nothing; keep its
    // text rather than writing an empty page.
    if (text.empty() && !bytes.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return text;
}

wxString StartPage::Fill(const wxString& pageText, const wxString& yourVersion,
                         const wxString& latestVersion)
{
    // The latest version comes from the network and the page is opened from a
    // local file: it must stay text, never become markup or script.
    auto escaped = [](wxString text) {
        text.Replace("&", "&amp;");
        text.Replace("<", "&lt;");
        text.Replace(">", "&gt;");
        text.Replace("\"", "&quot;");
        return text;
    };
    wxString page = pageText;
    page.Replace(YourVersionPlaceholder, escaped(yourVersion), false);
    page.Replace(LatestVersionPlaceholder, escaped(latestVersion), false);
    return page;
}

bool StartPage::Write(const wxString& path, const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return SafeFile::Replace(path, std::string(utf8.data(), utf8.length()));
}
