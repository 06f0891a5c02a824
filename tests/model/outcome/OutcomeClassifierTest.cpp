// The outcome of a page from its signals: each outcome, and the traps where
// a normal result page looks a little like a check or a consent wall.
#include "outcome/OutcomeClassifier.h"

#include <gtest/gtest.h>

namespace
{
const char Page[] = "https://www.engine.example/search?q=x";

std::vector<std::string> ResultLinks(int count)
{
    std::vector<std::string> links = {"https://www.engine.example/settings", "https://help.engine.example/"};
    for (int i = 0; i < count; ++i)
        links.push_back("https://site" + std::to_string(i) + ".org/page");
    return links;
}

PageSignals Loaded(int status, int links)
{
    PageSignals s;
    s.answered = true;
    s.probed = true;
    s.status = status;
    s.pageUrl = Page;
    s.links = ResultLinks(links);
    return s;
}
} // namespace

TEST(OutcomeClassifier, EachOutcomeAndItsTraps)
{
    struct Case
    {
        const char* label;
        PageSignals signals;
        int usual;
        PageOutcome expected;
    };
    std::vector<Case> cases;
    auto add = [&](const char* label, PageSignals s, PageOutcome expected, int usual = 0) {
        cases.push_back({label, std::move(s), usual, expected});
    };

    add("plain results", Loaded(200, 10), PageOutcome::Results);
    add("nothing found", Loaded(200, 0), PageOutcome::Empty);
    add("below the floor", Loaded(200, OutcomeClassifier::AbsoluteFloor - 1), PageOutcome::Empty);
    add("few, but as many as the engine usually shows", Loaded(200, 2), PageOutcome::Results, 4);
    add("a fraction of the engine's usual count", Loaded(200, 5), PageOutcome::Empty, 60);
    {
        PageSignals s;
        add("no answer", s, PageOutcome::Failed);
    }
    add("server error", Loaded(500, 0), PageOutcome::HttpError);
    {
        PageSignals s = Loaded(403, 0);
        s.challengeHeader = true;
        add("cloudflare header", s, PageOutcome::BotCheck);
    }
    {
        PageSignals s = Loaded(429, 0);
        s.frames.push_back({"https://www.google.com/recaptcha/api2/anchor?k=1&size=normal", 304, 78});
        add("recaptcha on a 429", s, PageOutcome::BotCheck);
    }
    {
        PageSignals s = Loaded(200, 1);
        s.widgets.push_back({"div#challenge.cf-turnstile", 300, 65});
        add("turnstile widget", s, PageOutcome::BotCheck);
    }
    {
        PageSignals s = Loaded(503, 0);
        s.challengeResources = 2;
        add("challenge scripts on a 503", s, PageOutcome::BotCheck);
    }
    {
        PageSignals s = Loaded(200, 12);
        s.challengeResources = 1;
        s.frames.push_back({"https://www.google.com/recaptcha/api2/anchor?k=1&size=invisible", 256, 60});
        s.widgets.push_back({"div.grecaptcha-badge", 256, 60});
        add("trap: invisible score badge on results", s, PageOutcome::Results);
    }
    {
        PageSignals s = Loaded(200, 0);
        s.frames.push_back({"https://hcaptcha.com/checkbox", 0, 0});
        add("trap: collapsed challenge frame on an empty page", s, PageOutcome::Empty);
    }
    {
        PageSignals s = Loaded(200, 8);
        s.links.push_back("https://www.google.com/recaptcha/about/");
        add("trap: results about captchas", s, PageOutcome::Results);
    }
    {
        PageSignals s = Loaded(200, 0);
        s.overlayCoverage = 1.0;
        s.overlayButtons = {"Reject all", "Accept all"};
        add("consent wall", s, PageOutcome::Consent);
    }
    {
        PageSignals s = Loaded(200, 10);
        s.overlayCoverage = 0.8;
        s.overlayButtons = {"\xe5\x90\x8c\xe6\x84\x8f\xe3\x81\x99\xe3\x82\x8b"};
        add("consent wall over results, in Japanese", s, PageOutcome::Consent);
    }
    {
        PageSignals s = Loaded(200, 10);
        s.overlayCoverage = 0.12;
        s.overlayButtons = {"Accept cookies"};
        add("trap: bottom cookie banner", s, PageOutcome::Results);
    }
    {
        PageSignals s = Loaded(200, 0);
        s.overlayCoverage = 0.12;
        s.overlayButtons = {"OK"};
        add("trap: banner on an empty page", s, PageOutcome::Empty);
    }
    {
        PageSignals s = Loaded(200, 0);
        s.pageButtons = {"Search", "I agree"};
        add("before you continue page", s, PageOutcome::Consent);
    }
    {
        PageSignals s = Loaded(200, 1);
        s.consentStatus = "visible";
        add("consent framework shows its dialog", s, PageOutcome::Consent);
    }
    {
        PageSignals s = Loaded(200, 9);
        s.consentStatus = "hidden";
        add("trap: hidden consent stub", s, PageOutcome::Results);
    }
    {
        PageSignals s = Loaded(200, 0);
        s.links = {"https://www.engine.example/url?q=https%3A%2F%2Fa.org%2F&sa=U",
                   "https://www.engine.example/l/?uddg=https%3A%2F%2Fb.net%2Fx",
                   "https://r.engine.example/ck?u=a1aHR0cHM6Ly9jLmNvbS8",
                   "https://www.engine.example/url?q=https%3A%2F%2Fa.org%2F&sa=U"};
        add("results behind redirect links", s, PageOutcome::Results);
    }
    {
        PageSignals s = Loaded(200, 0);
        s.pageUrl = "https://search.engine.co.jp/s?q=x";
        s.links = {"https://images.engine.co.jp/", "https://news.engine.co.jp/", "https://other.co.jp/"};
        add("country second-level site", s, PageOutcome::Empty);
    }

    {
        PageSignals s = Loaded(200, 10);
        s.probed = false;
        add("a page whose scripts never let the probe in", s, PageOutcome::Failed);
    }
    {
        PageSignals s = Loaded(200, 0);
        for (int i = 0; i < 6; ++i)
            s.links.push_back("https://social" + std::to_string(i) + ".example/");
        s.chromeLinks.assign(s.links.end() - 6, s.links.end());
        s.widgets.push_back({"div#challenge-stage", 300, 65});
        add("a challenge over a page with footer links only", s, PageOutcome::BotCheck);
        s.chromeLinks.clear();
        add("trap: the same links in the page's own column", s, PageOutcome::Results);
    }

    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const PageVerdict verdict = OutcomeClassifier::Classify(c.signals, c.usual);
        EXPECT_EQ(OutcomeName(c.expected), std::string(OutcomeName(verdict.outcome))) << verdict.reason;
        EXPECT_FALSE(verdict.reason.empty());
    }
}

