#pragma once

#include <string>
#include <vector>

// What the browser view learnt about one loaded page, for the classifier:
// the main resource's answer, the sub-resources it asked for, and what the
// probe script saw on screen. Nothing here is read from the page's own
// claims except the consent framework's status.
struct PageSignals
{
    bool answered = false;        // false: no page at all (refused, no host, TLS, time-out)
    int status = 0;               // the main resource's HTTP status, 0 when none
    bool challengeHeader = false; // "cf-mitigated: challenge"
    int challengeResources = 0;   // sub-resources from challenge providers
    std::string pageUrl;          // the final address

    // From the probe script, after load; probed is false when it did not answer.
    bool probed = false;
    std::vector<std::string> links;  // visible links, absolute
    // Those of them in the page's header, navigation, footer or side
    // column, or in a strip of short links at its top or bottom.
    std::vector<std::string> chromeLinks;
    struct Box
    {
        std::string what;  // an iframe's address, or an element's "tag#id.class"
        int width = 0;
        int height = 0;
    };
    std::vector<Box> frames;   // visible iframes
    std::vector<Box> widgets;  // visible elements named like a challenge widget
    // The largest fixed layer found over the viewport, as a share of it
    // (0..1), and the texts of the buttons in the fixed layers found.
    double overlayCoverage = 0;
    std::vector<std::string> overlayButtons;
    // Visible buttons in the page's own flow (not in a fixed layer).
    std::vector<std::string> pageButtons;
    // __tcfapi('ping') displayStatus: "visible", "hidden", "disabled", "" when none.
    std::string consentStatus;

    // Reads the probe script's JSON report into the probe fields; false
    // (fields untouched) for a report that is no JSON object.
    bool ReadProbe(const std::string& json);
};
