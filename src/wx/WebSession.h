#pragma once

#include <wx/string.h>

#include <functional>

// The site data shared by every browser view: WebKit's default web context,
// its cookie store and its website data manager.
namespace WebSession
{
// $XDG_DATA_HOME/orvane/cookies.sqlite (XDG_DATA_HOME defaults to
// ~/.local/share), read from the environment at each call.
wxString CookieFile();

// Sets up the site data; must run before the first view loads anything.
// Third-party cookies are always refused. With keepCookies the store is
// the SQLite file cookieFile (0600 in a 0700 folder); without, cookies live
// for the run only, a file left by an earlier run is removed, and all other
// site data of earlier runs (storage, caches, HSTS) is erased.
void Configure(bool keepCookies, const wxString& cookieFile = CookieFile());

// Forgets cookies, caches and site storage of every site, also in open
// pages. done(true) runs on the GUI thread once WebKit has finished;
// done(false) when it reported an error. The caller guards anything done
// may touch against having gone in the meantime.
void ClearBrowsingData(std::function<void(bool cleared)> done);
} // namespace WebSession
