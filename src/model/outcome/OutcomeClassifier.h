#pragma once

#include "outcome/PageOutcome.h"
#include "outcome/PageSignals.h"

#include <string>
#include <vector>

// Decides a page's outcome from generic signals only: no engine is known by
// name. A challenge shows itself by Cloudflare's header, or by a visible
// challenge frame or widget where results are missing; a consent wall by a
// fixed layer over most of the view with consent buttons, a consent page by
// such buttons where results are missing, or the consent framework saying it
// shows its dialog over a page without results. Results are visible links
// that leave the engine's site (unwrapped from the engine's own redirect
// links), at least a floor of them before the engine has a history, and a
// good share of its usual count once it has.
class OutcomeClassifier
{
public:
    // Off-site result links needed before an engine has a usual count.
    static constexpr int AbsoluteFloor = 3;
    // A layer covering this share of the view is a wall, not a banner.
    static constexpr double WallCoverage = 0.5;

    // usualLinks: the engine's usual count of result links, 0 when unknown.
    static PageVerdict Classify(const PageSignals& signals, int usualLinks);

    // Distinct visible links that lead off the page's site.
    static int CountResultLinks(const std::vector<std::string>& links, const std::string& pageUrl);
    // A script, frame or image of a challenge provider.
    static bool IsChallengeResource(const std::string& url);
    // A button's text offers to accept or refuse consent (a few languages).
    static bool IsConsentButton(const std::string& text);
    // The fewest result links that count as results.
    static int Threshold(int usualLinks);
};
