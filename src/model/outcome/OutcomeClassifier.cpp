#include "outcome/OutcomeClassifier.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace
{
struct ParsedUrl
{
    std::string host;
    std::string path;
    std::string query;
};

// Addresses come from the page's serialised links (absolute, normalised by
// WebKit) and from redirect parameters; only web addresses count. libcurl
// is not used here: the program loads it on the first fetch only.
bool Parse(const std::string& text, ParsedUrl& parsed)
{
    const size_t colon = text.find("://");
    if (colon == std::string::npos)
        return false;
    std::string scheme = text.substr(0, colon);
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (scheme != "http" && scheme != "https")
        return false;
    const size_t start = colon + 3;
    size_t end = text.find_first_of("/?#", start);
    if (end == std::string::npos)
        end = text.size();
    std::string authority = text.substr(start, end - start);
    const size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);
    if (!authority.empty() && authority.front() == '[')
    {
        const size_t close = authority.find(']');
        if (close == std::string::npos)
            return false;
        authority = authority.substr(0, close + 1);
    }
    else
    {
        const size_t port = authority.find(':');
        if (port != std::string::npos)
            authority.erase(port);
    }
    if (authority.empty())
        return false;
    std::transform(authority.begin(), authority.end(), authority.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (authority.back() == '.')
        authority.pop_back();
    parsed.host = authority;
    const size_t hash = text.find('#', end);
    const std::string rest = text.substr(end, hash == std::string::npos ? std::string::npos : hash - end);
    const size_t question = rest.find('?');
    parsed.path = question == std::string::npos ? rest : rest.substr(0, question);
    if (parsed.path.empty())
        parsed.path = "/";
    parsed.query = question == std::string::npos ? std::string() : rest.substr(question + 1);
    return true;
}

bool EndsWithLabel(const std::string& host, const std::string& domain)
{
    if (host == domain)
        return true;
    return host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
           host[host.size() - domain.size() - 1] == '.';
}

// The part of a host name its owner registered: the last two labels, or
// three under the usual second-level names of country domains (co.jp,
// com.cn). An address literal is its own site.
std::string SiteOf(const std::string& host)
{
    if (host.empty() || host.front() == '[' || std::isdigit(static_cast<unsigned char>(host.back())))
        return host;
    std::vector<size_t> dots;
    for (size_t i = 0; i < host.size(); ++i)
        if (host[i] == '.')
            dots.push_back(i);
    if (dots.size() < 2)
        return host;
    const size_t last = dots[dots.size() - 1];
    const size_t second = dots[dots.size() - 2];
    const std::string label = host.substr(second + 1, last - second - 1);
    static const std::set<std::string> secondLevel = {"co", "com", "net", "org", "gov", "edu", "ac",
                                                      "ne", "or", "go", "gr", "ed", "ad", "lg"};
    const bool country = host.size() - last - 1 == 2;
    if (country && secondLevel.count(label) && dots.size() >= 3)
        return host.substr(dots[dots.size() - 3] + 1);
    return host.substr(second + 1);
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0)
        {
            out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        }
        else
            out += text[i] == '+' ? ' ' : text[i];
    }
    return out;
}

std::string Base64UrlDecode(const std::string& text)
{
    std::string out;
    int bits = 0;
    unsigned value = 0;
    for (char c : text)
    {
        int digit;
        if (c >= 'A' && c <= 'Z') digit = c - 'A';
        else if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9') digit = c - '0' + 52;
        else if (c == '-' || c == '+') digit = 62;
        else if (c == '_' || c == '/') digit = 63;
        else break;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8)
        {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xff);
        }
    }
    return out;
}

bool IsWebAddress(const std::string& text)
{
    return text.compare(0, 7, "http://") == 0 || text.compare(0, 8, "https://") == 0;
}

// The address an engine's redirect link leads to (/url?q=..., ?u=,
// ?uddg=, and base64 "a1..." values), or "" when the link is no redirect.
std::string RedirectTarget(const std::string& query)
{
    size_t start = 0;
    while (start <= query.size())
    {
        size_t end = query.find('&', start);
        if (end == std::string::npos)
            end = query.size();
        const std::string pair = query.substr(start, end - start);
        const size_t equals = pair.find('=');
        if (equals != std::string::npos)
        {
            const std::string value = PercentDecode(pair.substr(equals + 1));
            if (IsWebAddress(value))
                return value;
            if (value.size() > 10 && value.compare(0, 2, "a1") == 0)
            {
                const std::string decoded = Base64UrlDecode(value.substr(2));
                if (IsWebAddress(decoded))
                    return decoded;
            }
        }
        start = end + 1;
    }
    return {};
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
    ParsedUrl parsed;
    if (!Parse(url, parsed))
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
    ParsedUrl page;
    if (!Parse(pageUrl, page))
        return 0;
    const std::string site = SiteOf(page.host);
    std::set<std::string> offSite;
    for (const std::string& link : links)
    {
        ParsedUrl parsed;
        if (!Parse(link, parsed))
            continue;
        std::string target = link;
        if (SiteOf(parsed.host) == site)
        {
            target = RedirectTarget(parsed.query);
            if (target.empty() || !Parse(target, parsed) || SiteOf(parsed.host) == site)
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
