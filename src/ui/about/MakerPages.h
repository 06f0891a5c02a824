#pragma once

#include <wx/string.h>

#include <functional>

class wxWindow;

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

// True for the pages that ship with the program (the handbook).
bool IsOwnPage(const wxString& address);

// Shows one of our own pages inside the program; false when it cannot.
using PageShower = std::function<bool(const wxString& address)>;

// Opens an address: our own pages through `showInPage` when given, the rest
// (or when that fails) in the system's browser. When no browser can be
// started, says so in a message box over `parent`, never in the toolkit's
// own words. True when the address was opened.
bool Open(const wxString& address, wxWindow* parent = nullptr, const PageShower& showInPage = {});
// Tests: receives the addresses meant for the browser instead of it and
// answers whether it started (null restores the browser).
void SetOpenerForTesting(std::function<bool(const wxString&)> opener);
} // namespace MakerPages
