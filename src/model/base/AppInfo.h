#pragma once

#include <wx/string.h>

// The program's identity: version, build and the maker's addresses, kept in
// one place so the About box, the start page and the update command agree.
namespace AppInfo
{
// 8-bit constants, converted from UTF-8 where they are shown. The version
// and the build date are the project's (the build defines them), so the
// package and its AppStream release say the same.
extern const char* const Version;
constexpr int BuildNumber = 3399;
// The licence, as an SPDX identifier; the AppStream entry reads it from here.
constexpr const char* Licence = "GPL-3.0-or-later";
extern const char* const BuildYear;
extern const char* const BuildMonth;
extern const char* const BuildDay;

// The maker has no published addresses yet; these sit under the reserved
// documentation domain until it does.
constexpr const char* WebSite = "https://www.example.org/";
constexpr const char* MailAddress = "orvane@example.org";
constexpr const char* DownloadPage = "https://www.example.org/orvane/download.html";

// The short handbook in the program folder: opened instead of the maker's
// pages for as long as those are placeholders.
constexpr const char* HandbookFile = "handbook.html";

// True for an address (a URL or a mail address) on a name reserved for
// examples: example.org, .com or .net and their subdomains, or a name under
// .example, .test or .invalid. Such an address is a placeholder.
bool IsPlaceholderAddress(const wxString& address);

// Where the latest published version is read from; the host comes from the
// configuration store (PreferenceKey::VersionHost).
constexpr const char* VersionPagePath = "/p/keldrin/wiki/OrvaneVersion";
constexpr unsigned short VersionPagePort = 80;
} // namespace AppInfo
