// The browser view against a loopback server: what a new view shows, which
// addresses load, and the notifications its parent's parent receives.
#include "GuiTest.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include "IEHtmlWin.h"
#include "PageProbe.h"

#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stopwatch.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

namespace
{
struct SeenEvent
{
    wxEventType type;
    int id;
    wxString text;
    int long1;
    int long2;
};

std::string Page(const std::string& title, const std::string& body = "",
                 const std::string& head = "")
{
    return "<html><head><title>" + title + "</title>" + head + "</head><body>" + body +
           "</body></html>";
}

HttpResponse Serve(const HttpRequest& request)
{
    HttpResponse r;
    const std::string& path = request.target;
    if (path == "/a")
        r.body = Page("Page A", "<p>A</p>");
    else if (path == "/b")
        r.body = Page("Page B", "<p>B</p>");
    else if (path == "/forbidden")
        r.body = Page("Forbidden");
    else if (path == "/consent" || path == "/consentself")
    {
        // A wall over results; the person's "Reject all", or the page itself
        // a moment later, takes it away.
        std::string links;
        for (int i = 0; i < 8; ++i)
            links += "<p><a href='https://site" + std::to_string(i) + ".example/'>result</a></p>";
        r.body = Page("Wall", links +
                      "<div id='wall' style='position:fixed;inset:0;background:#fff'><button style='width:100%;"
                      "height:100%' onclick=\"document.getElementById('wall').remove()\">Reject all</button></div>" +
                      (path == "/consentself" ? "<script>setTimeout(() => document.getElementById('wall').remove(),"
                                                " 1500)</script>" : ""));
    }
    else if (path == "/held")
    {
        r.body = Page("Held");
        r.holdUntilReleased = true;
    }
    else if (path == "/link")
        r.body = Page("Link", "<a href=\"/a\" style=\"display:block;width:100%;height:100%\">go</a>",
                      "<style>html,body{margin:0;height:100%}</style>");
    else if (path == "/linkopener")
        r.body = Page("Link opener",
                      "<a href=\"/popup\" target=\"_blank\" style=\"display:block;width:100%;height:100%\">new</a>",
                      "<style>html,body{margin:0;height:100%}</style>");
    else if (path == "/scriptopener")
        r.body = Page("Script opener",
                      "<a href=\"#\" onclick=\"window.open('/popup'); return false;\" "
                      "style=\"display:block;width:100%;height:100%\">new</a>",
                      "<style>html,body{margin:0;height:100%}</style>");
    else if (path.rfind("/opener?", 0) == 0)
        r.body = Page("Opener", "<a href=\"" + path.substr(8) +
                                    "\" target=\"_blank\" style=\"display:block;width:100%;height:100%\">new</a>",
                      "<style>html,body{margin:0;height:100%}</style>");
    else if (path == "/popup")
        r.body = Page("Popup");
    else if (path == "/dialogs")
        r.body = Page("Dialogs",
                      "<script>alert('a'); var c = confirm('c'); var p = prompt('p', 'x');"
                      "document.title = 'after ' + c + ' ' + p;</script>");
    else
    {
        r.status = 404;
        r.body = Page("Missing");
    }
    return r;
}

class BrowserViewTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<TestHttpServer>(Serve);
        // WebKit's first view starts its helper processes; let that happen
        // before any test waits for a page.
        auto* frame = new wxFrame(TestParentFrame(), wxID_ANY, "warm-up");
        auto* view = new wxIEHtmlWin(frame, wxID_ANY);
        view->LoadUrl(s_server->Url("/a"));
        WaitUntil([&] { return view->GetTitle() == "Page A"; }, 60000);
        DestroyAndWait(frame);
    }

    static void TearDownTestSuite()
    {
        s_server.reset();
        wxIEHtmlWin::SetBrowserLauncher(nullptr);
    }

    void SetUp() override
    {
        m_frame = new wxFrame(TestParentFrame(), wxID_ANY, "browser view test", wxPoint(100, 100),
                              wxSize(640, 480));
        // The view's parent is a plain panel; the handlers sit one level up,
        // on the frame, so every event must travel upwards to be seen.
        m_parent = new wxPanel(m_frame);
        m_view = new wxIEHtmlWin(m_parent, ViewId);
        m_lastStatus.clear();
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(m_view, 1, wxEXPAND);
        m_parent->SetSizer(sizer);
        m_frame->Show();
        m_frame->Layout();

        for (const wxEventTypeTag<wxMSHTMLEvent>& type :
             {wxEVT_MSHTML_BEFORE_NAVIGATE, wxEVT_MSHTML_NEW_WINDOW, wxEVT_MSHTML_DOCUMENT_COMPLETE,
              wxEVT_MSHTML_PROGRESS_CHANGE, wxEVT_MSHTML_STATUS_TEXT_CHANGE, wxEVT_MSHTML_TITLE_CHANGE})
        {
            m_frame->Bind(type, [this](wxMSHTMLEvent& e) {
                m_events.push_back({e.GetEventType(), e.GetId(), e.m_text, e.m_long1, e.m_long2});
                if (e.GetEventType() == wxEVT_MSHTML_STATUS_TEXT_CHANGE)
                    m_lastStatus = e.m_text;
                if (m_vetoWhen && m_vetoWhen(e))
                    e.Veto();
            });
        }
    }

    void TearDown() override
    {
        s_server->ReleaseHeld();
        DestroyAndWait(m_frame);
    }

    static void DestroyAndWait(wxWindow* window)
    {
        wxWeakRef<wxWindow> gone(window);
        window->Destroy();
        EXPECT_TRUE(WaitUntil([&] { return !gone; }));
    }

    bool Saw(wxEventType type, const wxString& text) const
    {
        return std::any_of(m_events.begin(), m_events.end(), [&](const SeenEvent& e) {
            return e.type == type && e.text == text;
        });
    }

    bool WaitComplete(const wxString& url, int timeoutMs = 20000)
    {
        return WaitUntil([&] { return Saw(wxEVT_MSHTML_DOCUMENT_COMPLETE, url); }, timeoutMs);
    }

    size_t RequestsFor(const std::string& target) const
    {
        auto requests = s_server->Requests();
        return std::count_if(requests.begin(), requests.end(),
                             [&](const HttpRequest& r) { return r.target == target; });
    }

    static wxString Url(const std::string& target) { return wxString::FromUTF8(s_server->Url(target)); }

    // Puts the pointer on the view's centre until WebKit reports the link
    // there (its status text); a page only sees a pointer that moved onto it.
    bool HoverCentre(const wxString& link)
    {
        const wxRect rect = m_view->GetScreenRect();
        const wxPoint centre(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2);
        wxUIActionSimulator sim;
        wxStopWatch sinceMove;
        int nudge = 0;
        return WaitUntil([&] {
            if (m_lastStatus == link)
                return true;
            if (nudge == 0 || sinceMove.Time() > 100)
            {
                sim.MouseMove(centre + wxPoint(nudge % 2, nudge % 2));
                ++nudge;
                sinceMove.Start();
            }
            return false;
        });
    }

    void ClickCentre(const wxString& link)
    {
        ASSERT_TRUE(HoverCentre(link)) << "the pointer never reached " << link;
        wxUIActionSimulator().MouseClick();
    }

    // Waits until the X server has the pointer where it was sent.
    static bool PointerAt(const wxPoint& where)
    {
        return WaitUntil([&] { return wxGetMouseState().GetPosition() == where; }, 3000);
    }

    static constexpr int ViewId = 4242;
    static std::unique_ptr<TestHttpServer> s_server;
    wxFrame* m_frame = nullptr;
    wxPanel* m_parent = nullptr;
    wxIEHtmlWin* m_view = nullptr;
    std::vector<SeenEvent> m_events;
    std::function<bool(const wxMSHTMLEvent&)> m_vetoWhen;
    wxString m_lastStatus;  // the view's latest status text, kept across clears
};

