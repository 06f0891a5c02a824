#pragma once

#include <string>
#include <vector>

// What the gather script saw on one result page, as it reports it: every
// link looked at (in document order, at most MaxLinks) with its box in page
// coordinates, the heading it holds or sits in, its landmark, and the chain
// of repeated blocks around it (innermost first); each block with its
// signature, box, short labels, text pieces and the web addresses its
// attributes hold. Only facts: what they mean is ResultReader's to decide.
struct PageReport
{
    static constexpr size_t MaxLinks = 400;
    static constexpr size_t MaxBlocks = 400;

    struct Box
    {
        double x = 0, y = 0, w = 0, h = 0;
    };

    struct Link
    {
        std::string href;   // absolute, as the page's document resolved it
        std::string text;   // rendered text, plain
        int heading = 0;    // 1..4: holds or sits in a heading of that level
        Box box;
        double fontSize = 0;
        std::string landmark;   // "header", "nav", "footer", "aside", "main" or ""
        bool fixed = false;     // in a fixed or sticky layer
        std::vector<std::string> context;  // aria-labels and lead texts around it
        std::vector<int> chain;  // indexes into blocks, innermost first
    };

    struct Block
    {
        std::string signature;  // tag and classes: "div.g", "li", "tr"
        Box box;
        int repeats = 1;        // siblings of the same signature, itself included
        std::vector<std::string> labels;  // short leaf texts and aria-labels
        std::vector<std::string> texts;   // text pieces outside links, in order
        std::vector<std::string> urls;    // http(s) addresses held in attributes
    };

    std::string pageUrl;
    double viewWidth = 0, viewHeight = 0;
    double pageWidth = 0, pageHeight = 0;
    bool truncated = false;  // the script ran out of time or links
    std::vector<Link> links;
    std::vector<Block> blocks;

    // Reads a report; false (with why) for one that is no report. A hostile
    // page may hand back anything: only the expected shapes are kept, texts
    // and lists are capped, indexes out of range are dropped.
    bool Read(const std::string& json, std::string* error = nullptr);
};
