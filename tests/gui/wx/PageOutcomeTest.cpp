// The outcome of real pages in real views: a set of result pages, bot
// checks, consent walls, server errors and failures, each engine on a
// loopback host of its own, with the traps that make a normal result page
// look a little like a check. Reports the accuracy over the whole set.
#include "GuiTest.h"
#include "TestHttpServer.h"

#include "IEHtmlWin.h"
#include "PageProbe.h"

#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/weakref.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct Fixture
{
    const char* label;
    PageOutcome expected;
    int status;
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body;
    enum class Answer { Page, Reset, Silent, Refused } answer = Answer::Page;
};

std::string Html(const std::string& title, const std::string& body, const std::string& lang = "en")
{
    return "<!doctype html><html lang='" + lang + "'><head><meta charset='utf-8'><title>" + title +
           "</title><style>body{font:14px sans-serif;margin:8px}</style></head><body>"
           "<div><a href='/'>Home</a> <a href='/settings'>Settings</a> <a href='/help'>Help</a></div>" +
           body + "</body></html>";
}

// Result entries whose links leave the engine's site; the addresses are
// never followed.
std::string Results(int count, const std::string& title = "Result", const std::string& snippet = "About this page",
                    const std::string& wrap = "")
{
    std::string out = "<ol>";
    for (int i = 0; i < count; ++i)
    {
        const std::string target = "https://site" + std::to_string(i) + ".example/page";
        std::string href = target;
        if (!wrap.empty())
        {
            href = wrap;
            for (char c : target)
                href += c == ':' ? std::string("%3A") : c == '/' ? std::string("%2F") : std::string(1, c);
        }
        out += "<li><h3><a href='" + href + "'>" + title + " " + std::to_string(i) + "</a></h3><p>" + snippet +
               "</p></li>";
    }
    return out + "</ol>";
}

const char NothingFound[] = "<p>Your search did not match any documents.</p>";
const char BottomBanner[] =
    "<div style='position:fixed;left:0;right:0;bottom:0;height:70px;background:#eee'>We use cookies."
    " <button>Accept</button> <button>Reject</button></div>";
const char ConsentWall[] =
    "<div style='position:fixed;inset:0;background:rgba(0,0,0,.6)'></div>"
    "<div role='dialog' style='position:fixed;left:20%;top:20%;width:60%;height:50%;background:#fff'>"
    "<p>We value your privacy</p><button>Reject all</button> <button>Accept all</button></div>";
const char HiddenConsentStub[] =
    "<div style='display:none'><button>Accept all</button></div>"
    "<script>window.__tcfapi=function(c,v,cb){if(c==='ping')cb({displayStatus:'hidden',cmpLoaded:true},true);};"
    "</script>";
const char ScoreBadge[] =
    "<div class='grecaptcha-badge' style='position:fixed;right:0;bottom:14px;width:256px;height:60px'>"
    "<iframe src='https://www.google.com/recaptcha/api2/anchor?k=x&amp;size=invisible' width='256' height='60'>"
    "</iframe></div>";

