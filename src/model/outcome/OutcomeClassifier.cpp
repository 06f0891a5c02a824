#include "outcome/OutcomeClassifier.h"

#include "base/WebAddress.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace
{
bool EndsWithLabel(const std::string& host, const std::string& domain)
{
    if (host == domain)
        return true;
    return host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

std::string Lower(const std::string& text)
{
    std::string lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

bool Contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// The score badges of invisible challenges sit on normal pages.
bool IsInvisibleKind(const std::string& lowerWhat)
{
    return Contains(lowerWhat, "size=invisible") || Contains(lowerWhat, "badge");
}

bool IsWidgetSize(const PageSignals::Box& box)
{
    return box.width >= 100 && box.height >= 50;
}

bool HasVisibleChallenge(const PageSignals& signals, std::string& what)
{
    for (const PageSignals::Box& frame : signals.frames)
    {
        const std::string lower = Lower(frame.what);
        if (IsWidgetSize(frame) && !IsInvisibleKind(lower) && OutcomeClassifier::IsChallengeResource(frame.what))
        {
            what = "visible challenge frame";
            return true;
        }
    }
    for (const PageSignals::Box& widget : signals.widgets)
    {
        const std::string lower = Lower(widget.what);
        if (!IsWidgetSize(widget) || IsInvisibleKind(lower))
            continue;
        if (Contains(lower, "captcha") || Contains(lower, "turnstile") || Contains(lower, "challenge"))
        {
            what = "visible challenge widget";
            return true;
        }
    }
    return false;
}

int CountConsentButtons(const std::vector<std::string>& texts)
{
    return static_cast<int>(std::count_if(texts.begin(), texts.end(), OutcomeClassifier::IsConsentButton));
}
} // namespace

int OutcomeClassifier::Threshold(int usualLinks)
{
    return usualLinks > 0 ? std::max(1, usualLinks / 3) : AbsoluteFloor;
}

bool OutcomeClassifier::IsChallengeResource(const std::string& url)
{
    WebAddress::Parts parsed;
    if (!WebAddress::Split(url, parsed))
        return false;
    static const char* const providers[] = {"recaptcha.net", "hcaptcha.com", "challenges.cloudflare.com",
                                            "arkoselabs.com", "funcaptcha.com", "captcha-delivery.com",
                                            "geetest.com", "mtcaptcha.com", "friendlycaptcha.com"};
    for (const char* provider : providers)
    {
        if (EndsWithLabel(parsed.host, provider))
            return true;
    }
    // Google's challenge lives under a path of its main hosts.
    if ((EndsWithLabel(parsed.host, "google.com") || EndsWithLabel(parsed.host, "gstatic.com")) &&
        parsed.path.rfind("/recaptcha/", 0) == 0)
        return true;
    // Cloudflare's challenge scripts are served from the challenged site itself.
    return parsed.path.rfind("/cdn-cgi/challenge-platform/", 0) == 0;
}

bool OutcomeClassifier::IsConsentButton(const std::string& text)
{
    if (text.size() > 80)
        return false;
    const std::string lower = Lower(text);
    static const char* const words[] = {
        "accept", "agree", "consent", "reject", "decline", "allow all", "allow cookies",
        "akzeptieren", "zustimmen", "ablehnen", "accepter", "refuser", "aceptar", "rechazar",
        "accetta", "rifiuta", "aceitar", "rejeitar", "\xe5\x90\x8c\xe6\x84\x8f" /* 同意 */,
        "\xe6\x8e\xa5\xe5\x8f\x97" /* 接受 */, "\xe6\x8b\x92\xe7\xbb\x9d" /* 拒绝 */,
        "\xe6\x8b\x92\xe7\xb5\x95" /* 拒絕 */, "\xe6\x8b\x92\xe5\x90\xa6" /* 拒否 */,
        "\xe8\xa8\xb1\xe5\x8f\xaf" /* 許可 */, "\xeb\x8f\x99\xec\x9d\x98" /* 동의 */,
        "\xd0\xbf\xd1\x80\xd0\xb8\xd0\xbd\xd1\x8f\xd1\x82\xd1\x8c" /* принять */};
    for (const char* word : words)
    {
        if (Contains(lower, word))
            return true;
    }
    return false;
}

int OutcomeClassifier::CountResultLinks(const std::vector<std::string>& links, const std::string& pageUrl)
{
    const std::string site = WebAddress::SiteOf(pageUrl);
    if (site.empty())
        return 0;
    std::set<std::string> offSite;
    for (const std::string& link : links)
    {
        const std::string linkSite = WebAddress::SiteOf(link);
        if (linkSite.empty())
            continue;
        std::string target = link;
        if (linkSite == site)
        {
            target = WebAddress::RedirectTarget(link, pageUrl);
            if (target.empty() || WebAddress::SiteOf(target) == site)
                continue;
        }
        offSite.insert(target);
    }
    return static_cast<int>(offSite.size());
}

PageVerdict OutcomeClassifier::Classify(const PageSignals& signals, int usualLinks)
{
    if (!signals.answered)
        return {PageOutcome::Failed, "no answer"};
    const int links = CountResultLinks(signals.links, signals.pageUrl);
    const int threshold = Threshold(usualLinks);
    const bool few = links < threshold;
    const bool errorStatus = signals.status >= 400;
    const std::string counted = std::to_string(links) + " result links";

    if (signals.challengeHeader)
        return {PageOutcome::BotCheck, "cf-mitigated: challenge"};
    std::string challenge;
    if (HasVisibleChallenge(signals, challenge))
    {
        // A challenge on screen outweighs the header's and footer's links.
        std::vector<std::string> content;
        const std::set<std::string> chrome(signals.chromeLinks.begin(), signals.chromeLinks.end());
        for (const std::string& link : signals.links)
            if (!chrome.count(link))
                content.push_back(link);
        if (errorStatus || CountResultLinks(content, signals.pageUrl) < threshold)
            return {PageOutcome::BotCheck, challenge};
    }
    if (signals.challengeResources > 0 && errorStatus && few)
        return {PageOutcome::BotCheck, "challenge scripts on an error page"};

    const bool wallButtons = CountConsentButtons(signals.overlayButtons) > 0;
    if (signals.overlayCoverage >= WallCoverage && wallButtons)
        return {PageOutcome::Consent, "consent layer over the page"};
    if (signals.consentStatus == "visible" && (few || signals.overlayCoverage >= WallCoverage))
        return {PageOutcome::Consent, "consent dialog shown"};
    if (few && !errorStatus && CountConsentButtons(signals.pageButtons) > 0)
        return {PageOutcome::Consent, "consent page"};

    if (errorStatus)
        return {PageOutcome::HttpError, "status " + std::to_string(signals.status)};
    // The probe runs once the page's own scripts let go of it: a page that
    // never does shows nothing anyone can use.
    if (!signals.probed)
        return {PageOutcome::Failed, "the page did not respond"};
    return {few ? PageOutcome::Empty : PageOutcome::Results, counted};
}