std::unique_ptr<TestHttpServer> BrowserViewTest::s_server;

TEST_F(BrowserViewTest, StartsBlankAndLoadsPlainFilePaths)
{
    {
        SCOPED_TRACE("a new view is on about:blank, with nothing to go back to");
        ASSERT_TRUE(WaitComplete("about:blank"));
        EXPECT_EQ(m_view->GetWebView()->GetCurrentURL(), "about:blank");
        EXPECT_EQ(m_view->GetTitle(), "");
        EXPECT_FALSE(m_view->GoBack());
        EXPECT_FALSE(m_view->GoForward());
    }
    {
        SCOPED_TRACE("an absolute path with a space and non-ASCII letters loads the file");
        TempDir dir;
        const std::string path = dir.File("start page \xC3\xA9.htm");
        ASSERT_TRUE(WriteFileBytes(path, Page("Local start")));
        m_view->LoadUrl(wxString::FromUTF8(path));
        ASSERT_TRUE(WaitUntil([&] { return m_view->GetTitle() == "Local start"; }));
        const wxString url = m_view->GetWebView()->GetCurrentURL();
        EXPECT_TRUE(url.StartsWith("file://")) << url;
        EXPECT_EQ(wxFileName::URLToFileName(url).GetFullPath(), wxString::FromUTF8(path));
        EXPECT_TRUE(WaitComplete(url));
    }
    {
        SCOPED_TRACE("an empty address is ignored");
        const wxString before = m_view->GetWebView()->GetCurrentURL();
        m_view->LoadUrl("");
        // A load that starts shows its address at once (as the next one does).
        EXPECT_EQ(m_view->GetWebView()->GetCurrentURL(), before);
        bool busy = true;
        EXPECT_TRUE(m_view->IsBusy(busy));
        EXPECT_FALSE(busy);
        m_view->LoadUrl(Url("/b"));
        EXPECT_EQ(m_view->GetWebView()->GetCurrentURL(), Url("/b"));
        EXPECT_TRUE(WaitComplete(Url("/b")));
    }
}

