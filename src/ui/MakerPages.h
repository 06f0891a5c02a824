#pragma once

#include <wx/string.h>

#include <functional>

// Where the About box and "Check for Update..." send the user: the maker's
// pages, or the handbook in the program folder while those are placeholders.
namespace MakerPages
{
// True while the maker's web site is a placeholder: the handbook stands in.
bool HandbookStandsIn();
wxString WebSite();
wxString DownloadPage();
// The contact address to show; empty while it is a placeholder.
wxString MailAddress();

// Opens an address in the system's browser, asking for a new window.
void Open(const wxString& address);
// Tests: receives the addresses instead of the browser (null restores it).
void SetOpenerForTesting(std::function<void(const wxString&)> opener);
} // namespace MakerPages
