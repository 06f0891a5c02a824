#pragma once

#include <string>

// Web addresses as pages hand them over: split into parts, their site (the
// registrable domain, from the public suffix list the system ships), and the
// address a redirect link leads to. Plain byte strings: addresses are ASCII
// once WebKit has serialised them, and nothing here needs wxString.
class WebAddress
{
public:
    struct Parts
    {
        std::string scheme;  // "http" or "https", lower case
        std::string host;    // lower case, no trailing dot; "[..]" kept for IPv6
        std::string port;    // as written, "" when none
        std::string path;    // "/" at least
        std::string query;   // without "?"
        std::string fragment;
    };

    // An absolute http(s) address with a host; false (parts unspecified) otherwise.
    static bool Split(const std::string& url, Parts& parts);
    static bool IsWebAddress(const std::string& url);
    // The registrable domain of a host ("news.example.co.uk" -> "example.co.uk");
    // an address literal, a bare suffix or a name the list does not know is its own site.
    static std::string SiteOfHost(const std::string& host);
    // The site of an address, "" when it is no web address.
    static std::string SiteOf(const std::string& url);

    // The absolute http(s) address a redirect link carries, or "": in a query
    // value or a path segment ("/RU=.../"), percent-encoded, or base64url
    // behind a prefix of up to three characters ("a1aHR0c..."). A
    // protocol-relative one takes the scheme of `base` (the page's address).
    // Made from the link alone: nothing is requested.
    static std::string RedirectTarget(const std::string& url, const std::string& base);

    static std::string PercentDecode(const std::string& text, bool plusIsSpace);
    static std::string Lower(std::string text);
};