TEST_F(BrowserViewTest, EventsCarryIdTextAndNumbersInOrder)
{
    ASSERT_TRUE(WaitComplete("about:blank"));
    m_events.clear();
    const wxString url = Url("/a");
    m_view->LoadUrl(url);
    ASSERT_TRUE(WaitComplete(url));
    ASSERT_TRUE(WaitUntil([&] { return Saw(wxEVT_MSHTML_TITLE_CHANGE, "Page A"); }));

    for (const SeenEvent& e : m_events)
        EXPECT_EQ(e.id, ViewId);

    auto position = [&](wxEventType type, const wxString& text) {
        auto it = std::find_if(m_events.begin(), m_events.end(), [&](const SeenEvent& e) {
            return e.type == type && e.text == text;
        });
        return it == m_events.end() ? -1 : static_cast<int>(it - m_events.begin());
    };
    const int before = position(wxEVT_MSHTML_BEFORE_NAVIGATE, url);
    const int complete = position(wxEVT_MSHTML_DOCUMENT_COMPLETE, url);
    {
        // WebKit may report the title just after completion, so only its
        // presence is checked.
        SCOPED_TRACE("before-navigate first, document-complete after it, and the title");
        ASSERT_GE(before, 0);
        for (int i = 0; i < before; ++i)
            EXPECT_EQ(m_events[i].type, wxEVT_MSHTML_PROGRESS_CHANGE);
        EXPECT_GT(complete, before);
        EXPECT_GT(position(wxEVT_MSHTML_TITLE_CHANGE, "Page A"), before);
    }
    {
        SCOPED_TRACE("progress: amount then maximum 100, ending at 100/100 before completion");
        std::vector<SeenEvent> progress;
        for (int i = 0; i < complete; ++i)
            if (m_events[i].type == wxEVT_MSHTML_PROGRESS_CHANGE)
                progress.push_back(m_events[i]);
        ASSERT_FALSE(progress.empty());
        for (const SeenEvent& e : progress)
        {
            EXPECT_EQ(e.long2, 100);
            EXPECT_GE(e.long1, 0);
            EXPECT_LE(e.long1, 100);
            EXPECT_TRUE(e.text.empty());
        }
        EXPECT_EQ(progress.back().long1, 100);
    }
    {
        SCOPED_TRACE("history and reload");
        EXPECT_EQ(m_view->GetTitle(), "Page A");
        bool busy = true;
        EXPECT_TRUE(m_view->IsBusy(busy));
        EXPECT_FALSE(busy);
        ASSERT_TRUE(m_view->GoBack());
        ASSERT_TRUE(WaitComplete("about:blank"));
        ASSERT_TRUE(m_view->GoForward());
        ASSERT_TRUE(WaitUntil([&] { return m_view->GetTitle() == "Page A"; }));
        const size_t served = RequestsFor("/a");
        EXPECT_TRUE(m_view->Refresh(0));
        EXPECT_TRUE(WaitUntil([&] { return RequestsFor("/a") > served; }));
    }
}

