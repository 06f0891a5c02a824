#pragma once

#include "found/FoundResult.h"
#include "found/PageReport.h"

#include <string>
#include <vector>

// Decides a page's organic results from its report, by generic signs only
// (no engine is known by name): a visible link that leaves the engine's
// site (after its redirect wrapper is undone), that holds or sits in a
// heading or is the most prominent link of a repeated block with text of
// its own; one result per block (sitelinks and nested links are not
// results); blocks stacked in the main column. Ads (by their labels or
// their click paths), landmarks other than the main one, fixed layers,
// strips of short links, carousels, hidden and off-page links are not.
class ResultReader
{
public:
    static constexpr size_t MaxResults = 50;
    static constexpr size_t MaxTitle = 300;
    static constexpr size_t MaxSnippet = 500;

    static std::vector<FoundResult> Read(const PageReport& report);

    // A text that labels an advertisement ("Ad", "Sponsored", "広告", ...).
    static bool IsAdLabel(const std::string& text);
    // A link through an advertiser's click path ("/aclk?", "/pagead/", ...).
    static bool IsAdClickPath(const std::string& url);
    // Plain text for a title or snippet: no control characters, runs of
    // white space made one space, cut to `limit` characters.
    static std::string Clean(const std::string& text, size_t limit);
};
