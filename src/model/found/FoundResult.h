#pragma once

#include <string>

// One organic result read from one engine's page.
struct FoundResult
{
    int position = 0;       // 1-based, in page order
    std::string url;        // the target, any redirect wrapper undone
    std::string shownUrl;   // the address as the page shows it
    std::string title;      // plain text, at most ResultReader::MaxTitle characters
    std::string snippet;    // plain text, at most ResultReader::MaxSnippet characters
    // False for a wrapper that could not be undone: the address is the
    // engine's own and says nothing about which page it leads to.
    bool mergeable = true;
};