TEST_F(BrowserViewTest, BusyWhileLoadingUntilStopped)
{
    ASSERT_TRUE(WaitComplete("about:blank"));
    m_view->LoadUrl(Url("/held"));
    ASSERT_TRUE(s_server->WaitForRequests(1, 20000));
    bool busy = false;
    ASSERT_TRUE(WaitUntil([&] { return m_view->IsBusy(busy) && busy; }));
    EXPECT_TRUE(m_view->Stop());
    EXPECT_TRUE(WaitUntil([&] { return m_view->IsBusy(busy) && !busy; }));
    EXPECT_NE(m_view->GetTitle(), "Held");
    SCOPED_TRACE("stopped in the same turn as it was asked for, before WebKit says it loads");
    for (int i = 0; i < 5; ++i)
    {
        m_view->LoadUrl(Url("/held"));
        EXPECT_TRUE(m_view->Stop());
        EXPECT_TRUE(WaitUntil([&] { return m_view->IsBusy(busy) && !busy; }));
    }
    // Only the stopped load's own question is refused: the page's next
    // navigation goes ahead.
    m_view->GetWebView()->RunScript("location.href = '" + Url("/a") + "'");
    EXPECT_TRUE(WaitUntil([&] { return m_view->GetTitle() == "Page A"; }));
}

TEST_F(BrowserViewTest, VetoedNavigationDoesNotHappen)
{
    ASSERT_TRUE(WaitComplete("about:blank"));
    m_vetoWhen = [](const wxMSHTMLEvent& e) {
        return e.GetEventType() == wxEVT_MSHTML_BEFORE_NAVIGATE && e.m_text.Contains("forbidden");
    };
    const wxString forbidden = Url("/forbidden");
    m_view->LoadUrl(forbidden);
    ASSERT_TRUE(WaitUntil([&] { return Saw(wxEVT_MSHTML_BEFORE_NAVIGATE, forbidden); }));
    bool busy = true;
    EXPECT_TRUE(WaitUntil([&] { return m_view->IsBusy(busy) && !busy; }));

    // A later, allowed navigation goes through; the vetoed one never did.
    const wxString allowed = Url("/b");
    m_view->LoadUrl(allowed);
    ASSERT_TRUE(WaitComplete(allowed));
    // WebKit may report the title just after the load ends.
    EXPECT_TRUE(WaitUntil([&] { return m_view->GetTitle() == "Page B"; }));
    EXPECT_EQ(RequestsFor("/forbidden"), 0u);
    EXPECT_FALSE(Saw(wxEVT_MSHTML_DOCUMENT_COMPLETE, forbidden));
}

