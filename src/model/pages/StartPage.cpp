#include "pages/StartPage.h"

#include "base/AppInfo.h"
#include "store/SafeFile.h"

#include <wx/file.h>
#include <wx/filename.h>
#include <wx/filefn.h>
#include <wx/intl.h>
#include <wx/strconv.h>
#include <wx/utils.h>

#include <string>
#include <utility>

wxString StartPage::FallbackPage()
{
    return "<html><body><h2>Welcome to Orvane!</h2>\t\t\t\t\t\t\t<br>"
           "The default welcome page seems to be missing...</body></html>";
}

wxString StartPage::Translate(const wxString& pageText, const wxString& languageTag)
{
    if (!pageText.Contains(TextMarkPrefix))
        return pageText;
    // Our own texts, inserted as HTML: a few carry <kbd> marks.
    const std::pair<const char*, wxString> texts[] = {
        {"lang", languageTag},
        {"title", _("Orvane")},
        // TRANSLATORS: start page heading.
        {"welcome", _("Welcome to Orvane")},
        {"tagline", _("One keyword, every search engine you like, side by side.")},
        // TRANSLATORS: start page section heading.
        {"how", _("How it works")},
        {"step1", _("Type a keyword in the keyword box; suggestions appear as you type.")},
        {"step2", _("Pick a language and a category from the two lists on the toolbar.")},
        // TRANSLATORS: start page, HTML: keep the <kbd>...</kbd> marks and the key names in them.
        {"step3", _("Press <kbd>Enter</kbd> or <kbd>F8</kbd>: every enabled engine of that "
                    "language and category opens in its own tab, and the results load side by "
                    "side.")},
        // TRANSLATORS: start page, HTML: keep the <kbd>...</kbd> marks and the key names in them.
        {"step4", _("Open the search engine manager with <kbd>F7</kbd> to add, edit, enable or "
                    "reorder engines.")},
        {"hint", _("This page is shown in each tab until its results arrive.")},
        // TRANSLATORS: start page section heading.
        {"keys", _("Keys")},
        {"key_new", _("New search (to the keyword box)")},
        {"key_start", _("Start searching")},
        {"key_stop", _("Stop searching")},
        {"key_manager", _("Show or hide the engine manager")},
        {"key_fullscreen", _("Full screen")},
        {"key_pages", _("Next / previous page")},
        {"key_select", _("Select language / category")},
        {"key_refresh", _("Refresh this page")},
        {"key_history", _("Back / forward")},
        {"key_find", _("Find in this page")},
        {"key_find_next", _("Next / previous match")},
        {"key_zoom", _("Zoom in / out / actual size")},
        {"key_layout", _("One, two, three or four pages side by side")},
        {"key_attention", _("Next page that needs you: a bot check or a consent wall")},
        // TRANSLATORS: start page: the menu and item as the View menu names them
        {"scroll_together", _("View > Scroll Together")},
        {"key_scroll_together", _("With several pages on show, scrolling one scrolls the others")},
        {"key_tab_number", _("Turn the pane to its tab 1 to 8 / its last tab")},
    };
    wxString page = pageText;
    for (const auto& text : texts)
        page.Replace(wxString(TextMarkPrefix) + text.first + "$", text.second);
    return page;
}

wxString StartPage::YourVersionText()
{
    return _("Your Version - ") + wxString::FromUTF8(AppInfo::Version);
}

wxString StartPage::NotCheckedText()
{
    const wxString prefix = _("Latest Version - ");
    // TRANSLATORS: follows "Latest Version - " on the start page while no check has answered.
    return prefix + _("not checked yet");
}

wxString StartPage::LatestVersionText(const wxString& version)
{
    return _("Latest Version - ") + version;
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