TEST(OutcomeClassifier, ProbeReportIsReadDefensively)
{
    struct Case
    {
        const char* label;
        const char* json;
        bool read;
        size_t links;
        double overlay;
    };
    const Case cases[] = {
        {"well formed",
         R"({"url":"https://e.example/","links":["https://a.org/",7,"https://b.org/"],"frames":[{"what":"x","w":3,"h":4}],"overlay":0.5})",
         true, 2, 0.5},
        {"not json", "<html>", false, 0, 0},
        {"not an object", "[1,2]", false, 0, 0},
        {"coverage out of range", R"({"overlay":7})", true, 0, 1},
        {"wrong types", R"({"links":"x","frames":5,"overlay":"big"})", true, 0, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        PageSignals s;
        EXPECT_EQ(c.read, s.ReadProbe(c.json));
        EXPECT_EQ(c.read, s.probed);
        EXPECT_EQ(c.links, s.links.size());
        EXPECT_DOUBLE_EQ(c.overlay, s.overlayCoverage);
    }
}

TEST(OutcomeClassifier, ChallengeResources)
{
    const std::pair<const char*, bool> cases[] = {
        {"https://www.google.com/recaptcha/api.js", true},
        {"https://www.gstatic.com/recaptcha/releases/x/recaptcha__en.js", true},
        {"https://js.hcaptcha.com/1/api.js", true},
        {"https://challenges.cloudflare.com/turnstile/v0/api.js", true},
        {"https://shop.example/cdn-cgi/challenge-platform/h/g/orchestrate", true},
        {"https://www.google.com/search?q=recaptcha", false},
        {"https://nothcaptcha.com/", false},
        {"javascript:void(0)", false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        EXPECT_EQ(c.second, OutcomeClassifier::IsChallengeResource(c.first));
    }
}