TEST_F(BrowserViewTest, NewWindowOpensOutsideUnlessVetoed)
{
    std::vector<wxString> launched;
    wxIEHtmlWin::SetBrowserLauncher([&](const wxString& url) {
        launched.push_back(url);
        return true;
    });
    const wxString popup = Url("/popup");
    const std::map<std::string, wxString> linkOf = {{"/linkopener", popup},
                                                    {"/scriptopener", Url("/scriptopener#")}};
    // A link with a target, and a script opening a window from a click
    // (WebKit aborts the program unless that request gets a view).
    for (const std::string opener : {"/linkopener", "/scriptopener"})
    {
        SCOPED_TRACE("allowed, the system's browser gets the address: " + opener);
        launched.clear();
        m_events.clear();
        m_view->LoadUrl(Url(opener));
        ASSERT_TRUE(WaitComplete(Url(opener)));
        ClickCentre(linkOf.at(opener));
        ASSERT_TRUE(WaitUntil([&] { return !launched.empty(); }));
        EXPECT_EQ(launched, std::vector<wxString>{popup});
        EXPECT_TRUE(std::any_of(m_events.begin(), m_events.end(), [](const SeenEvent& e) {
            return e.type == wxEVT_MSHTML_NEW_WINDOW && e.id == ViewId && e.text.empty();
        }));
        // The page stays where it was and nothing of ours loaded the address;
        // a later load of our own shows that nothing else came before it.
        EXPECT_EQ(m_view->GetWebView()->GetCurrentURL(), Url(opener));
        m_view->LoadUrl(Url("/b"));
        ASSERT_TRUE(WaitComplete(Url("/b")));
        EXPECT_FALSE(Saw(wxEVT_MSHTML_BEFORE_NAVIGATE, popup));
        EXPECT_EQ(RequestsFor("/popup"), 0u);
    }
    {
        SCOPED_TRACE("vetoed: nothing is launched");
        launched.clear();
        m_events.clear();
        m_vetoWhen = [](const wxMSHTMLEvent& e) { return e.GetEventType() == wxEVT_MSHTML_NEW_WINDOW; };
        m_view->LoadUrl(Url("/scriptopener"));
        ASSERT_TRUE(WaitComplete(Url("/scriptopener")));
        ClickCentre(linkOf.at("/scriptopener"));
        ASSERT_TRUE(WaitUntil([&] { return Saw(wxEVT_MSHTML_NEW_WINDOW, ""); }));
        // The launch would follow the event at once, within its handling.
        EXPECT_TRUE(launched.empty());
    }
    wxIEHtmlWin::SetBrowserLauncher(nullptr);
}

// Only web and mail addresses go to the system's handlers; any other scheme
// a page asks to open in a new window is shown in the status bar instead.
TEST_F(BrowserViewTest, OnlyWebAndMailAddressesOpenOutside)
{
    std::vector<wxString> launched;
    wxIEHtmlWin::SetBrowserLauncher([&](const wxString& url) {
        launched.push_back(url);
        return true;
    });
    for (const char* address : {"https://www.example.test/x", "mailto:someone@example.test",
                                "ssh://example.test/x", "smb://example.test/share", "x-custom:anything"})
    {
        SCOPED_TRACE(address);
        const bool allowed = wxString(address).Lower().StartsWith("http") ||
                             wxString(address).StartsWith("mailto:");
        launched.clear();
        m_view->LoadUrl(Url(std::string("/opener?") + address));
        ASSERT_TRUE(WaitComplete(Url(std::string("/opener?") + address)));
        ASSERT_TRUE(HoverCentre(address));
        DrainEvents();
        m_events.clear();
        wxUIActionSimulator().MouseClick();
        ASSERT_TRUE(WaitUntil([&] { return Saw(wxEVT_MSHTML_NEW_WINDOW, ""); }));
        DrainEvents();
        EXPECT_EQ(launched, allowed ? std::vector<wxString>{address} : std::vector<wxString>{});
        EXPECT_EQ(!allowed, Saw(wxEVT_MSHTML_STATUS_TEXT_CHANGE, address));
    }
    wxIEHtmlWin::SetBrowserLauncher(nullptr);
}

TEST(BrowserViewOutside, NoBrowserToStartIsSaidPlainly)
{
    struct Errors : wxLog
    {
        std::vector<wxString> texts;
        void DoLogRecord(wxLogLevel, const wxString& text, const wxLogRecordInfo&) override { texts.push_back(text); }
    } errors;
    wxString path;
    wxGetEnv("PATH", &path);
    wxSetEnv("PATH", "/nonexistent");  // no program to hand the address to
    wxLog* previous = wxLog::SetActiveTarget(&errors);
    EXPECT_FALSE(wxIEHtmlWin::OpenOutside("https://www.example.test/x"));
    wxLog::SetActiveTarget(previous);
    wxSetEnv("PATH", path);
    EXPECT_EQ(errors.texts, std::vector<wxString>{"No web browser could be started to open https://www.example.test/x."});
}

TEST_F(BrowserViewTest, ScriptDialogsNeverShow)
{
    m_view->LoadUrl(Url("/dialogs"));
    // The script runs past its alert, confirm and prompt without anyone
    // answering: confirm gives false and prompt gives nothing.
    ASSERT_TRUE(WaitUntil([&] { return m_view->GetTitle().StartsWith("after"); }));
    EXPECT_EQ(m_view->GetTitle(), "after false null");
}

