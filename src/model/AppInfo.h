#pragma once

// The program's identity: version, build and the maker's addresses, kept in
// one place so the About box, the start page and the update command agree.
namespace AppInfo
{
// 8-bit constants, converted from UTF-8 where they are shown.
constexpr const char* Version = "5.9.22.0";
constexpr int BuildNumber = 3399;
constexpr const char* BuildYear = "2011";
constexpr const char* BuildMonth = "05";
constexpr const char* BuildDay = "07";

// The maker has no published addresses yet; these sit under the reserved
// documentation domain until it does.
constexpr const char* WebSite = "https://www.example.org/";
constexpr const char* MailAddress = "orvane@example.org";
constexpr const char* DownloadPage = "https://www.example.org/orvane/download.html";

// Where the latest published version is read from; the host comes from the
// configuration store (PreferenceKey::VersionHost).
constexpr const char* VersionPagePath = "/p/keldrin/wiki/OrvaneVersion";
constexpr unsigned short VersionPagePort = 80;
} // namespace AppInfo