std::vector<Fixture> Fixtures()
{
    using A = Fixture::Answer;
    const std::string csp = "default-src 'self' 'unsafe-inline'";
    std::vector<Fixture> f = {
        {"plain results", PageOutcome::Results, 200, {}, Html("q - Search", Results(10))},
        {"results about captchas", PageOutcome::Results, 200, {},
         Html("captcha - Search", "<p>Why do sites show a captcha?</p>" +
                                       Results(8, "CAPTCHA explained", "reCAPTCHA and hCaptcha compared") +
                                       "<a href='https://www.google.com/recaptcha/about/'>reCAPTCHA</a>")},
        {"results with an invisible score badge", PageOutcome::Results, 200, {},
         Html("q - Search", Results(10) + ScoreBadge)},
        {"results with a hidden consent stub", PageOutcome::Results, 200, {},
         Html("q - Search", Results(10) + HiddenConsentStub)},
        {"results with a security header naming challenge hosts", PageOutcome::Results, 200,
         {{"Content-Security-Policy",
           "default-src 'self' 'unsafe-inline' https://hcaptcha.com https://challenges.cloudflare.com "
           "https://www.google.com/recaptcha/"}},
         Html("q - Search", Results(10))},
        {"results under a bottom cookie banner", PageOutcome::Results, 200, {},
         Html("q - Search", Results(10) + BottomBanner)},
        {"results behind /url?q= redirect links", PageOutcome::Results, 200, {},
         Html("q - Search", Results(10, "Result", "x", "/url?sa=t&q="))},
        {"results behind ?uddg= redirect links", PageOutcome::Results, 200, {},
         Html("q - Search", Results(10, "Result", "x", "/l/?kh=-1&uddg="))},
        {"results in Chinese", PageOutcome::Results, 200, {},
         Html("\xe6\x90\x9c\xe7\xb4\xa2", Results(10, "\xe7\xbb\x93\xe6\x9e\x9c", "\xe9\xaa\x8c\xe8\xaf\x81\xe7\xa0\x81"), "zh-CN")},
        {"results in Japanese", PageOutcome::Results, 200, {},
         Html("\xe6\xa4\x9c\xe7\xb4\xa2", Results(10, "\xe7\xb5\x90\xe6\x9e\x9c", "\xe5\x90\x8c\xe6\x84\x8f\xe3\x81\x99\xe3\x82\x8b"), "ja")},
        {"results under a sticky header", PageOutcome::Results, 200, {},
         Html("q - Search", "<div style='position:fixed;top:0;left:0;right:0;height:60px;background:#fff'>"
                            "<input value='q'><button>Search</button></div>" + Results(10))},
        {"a few results", PageOutcome::Results, 200, {}, Html("q - Search", Results(3))},
        {"results with captcha in its headers", PageOutcome::Results, 200,
         {{"X-Captcha-Note", "captcha not required"}, {"cf-ray", "1234-AMS"}, {"cf-mitigated", "none"}},
         Html("q - Search", Results(10))},
        {"results after a redirect", PageOutcome::Results, 302, {{"Location", "/final"}}, ""},
        {"results with a visible frame of its own", PageOutcome::Results, 200, {},
         Html("q - Search", "<iframe src='/ad' width='300' height='250'></iframe>" + Results(10))},
        {"nothing found", PageOutcome::Empty, 200, {}, Html("q - Search", NothingFound)},
        {"nothing found, with a cookie banner", PageOutcome::Empty, 200, {},
         Html("q - Search", std::string(NothingFound) + BottomBanner)},
        {"nothing found, in Japanese", PageOutcome::Empty, 200, {},
         Html("\xe6\xa4\x9c\xe7\xb4\xa2", "<p>\xe4\xb8\x80\xe8\x87\xb4\xe3\x81\x99\xe3\x82\x8b\xe6\x83\x85\xe5\xa0\xb1\xe3\x81\xaf\xe8\xa6\x8b\xe3\x81\xa4\xe3\x81\x8b\xe3\x82\x8a\xe3\x81\xbe\xe3\x81\x9b\xe3\x82\x93</p>", "ja")},
        {"nothing found, with a hidden consent stub", PageOutcome::Empty, 200, {},
         Html("q - Search", std::string(NothingFound) + HiddenConsentStub)},
        {"unusual traffic with a reCAPTCHA, 429", PageOutcome::BotCheck, 429, {},
         Html("Sorry", "<p>Our systems have detected unusual traffic from your computer network.</p>"
                       "<iframe src='https://www.google.com/recaptcha/api2/anchor?k=x&amp;size=normal' "
                       "width='304' height='78'></iframe>")},
        {"Cloudflare challenge header, 403", PageOutcome::BotCheck, 403, {{"cf-mitigated", "challenge"}},
         Html("Just a moment...", "<p>Checking your browser.</p>")},
        {"Cloudflare interstitial, 503", PageOutcome::BotCheck, 503, {},
         Html("Just a moment...", "<p>Verifying you are human.</p>"
                                  "<script src='/cdn-cgi/challenge-platform/h/b/orchestrate/chl_page/v1'></script>")},
        {"hCaptcha widget", PageOutcome::BotCheck, 200, {},
         Html("Verify", "<div class='h-captcha'><iframe src='https://newassets.hcaptcha.com/captcha/v1/x/static/"
                        "hcaptcha.html#frame=checkbox' width='303' height='78'></iframe></div>")},
        {"Turnstile widget", PageOutcome::BotCheck, 200, {},
         Html("Verify", "<div class='cf-turnstile' style='width:300px;height:65px;border:1px solid #ccc'></div>")},
        {"press and hold challenge", PageOutcome::BotCheck, 200, {},
         Html("Access denied", "<p>Press and hold to confirm you are a human.</p>"
                               "<div id='px-captcha' style='width:310px;height:100px;background:#ddd'></div>")},
        {"consent wall over results", PageOutcome::Consent, 200, {}, Html("q - Search", Results(10) + ConsentWall)},
        {"before you continue page", PageOutcome::Consent, 200, {},
         Html("Before you continue", "<h1>Before you continue</h1><p>We use cookies and data to deliver our services.</p>"
                                     "<form><button>Reject all</button> <button>Accept all</button></form>")},
        {"consent framework dialog", PageOutcome::Consent, 200, {},
         Html("q - Search", "<div style='position:fixed;inset:0;background:rgba(0,0,0,.5)'><iframe src='/cmp' "
                            "style='margin:10% auto;display:block;width:60%;height:60%'></iframe></div>"
                            "<script>window.__tcfapi=function(c,v,cb){if(c==='ping')cb({displayStatus:'visible'},true);};"
                            "</script>" + Results(1))},
        {"consent wall in German", PageOutcome::Consent, 200, {},
         Html("Suche", Results(10) + "<div style='position:fixed;inset:0;background:#fff'><p>Bevor Sie fortfahren</p>"
                                     "<button>Alle ablehnen</button> <button>Alle akzeptieren</button></div>", "de")},
        {"server error", PageOutcome::HttpError, 500, {}, Html("Error", "<p>Internal error.</p>")},
        {"not found", PageOutcome::HttpError, 404, {}, Html("Not Found", "<p>No such page.</p>")},
        {"bad gateway, empty", PageOutcome::HttpError, 502, {}, ""},
        {"connection refused", PageOutcome::Failed, 0, {}, "", A::Refused},
        {"connection reset", PageOutcome::Failed, 0, {}, "", A::Reset},
        {"no answer in time", PageOutcome::Failed, 0, {}, "", A::Silent},
    };
    // Every page keeps to its own host: nothing reaches the internet.
    for (Fixture& fixture : f)
    {
        const bool hasPolicy = std::any_of(fixture.headers.begin(), fixture.headers.end(),
                                           [](const auto& h) { return h.first == "Content-Security-Policy"; });
        if (!hasPolicy)
            fixture.headers.push_back({"Content-Security-Policy", csp});
    }
    return f;
}