TEST_F(BrowserViewTest, StatusTextFollowsTheLinkUnderTheMouse)
{
    const wxString link = Url("/link");
    m_view->LoadUrl(link);
    ASSERT_TRUE(WaitComplete(link));

    wxUIActionSimulator sim;
    const wxRect rect = m_view->GetScreenRect();
    const wxString target = Url("/a");
    {
        SCOPED_TRACE("over the link: its address");
        ASSERT_TRUE(HoverCentre(target));
        EXPECT_TRUE(Saw(wxEVT_MSHTML_STATUS_TEXT_CHANGE, target));
    }
    {
        SCOPED_TRACE("off the link: empty text");
        const wxPoint aside(rect.GetLeft() + rect.GetWidth() / 2 + 5, rect.GetTop() + rect.GetHeight() / 2);
        sim.MouseMove(aside);
        ASSERT_TRUE(PointerAt(aside));
        DrainEvents();
        m_events.clear();
        m_view->LoadUrl(Url("/b"));  // no link anywhere on this page
        ASSERT_TRUE(WaitComplete(Url("/b")));
        sim.MouseMove(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2 + 5);
        EXPECT_TRUE(WaitUntil([&] { return Saw(wxEVT_MSHTML_STATUS_TEXT_CHANGE, ""); }));
        for (const SeenEvent& e : m_events)
        {
            if (e.type == wxEVT_MSHTML_STATUS_TEXT_CHANGE)
            {
                EXPECT_EQ(e.id, ViewId);
            }
        }
    }
}
TEST_F(BrowserViewTest, MiddleAndControlClicksOpenLinksOutside)
{
    std::vector<wxString> launched;
    wxIEHtmlWin::SetBrowserLauncher([&](const wxString& url) {
        launched.push_back(url);
        return true;
    });
    const wxString link = Url("/link");
    m_view->LoadUrl(link);
    ASSERT_TRUE(WaitComplete(link));
    ASSERT_TRUE(HoverCentre(Url("/a")));
    const size_t followed = RequestsFor("/a");
    wxUIActionSimulator sim;
    {
        SCOPED_TRACE("middle click: the system gets the link");
        sim.MouseClick(wxMOUSE_BTN_MIDDLE);
        ASSERT_TRUE(WaitUntil([&] { return !launched.empty(); }));
        EXPECT_EQ(launched, std::vector<wxString>{Url("/a")});
    }
    {
        SCOPED_TRACE("Ctrl+click: the same, and the page stays");
        launched.clear();
        sim.KeyDown(WXK_CONTROL);
        sim.MouseClick();
        sim.KeyUp(WXK_CONTROL);
        ASSERT_TRUE(WaitUntil([&] { return !launched.empty(); }));
        EXPECT_EQ(launched, std::vector<wxString>{Url("/a")});
        DrainEvents();
        EXPECT_EQ(m_view->GetTitle(), "Link");
        EXPECT_EQ(RequestsFor("/a"), followed);
    }
}
} // namespace

TEST_F(BrowserViewTest, APassedConsentWallIsNoticed)
{
    auto outcome = [&] { return m_view->HasVerdict() ? m_view->GetProbe()->GetVerdict().outcome : PageOutcome::Failed; };
    {
        SCOPED_TRACE("the person clicks the wall's button");
        m_view->LoadUrl(Url("/consent"));
        ASSERT_TRUE(WaitUntil([&] { return outcome() == PageOutcome::Consent; }));
        const wxRect rect = m_view->GetScreenRect();
        wxUIActionSimulator sim;
        sim.MouseMove(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2);
        ASSERT_TRUE(PointerAt(wxPoint(rect.GetLeft() + rect.GetWidth() / 2, rect.GetTop() + rect.GetHeight() / 2)));
        sim.MouseClick();
        EXPECT_TRUE(WaitUntil([&] { return outcome() == PageOutcome::Results; }, 10000));
    }
    {
        SCOPED_TRACE("the page takes the wall away by itself");
        m_view->LoadUrl(Url("/consentself"));
        ASSERT_TRUE(WaitUntil([&] { return outcome() == PageOutcome::Consent; }));
        EXPECT_TRUE(WaitUntil([&] { return outcome() == PageOutcome::Results; }, 10000));
    }
}