HttpResponse Answer(const Fixture& fixture, const HttpRequest& request)
{
    HttpResponse r;
    r.headers = fixture.headers;
    if (fixture.answer == Fixture::Answer::Reset)
        r.reset = true;
    else if (fixture.answer == Fixture::Answer::Silent)
        r.noReply = true;
    else if (request.target == "/final")
        r.body = Html("q - Search", Results(10));
    else if (request.target == "/ad" || request.target == "/cmp")
        r.body = "<html><body><button>OK</button></body></html>";
    else
    {
        r.status = fixture.status;
        r.body = fixture.body;
    }
    return r;
}

struct FixtureRun
{
    std::unique_ptr<TestHttpServer> server;
    wxFrame* frame = nullptr;
    wxIEHtmlWin* view = nullptr;
};
} // namespace

TEST(PageOutcome, FixtureSetIsClassifiedAccurately)
{
    const std::vector<Fixture> fixtures = Fixtures();
    ASSERT_GE(fixtures.size(), 30u);
    wxIEHtmlWin::SetLoadTimeout(3);
    const size_t batch = 6;
    size_t correct = 0;
    std::vector<std::string> wrong;
    for (size_t first = 0; first < fixtures.size(); first += batch)
    {
        std::vector<FixtureRun> runs;
        for (size_t i = first; i < std::min(fixtures.size(), first + batch); ++i)
        {
            const Fixture& fixture = fixtures[i];
            const std::string host = "127.0.0." + std::to_string(10 + i);
            FixtureRun run;
            run.server = std::make_unique<TestHttpServer>(
                [&fixture](const HttpRequest& r) { return Answer(fixture, r); }, TestHttpServer::Transport::Plain,
                host);
            const int port = fixture.answer == Fixture::Answer::Refused ? ClosedPort() : run.server->Port();
            run.frame = new wxFrame(TestParentFrame(), wxID_ANY, fixture.label, wxPoint(20 + 20 * (i % batch), 20),
                                    wxSize(1000, 700));
            run.view = new wxIEHtmlWin(run.frame, wxID_ANY);
            auto* sizer = new wxBoxSizer(wxVERTICAL);
            sizer->Add(run.view, 1, wxEXPAND);
            run.frame->SetSizer(sizer);
            run.frame->Show();
            run.frame->Layout();
            run.view->LoadUrl("http://" + host + ":" + std::to_string(port) + "/search?q=x");
            runs.push_back(std::move(run));
        }
        for (size_t k = 0; k < runs.size(); ++k)
        {
            const Fixture& fixture = fixtures[first + k];
            wxIEHtmlWin* view = runs[k].view;
            const bool decided = WaitUntil([&] {
                bool busy = false;
                return view->HasVerdict() && view->IsBusy(busy) && !busy;
            }, 30000);
            const PageVerdict verdict = decided ? view->GetProbe()->GetVerdict() : PageVerdict();
            if (decided && verdict.outcome == fixture.expected)
                ++correct;
            else
                wrong.push_back(std::string(fixture.label) + ": " + OutcomeName(verdict.outcome) + " (" +
                                verdict.reason + "), expected " + OutcomeName(fixture.expected));
            // The one rule with no tolerance: a page with results is never
            // sent to the person as a check or a wall.
            if (fixture.expected == PageOutcome::Results)
            {
                EXPECT_FALSE(NeedsPerson(verdict.outcome)) << fixture.label << ": " << verdict.reason;
            }
        }
        for (FixtureRun& run : runs)
        {
            wxWeakRef<wxWindow> gone(run.frame);
            run.frame->Destroy();
            WaitUntil([&] { return !gone; });
            run.server->Stop();
        }
    }
    wxIEHtmlWin::SetLoadTimeout(30);
    std::printf("[ outcome  ] %zu of %zu fixture pages classified correctly (%.1f%%)\n", correct, fixtures.size(),
                100.0 * correct / fixtures.size());
    for (const std::string& line : wrong)
        std::printf("[ outcome  ] wrong: %s\n", line.c_str());
    EXPECT_GE(correct * 100, fixtures.size() * 95);
}
