// The result pages as a browser, in the real main window: failed engines,
// find and zoom, the tab menu, cookies kept and cleared, downloads.
#include "frame/OrvaneFrameFixture.h"

#include "catalogue/EngineRules.h"
#include "common/DeferredStatusBar.h"

#include "pages/FindBar.h"
#include "pages/NoticeBar.h"
#include "WebDownloads.h"
#include "WebSession.h"

#include <wx/dcclient.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/panel.h>
#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/stattext.h>
#include <wx/button.h>
#include <wx/gauge.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <iostream>
#include <wx/webview.h>

#include <webkit2/webkit2.h>

#include <filesystem>
#include <functional>

#include <sys/stat.h>


namespace
{
std::string EngineXml(int index, const std::string& name, const std::string& url)
{
    return "  <ENGINE><INDEX>" + std::to_string(index) +
           "</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>" + name +
           "</NAME><URL>" + url + "</URL><ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>\n";
}

std::string CatalogueOf(const std::vector<std::pair<std::string, std::string>>& engines)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n";
    int index = 1;
    for (const auto& [name, url] : engines)
        xml += EngineXml(index++, name, url);
    return xml + "</ENGINES>\n";
}
} // namespace

// The question before a page's own download is saved, answered with
// wxID_OK (Save) or wxID_CANCEL; counted in *asked.
class ExpectSaveQuestion : public wxExpectModalBase<wxMessageDialog, ExpectSaveQuestion>
{
public:
    // expected: the whole question, when the test knows it.
    ExpectSaveQuestion(int answer, int* asked, const wxString& expected = wxString(),
                       std::function<void()> check = {})
        : m_answer(answer), m_asked(asked), m_expected(expected), m_check(std::move(check))
    {
        m_description = "the question before saving";
    }

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        if (m_expected.empty())
            EXPECT_TRUE(dlg->GetMessage().Contains(" wants to save \"file.bin\"") &&
                        dlg->GetMessage().Contains(" from 127.0.0.1 into "))
                << dlg->GetMessage();
        else
            EXPECT_EQ(dlg->GetMessage(), m_expected);
        if (m_check)
            m_check();
        EXPECT_EQ(dlg->GetOKLabel(), "Save");
        EXPECT_EQ(dlg->GetCancelLabel(), "Cancel");
        ++*m_asked;
        return m_answer;
    }

private:
    int m_answer;
    int* m_asked;
    wxString m_expected;
    std::function<void()> m_check;
};

class ResultPagesTest : public OrvaneFrameFixture
{
protected:
    void SetUp() override
    {
        OrvaneFrameFixture::SetUp();
        wxIEHtmlWin::SetBrowserLauncher([this](const wxString& url) {
            m_launched.push_back(url);
            return true;
        });
        m_pages = std::make_unique<TestHttpServer>([this](const HttpRequest& r) { return Serve(r); });
    }

    void TearDown() override
    {
        OrvaneFrameFixture::TearDown();
        wxIEHtmlWin::SetBrowserLauncher(nullptr);
        m_pages->Stop();
    }

    HttpResponse Serve(const HttpRequest& request)
    {
        HttpResponse r;
        const std::string path = request.target.substr(0, request.target.find('?'));
        if (path == "/hang")
            r.noReply = true;
        else if (path == "/broken")
        {
            r.status = 500;
            r.body = "<html><head><title>Broken</title></head><body>oops</body></html>";
        }
        else if (path == "/sorry")
        {
            r.status = 429;
            r.body = "<html><head><title>Sorry</title></head><body><p>Unusual traffic from your network.</p>"
                     "<div class='g-recaptcha' style='width:304px;height:78px;border:1px solid'></div></body></html>";
        }
        else if (path == "/wall")
            r.body = "<html><head><title>Wall</title></head><body><a href='https://a.example/'>a</a> "
                     "<a href='https://b.example/'>b</a> <a href='https://c.example/'>c</a>"
                     "<div style='position:fixed;inset:0;background:#fff'><p>Before you continue</p>"
                     "<button>Reject all</button><button>Accept all</button></div></body></html>";
        else if (path == "/plain")
            r.body = "<html><head><title>Plain</title></head><body>No results.</body></html>";
        else if (path == "/fruit")
            r.body = "<html><head><title>Fruit</title></head><body><p>apple banana apple</p>"
                     "<p>Apple pie</p></body></html>";
        else if (path == "/cookie")
        {
            const auto it = request.headers.find("cookie");
            m_cookieSeen.push_back(it == request.headers.end() ? std::string() : it->second);
            r.body = "<html><head><title>Cookie</title></head><body>c</body></html>";
            r.headers.push_back({"Set-Cookie", "kept=yes; Max-Age=86400; Path=/"});
        }
        else if (path == "/frames")
        {
            r.body = "<html><head><title>Frames</title></head><body>";
            for (int i = 0; i < 5; ++i)
                r.body += "<iframe style='display:none' src='/file.bin?n=" + std::to_string(i) + "'></iframe>";
            r.body += "</body></html>";
        }
        else if (path == "/link")
            r.body = "<html><head><title>Link</title></head><body style='margin:0'>"
                     "<a href='/file.bin' style='display:block;width:100vw;height:100vh'>get</a></body></html>";
        else if (path == "/burst" || path == "/burst6")
            r.body = "<html><head><title>Burst</title></head><body style='margin:0' onclick=\"for (let i = 0; i < " +
                     std::string(path == "/burst" ? "4" : "6") + "; ++i) {"
                     " const f = document.createElement('iframe'); f.style.display = 'none';"
                     " f.src = '/file.bin?b=' + i; document.body.appendChild(f); }\">"
                     "<div style='width:100vw;height:100vh'>burst</div></body></html>";
        else if (path == "/storage")
            r.body = "<html><head><title>Storage</title></head><body><script>"
                     "document.title = 'seen ' + (localStorage.getItem('k') || 'nothing');"
                     "localStorage.setItem('k', 'before');</script></body></html>";
        else if (path == "/form")
            r.body = "<html><head><title>Form</title></head><body style='margin:0'><input id='f' autofocus "
                     "style='box-sizing:border-box;width:100vw;height:100vh;font-size:40px'></body></html>";
        else if (path == "/file.bin")
        {
            r.contentType = "application/octet-stream";
            r.headers.push_back({"Content-Disposition", "attachment; filename=\"file.bin\""});
            r.body = m_download;
            r.streamForever = m_streamDownload;
        }
        else
            // Results: links that leave the site (never followed).
            r.body = "<html><head><title>Good</title></head><body>good <a href='https://a.example/'>a</a> "
                     "<a href='https://b.example/'>b</a> <a href='https://c.example/'>c</a></body></html>";
        return r;
    }

    std::string PageUrl(const std::string& target) const { return m_pages->Url(target); }

    static std::vector<std::string> RequestTargetsOf(const TestHttpServer& server)
    {
        std::vector<std::string> targets;
        for (const HttpRequest& request : server.Requests())
            targets.push_back(request.target);
        return targets;
    }

    ZulIeCtrl* Tab(size_t i) const { return dynamic_cast<ZulIeCtrl*>(Notebook()->GetPage(i)); }

    void KeyDown(int key, int modifiers)
    {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = key;
        event.m_controlDown = (modifiers & wxMOD_CONTROL) != 0;
        event.m_shiftDown = (modifiers & wxMOD_SHIFT) != 0;
        m_frame->ProcessWindowEvent(event);
    }

    double NativeZoom(ZulIeCtrl* page) const
    {
        return webkit_web_view_get_zoom_level(WEBKIT_WEB_VIEW(page->GetWebView()->GetNativeBackend()));
    }

    // Where the page's marked match starts, in characters of its text; -1: none.
    int MarkedAt(ZulIeCtrl* page) const
    {
        wxString result;
        page->GetWebView()->RunScript(
            "(function(){var s=getSelection();if(!s.rangeCount)return -1;var r=document.createRange();"
            "r.setStart(document.body,0);r.setEnd(s.getRangeAt(0).startContainer,s.getRangeAt(0).startOffset);"
            "return r.toString().length;})()",
            &result);
        long at = -2;
        result.ToLong(&at);
        return static_cast<int>(at);
    }

    // Clicks the middle of the tab's view, after moving there: a page only
    // sees a pointer that moved onto it.
    void ClickInPage(ZulIeCtrl* page)
    {
        const wxRect rect = page->GetWebView()->GetScreenRect();
        wxUIActionSimulator sim;
        for (int nudge = 0; nudge < 3; ++nudge)
        {
            sim.MouseMove(rect.GetLeft() + rect.GetWidth() / 2 + nudge, rect.GetTop() + rect.GetHeight() / 2);
            WaitUntil([] { return false; }, 100);
        }
        sim.MouseClick();
    }

    std::unique_ptr<TestHttpServer> m_pages;
    std::vector<wxString> m_launched;
    std::vector<std::string> m_cookieSeen;
    std::string m_download;
    bool m_streamDownload = false;
};

TEST_F(ResultPagesTest, FailedEnginesShowAsFailedWhileTheOthersLoad)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/?q=*";
    // Signed by the tests' own authority, which WebKit has no reason to trust.
    TestHttpServer untrusted([this](const HttpRequest& r) { return Serve(r); },
                             TestHttpServer::Transport::Tls);
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"Good", PageUrl("/good?q=*")},
                                            {"Refused", refused},
                                            {"Hangs", PageUrl("/hang?q=*")},
                                            {"Broken", PageUrl("/broken?q=*")},
                                            {"Untrusted", untrusted.Url("/good?q=*")},
                                            // A port WebKit refuses without reporting a failure.
                                            {"Blocked", "http://127.0.0.1:9/?q=*"}})));
    OpenFrame("page_timeout=2\n");
    ASSERT_TRUE(WaitIdle());
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitUntil([&] { return Pages().IsAnyBusy(); }, 5000));
    ASSERT_TRUE(WaitIdle(30000));

    const int failed = OrvaneFrame::IMAGE_PAGE_FAILED;
    EXPECT_EQ(TabImages(), (std::vector<int>{OrvaneFrame::IMAGE_PAGE_COMPLETED, failed, failed,
                                             OrvaneFrame::IMAGE_PAGE_HTTPERROR, failed, failed}));
    EXPECT_EQ(StatusBar()->GetStatusText(1), wxString::FromUTF8("1 with results \xc2\xb7 1 server error \xc2\xb7 4 failed"));
    {
        SCOPED_TRACE("the summary's field is as wide as the summary, leaving the rest to the page's text");
        wxClientDC dc(StatusBar());
        dc.SetFont(StatusBar()->GetFont());
        const int text = dc.GetTextExtent(StatusBar()->GetStatusText(1)).x;
        EXPECT_GE(StatusBar()->GetStatusWidth(1), text);
        EXPECT_LE(StatusBar()->GetStatusWidth(1), text + 24);
    }
    EXPECT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle() == "Good"; }));
    EXPECT_FALSE(Tab(0)->HasFailed());
    EXPECT_TRUE(Notebook()->GetPageToolTip(0).Contains("Loaded in"));
    const struct
    {
        size_t tab;
        const char* reason;
    } failures[] = {{1, "refused the connection"}, {2, "did not answer in time"},
                    {4, "certificate"},         {5, "port that is blocked"}};
    for (const auto& f : failures)
    {
        SCOPED_TRACE(f.reason);
        ZulIeCtrl* page = Tab(f.tab);
        EXPECT_TRUE(page->GetFailReason().Contains(f.reason)) << page->GetFailReason();
        EXPECT_TRUE(Notebook()->GetPageToolTip(f.tab).Contains(page->GetFailReason()));
        EXPECT_TRUE(Notebook()->GetPageToolTip(f.tab).Contains("Failed after"));
        // Our page names the engine and keeps the address that failed.
        EXPECT_TRUE(WaitUntil([&] { return page->GetTitle() == page->m_strEngineName + " could not be loaded"; }));
        EXPECT_EQ(page->GetCurrentUrl(), page->m_strPageUrl);
    }
    {
        SCOPED_TRACE("an error status shows the server's own page, and still counts as failed");
        ZulIeCtrl* page = Tab(3);
        EXPECT_TRUE(page->HasFailed());
        EXPECT_TRUE(page->GetFailReason().Contains("error 500")) << page->GetFailReason();
        EXPECT_TRUE(WaitUntil([&] { return page->GetTitle() == "Broken"; }));
        EXPECT_TRUE(Notebook()->GetPageToolTip(3).Contains("HTTP 500"));
    }

    {
        SCOPED_TRACE("Try again asks the server again; the next progress writes its figure");
        const size_t before = m_pages->RequestCount();
        Notebook()->SetSelection(3);
        Command(OrvaneFrame::ID_MENU_REFRESH);
        ASSERT_TRUE(WaitUntil([&] { return m_pages->RequestCount() > before; }, 5000));
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(Tab(3)->HasFailed());
        EXPECT_NE(StatusBar()->GetStatusText(1), "5 of 6 engines failed");
    }
}

// Each outcome on its tab, in the tooltip and in the summary; F4 visits the
// pages that wait for the person; the engine list shows the health.
TEST_F(ResultPagesTest, OutcomesShowOnTabsInTheSummaryAndTheEngineList)
{
    const std::string refused = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/?q=*";
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"Good", PageUrl("/good?q=*")},
                                            {"Plain", PageUrl("/plain?q=*")},
                                            {"Sorry", PageUrl("/sorry?q=*")},
                                            {"Wall", PageUrl("/wall?q=*")},
                                            {"Broken", PageUrl("/broken?q=*")},
                                            {"Refused", refused}})));
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitUntil([&] { return Pages().IsAnyBusy(); }, 5000));
    ASSERT_TRUE(WaitIdle(30000));

    EXPECT_EQ(TabImages(), (std::vector<int>{OrvaneFrame::IMAGE_PAGE_COMPLETED, OrvaneFrame::IMAGE_PAGE_EMPTY,
                                             OrvaneFrame::IMAGE_PAGE_BOTCHECK, OrvaneFrame::IMAGE_PAGE_CONSENT,
                                             OrvaneFrame::IMAGE_PAGE_HTTPERROR, OrvaneFrame::IMAGE_PAGE_FAILED}));
    EXPECT_EQ(StatusBar()->GetStatusText(1),
              wxString::FromUTF8("1 with results \xc2\xb7 2 need you (bot check, consent) \xc2\xb7 1 empty \xc2\xb7 "
                                 "1 server error \xc2\xb7 1 failed"));
    {
        SCOPED_TRACE("a wall the page takes away: the tab, the summary and Health follow, the record corrected");
        Tab(3)->GetWebView()->RunScript("document.querySelector('div').remove()");
        EXPECT_TRUE(WaitUntil([&] { return TabImages()[3] == OrvaneFrame::IMAGE_PAGE_COMPLETED; }, 10000));
        EXPECT_TRUE(WaitUntil([&] { return StatusBar()->GetStatusText(1).StartsWith(
                                               wxString::FromUTF8("2 with results \xc2\xb7 1 needs you (bot check)")); }))
            << StatusBar()->GetStatusText(1);
        wxListCtrl* list = EngineList();
        for (long row = 0; row < list->GetItemCount(); ++row)
        {
            if (list->GetItemText(row, 0) == "Wall")
            {
                EXPECT_EQ(list->GetItemText(row, OrvaneFrame::ENGINE_COLUMN_HEALTH), "1/1");
            }
        }
    }
    {
        SCOPED_TRACE("the bot check answered with 429 is the server's own page, said so on its tab");
        EXPECT_TRUE(WaitUntil([&] { return Tab(2)->GetTitle() == "Sorry"; }));
        EXPECT_TRUE(Notebook()->GetPageToolTip(2).Contains(
            "Bot check: the engine asks you to prove you are human (HTTP 429)\nLoaded in "))
            << Notebook()->GetPageToolTip(2);
        EXPECT_TRUE(Tab(2)->HasFailed());
    }
    {
        SCOPED_TRACE("F4 goes round the pages that need the person");
        Notebook()->SetSelection(0);
        std::vector<int> visited;
        for (int i = 0; i < 3; ++i)
        {
            Command(OrvaneFrame::ID_MENU_NEXT_ATTENTION);
            visited.push_back(Notebook()->GetSelection());
        }
        EXPECT_EQ(visited, (std::vector<int>{2, 2, 2}));
    }
    {
        SCOPED_TRACE("the engine list's Health column");
        wxListCtrl* list = EngineList();
        std::map<wxString, wxString> health;
        for (long row = 0; row < list->GetItemCount(); ++row)
            health[list->GetItemText(row, 0)] = list->GetItemText(row, OrvaneFrame::ENGINE_COLUMN_HEALTH);
        EXPECT_EQ(health["Good"], "1/1");
        EXPECT_EQ(health["Sorry"], "0/1");
    }
    {
        SCOPED_TRACE("the summary: whole where the window allows, else in its tip; it outlives a later load");
        DeferredStatusBar* bar = StatusBar();
        const wxString summary = bar->GetStatusText(1);
        m_frame->SetSize(1260, 700);
        EXPECT_TRUE(WaitUntil([&] { return bar->GetSize().x > 1200 && bar->Fits(1); }, 3000)) << bar->GetStatusWidth(1);
        m_frame->SetSize(640, 480);
        wxRect page;
        EXPECT_TRUE(WaitUntil([&] { return bar->GetSize().x < 700 && bar->GetFieldRect(0, page) && page.width >= 60; },
                              3000))
            << page.width;
        wxRect field;
        bar->GetFieldRect(1, field);
        EXPECT_EQ(bar->TipAt(field.GetPosition() + wxPoint(4, 4)), summary);
        Notebook()->SetSelection(0);
        const unsigned loads = Tab(0)->GetLoadCount();
        Command(OrvaneFrame::ID_MENU_REFRESH);
        ASSERT_TRUE(WaitUntil([&] { return Tab(0)->GetLoadCount() > loads; }));
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(WaitUntil([&] { return bar->GetStatusText(1) == summary; }, 2000)) << bar->GetStatusText(1);
    }
}

// Stored before the rule or written by hand: a script, a local file and a
// bare path stay in the catalogue, but their tabs never load them.
TEST_F(ResultPagesTest, EnginesWithOtherAddressesShowTheErrorPageAndNeverLoad)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("secret.html"),
                               "<html><head><title>Secret</title></head><body>s</body></html>"));
    const std::string script = "javascript:location.href='" + PageUrl("/stolen?q=") + "*'";
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"Good", PageUrl("/good?q=*")},
                                            {"Script", script},
                                            {"Local", "file://" + m_sandbox.File("secret.html") + "?q=*"},
                                            {"Path", m_sandbox.File("secret.html") + "?q=*"}})));
    // Searched at once: the tabs get their views later, with the search waiting.
    OpenFrame();
    ASSERT_FALSE(Tab(1)->HasView());
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitIdle(30000));
    EXPECT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle() == "Good"; }));

    const wxString reason = "Only web addresses (http, https) are opened.";
    auto showsRefusal = [&](size_t tab) {
        SCOPED_TRACE(Tab(tab)->m_strEngineName.ToStdString());
        ZulIeCtrl* page = Tab(tab);
        EXPECT_TRUE(page->HasFailed());
        EXPECT_EQ(page->GetFailReason(), reason);
        EXPECT_TRUE(WaitUntil([&] { return page->GetTitle() == page->m_strEngineName + " could not be loaded"; }));
        // The error page has no rights of the address it refused.
        EXPECT_EQ(page->GetCurrentUrl(), "about:blank");
        EXPECT_EQ(TabImage(tab), OrvaneFrame::IMAGE_PAGE_FAILED);
    };
    for (size_t tab = 1; tab <= 3; ++tab)
        showsRefusal(tab);
    {
        SCOPED_TRACE("searched again, in views that exist");
        m_frame->SearchFor("y");
        ASSERT_TRUE(WaitIdle(30000));
        for (size_t tab = 1; tab <= 3; ++tab)
            showsRefusal(tab);
    }
    EXPECT_TRUE(Notebook()->GetPageToolTip(1).Contains(reason));
    EXPECT_EQ(StatusBar()->GetStatusText(1), wxString::FromUTF8("1 with results \xc2\xb7 3 failed"));
    {
        SCOPED_TRACE("Reload shows the refusal again");
        Notebook()->SetSelection(1);
        Command(OrvaneFrame::ID_MENU_REFRESH);
        ASSERT_TRUE(WaitIdle());
        showsRefusal(1);
    }
    for (const std::string& target : RequestTargetsOf(*m_pages))
        EXPECT_EQ(target.find("/stolen"), std::string::npos) << target;
    {
        SCOPED_TRACE("the engine list says so");
        for (long row = 0; row < EngineList()->GetItemCount(); ++row)
        {
            const wxString name = EngineList()->GetItemText(row, EngineRules::COLUMN_NAME);
            SCOPED_TRACE(name.ToStdString());
            EXPECT_EQ(EngineList()->GetItemText(row, EngineRules::COLUMN_STATUS),
                      name == "Good" ? "Enable" : "Blocked");
        }
    }
    {
        SCOPED_TRACE("kept in the file as stored");
        Engines().m_bModified = true;
        CloseFrame();
        const std::string saved = ReadFileBytes(m_sandbox.File("conf/config.xml"));
        EXPECT_NE(saved.find("<URL>" + script + "</URL>"), std::string::npos) << saved;
        EXPECT_NE(saved.find("<URL>file://"), std::string::npos) << saved;
    }
}

TEST_F(ResultPagesTest, FindAndZoomFollowTheirTab)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"One", PageUrl("/fruit?q=*")}, {"Two", PageUrl("/fruit?q=*")}})));
    OpenFrame();
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle() == "Fruit" && Tab(1)->GetTitle() == "Fruit"; }));
    ASSERT_TRUE(WaitIdle());
    Notebook()->SetSelection(0);

    // The bar is made when first asked for.
    EXPECT_EQ(FindBarPanel(), nullptr);
    auto barShown = [&] { return FindBarPanel() && AuiManager()->GetPane(FindBarPanel()).IsShown(); };
    FindBar* bar = nullptr;
    {
        SCOPED_TRACE("Ctrl+F opens the bar; typing finds and counts, case aside");
        EXPECT_FALSE(barShown());
        KeyDown('F', wxMOD_CONTROL);
        EXPECT_TRUE(barShown());
        bar = FindBarPanel();
        ASSERT_NE(bar, nullptr);
        bar->m_pText->SetValue("apple");
        EXPECT_TRUE(WaitUntil([&] { return bar->m_pMatches->GetLabel() == "1 of 3"; }, 5000))
            << bar->m_pMatches->GetLabel();
        bar->m_pText->SetValue("kiwi");
        EXPECT_TRUE(WaitUntil([&] { return bar->m_pMatches->GetLabel() == "No matches"; }, 5000));
        bar->m_pText->SetValue("banana");
        EXPECT_TRUE(WaitUntil([&] { return bar->m_pMatches->GetLabel() == "1 of 1"; }, 5000));
    }
    {
        SCOPED_TRACE("Next and Previous move the current match and keep the total, wrapping");
        bar->m_pText->SetValue("apple");
        ASSERT_TRUE(WaitUntil([&] { return bar->m_pMatches->GetLabel() == "1 of 3"; }, 5000));
        // What is marked is what is counted, though "banana" was marked last.
        EXPECT_TRUE(WaitUntil([&] { return MarkedAt(Tab(0)) == 0; }, 5000)) << MarkedAt(Tab(0));
        KeyDown('G', wxMOD_CONTROL);
        EXPECT_EQ(bar->m_pMatches->GetLabel(), "2 of 3");
        EXPECT_TRUE(WaitUntil([&] { return MarkedAt(Tab(0)) == 13; }, 5000)) << MarkedAt(Tab(0));
        KeyDown('G', wxMOD_CONTROL);
        KeyDown('G', wxMOD_CONTROL);
        EXPECT_EQ(bar->m_pMatches->GetLabel(), "1 of 3");
        KeyDown('G', wxMOD_CONTROL | wxMOD_SHIFT);
        EXPECT_EQ(bar->m_pMatches->GetLabel(), "3 of 3");
        // The page's own report of the move must not replace the total.
        EXPECT_FALSE(WaitUntil([&] { return bar->m_pMatches->GetLabel() != "3 of 3"; }, 500));
    }
    {
        SCOPED_TRACE("Escape from the bar closes it");
        wxKeyEvent escape(wxEVT_KEY_DOWN);
        escape.m_keyCode = WXK_ESCAPE;
        bar->m_pText->ProcessWindowEvent(escape);
        EXPECT_FALSE(barShown());
    }
    {
        SCOPED_TRACE("Ctrl+Plus zooms the current tab only, and the zoom stays with it");
        KeyDown('=', wxMOD_CONTROL);
        KeyDown('+', wxMOD_CONTROL | wxMOD_SHIFT);
        EXPECT_DOUBLE_EQ(Tab(0)->GetZoom(), 1.2);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(0)), 1.2);
        EXPECT_EQ(StatusBar()->GetStatusText(0), "Zoom: 120%");
        Notebook()->SetSelection(1);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(1)), 1.0);
        KeyDown('-', wxMOD_CONTROL);
        EXPECT_DOUBLE_EQ(Tab(1)->GetZoom(), 0.9);
        // A new search loads new pages into the same tabs.
        m_frame->SearchFor("y");
        ASSERT_TRUE(WaitIdle());
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(0)), 1.2);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(1)), 0.9);
        KeyDown('0', wxMOD_CONTROL);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(1)), 1.0);
    }
    {
        SCOPED_TRACE("the View menu offers find and zoom, showing their keys");
        wxMenuBar* bar = m_frame->GetMenuBar();
        const std::pair<long, const char*> items[] = {{OrvaneFrame::ID_MENU_FIND, "Ctrl+F"},
                                                      {OrvaneFrame::ID_MENU_ZOOM_IN, "Ctrl++"},
                                                      {OrvaneFrame::ID_MENU_ZOOM_OUT, "Ctrl+-"},
                                                      {OrvaneFrame::ID_MENU_ZOOM_RESET, "Ctrl+0"}};
        for (const auto& [id, key] : items)
        {
            wxMenuItem* item = bar->FindItem(id);
            ASSERT_NE(item, nullptr) << key;
            EXPECT_TRUE(item->GetItemLabel().EndsWith(wxString("\t") + key)) << item->GetItemLabel();
        }
        Command(OrvaneFrame::ID_MENU_ZOOM_IN);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(1)), 1.1);
        Command(OrvaneFrame::ID_MENU_ZOOM_OUT);
        Command(OrvaneFrame::ID_MENU_ZOOM_OUT);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(1)), 0.9);
        Command(OrvaneFrame::ID_MENU_ZOOM_RESET);
        EXPECT_DOUBLE_EQ(NativeZoom(Tab(1)), 1.0);
        Command(OrvaneFrame::ID_MENU_FIND);
        EXPECT_TRUE(barShown());
    }
}

TEST_F(ResultPagesTest, TabMenuReloadsOpensOutsideAndCopies)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CatalogueOf({{"One", PageUrl("/good?q=*")}})));
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    ZulIeCtrl* page = Tab(0);
    {
        SCOPED_TRACE("on the start page there is no web address to open or copy");
        std::unique_ptr<wxMenu> menu = TabMenuFor(page);
        ASSERT_TRUE(menu->FindItem(OrvaneFrame::ID_MENU_TAB_RELOAD));
        ASSERT_TRUE(menu->FindItem(OrvaneFrame::ID_MENU_ADD_THIS_ENGINE));
        EXPECT_TRUE(menu->IsEnabled(OrvaneFrame::ID_MENU_TAB_RELOAD));
        EXPECT_FALSE(menu->IsEnabled(OrvaneFrame::ID_MENU_TAB_OPEN_OUTSIDE));
    }
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitUntil([&] { return page->GetTitle() == "Good"; })) << page->GetFailReason();
    ASSERT_TRUE(WaitIdle());
    const wxString address = page->GetCurrentUrl();
    ASSERT_EQ(address, wxString::FromUTF8(PageUrl("/good?q=x")));
    std::unique_ptr<wxMenu> menu = TabMenuFor(page);
    EXPECT_TRUE(menu->IsEnabled(OrvaneFrame::ID_MENU_TAB_OPEN_OUTSIDE));
    EXPECT_TRUE(menu->IsEnabled(OrvaneFrame::ID_MENU_TAB_COPY_ADDRESS));
    {
        SCOPED_TRACE("Reload asks the server again");
        const size_t before = m_pages->RequestCount();
        Command(OrvaneFrame::ID_MENU_TAB_RELOAD);
        EXPECT_TRUE(WaitUntil([&] { return m_pages->RequestCount() > before; }, 5000));
    }
    {
        SCOPED_TRACE("Open in Default Browser hands the address to the system");
        Command(OrvaneFrame::ID_MENU_TAB_OPEN_OUTSIDE);
        EXPECT_EQ(m_launched, std::vector<wxString>{address});
    }
    {
        SCOPED_TRACE("Copy Address puts it on the clipboard");
        Command(OrvaneFrame::ID_MENU_TAB_COPY_ADDRESS);
        wxTextDataObject text;
        ASSERT_TRUE(wxTheClipboard->Open());
        EXPECT_TRUE(wxTheClipboard->GetData(text));
        wxTheClipboard->Close();
        EXPECT_EQ(text.GetText(), address);
    }
}

TEST_F(ResultPagesTest, CookiesAreKeptInTheFileUntilCleared)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CatalogueOf({{"One", PageUrl("/cookie?q=*")}})));
    OpenFrame();
    m_frame->SearchFor("first");
    ASSERT_TRUE(WaitUntil([&] { return m_cookieSeen.size() == 1; }));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_cookieSeen[0], "");
    // WebKit writes the store as cookies change.
    EXPECT_TRUE(WaitUntil([&] { return wxFileExists(WebSession::CookieFile()); }, 5000))
        << WebSession::CookieFile();
    EXPECT_TRUE(WebSession::CookieFile().StartsWith(wxString::FromUTF8(m_sandbox.Path())));
    {
        SCOPED_TRACE("the store is WebKit's, readable by its owner only, in a folder only they may enter");
        const std::string file = WebSession::CookieFile().utf8_string();
        EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(file).size() > 0; }, 5000));
        struct stat st{};
        ASSERT_EQ(::stat(file.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u);
        ASSERT_EQ(::stat(std::filesystem::path(file).parent_path().c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
    }

    m_frame->SearchFor("second");
    ASSERT_TRUE(WaitUntil([&] { return m_cookieSeen.size() == 2; }));
    EXPECT_EQ(m_cookieSeen[1], "kept=yes");
    ASSERT_TRUE(WaitIdle());

    int cleared = -1;
    WebSession::ClearBrowsingData([&](bool ok) { cleared = ok ? 1 : 0; });
    ASSERT_TRUE(WaitUntil([&] { return cleared != -1; }));
    EXPECT_EQ(cleared, 1);
    // With the page still open, the next load sends no cookie.
    m_frame->SearchFor("third");
    ASSERT_TRUE(WaitUntil([&] { return m_cookieSeen.size() == 3; }));
    EXPECT_EQ(m_cookieSeen[2], "");
}

TEST_F(ResultPagesTest, DownloadsLandUnderAFreeNameAndCloseCancels)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CatalogueOf({{"One", PageUrl("/good?q=*")}})));
    const std::string folder = m_sandbox.File("Downloads");
    MakeDirs(folder);
    ASSERT_TRUE(WriteFileBytes(folder + "/file.bin", "mine"));
    m_download.assign(5 * 1024 * 1024, '\0');
    for (size_t i = 0; i < m_download.size(); ++i)
        m_download[i] = static_cast<char>(i * 7 + i / 4096);
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(WebDownloads::Folder(), wxString::FromUTF8(folder));

    {
        SCOPED_TRACE("5 MB beside an existing file.bin: file (1).bin, complete; the old file untouched");
        int asked = 0;
        wxTEST_DIALOG(
            {
                Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/file.bin")));
                ASSERT_TRUE(WaitUntil([&] { return NoticeBarPanel() && !NoticeBarPanel()->GetSavedPath().empty(); }, 30000))
                    << (NoticeBarPanel() ? NoticeBarPanel()->GetNotice() : wxString("no notice bar"));
                EXPECT_TRUE(NoticeBarPanel()->GetNotice().Contains("file (1).bin"));
            },
            ExpectSaveQuestion(wxID_OK, &asked));
        EXPECT_EQ(ReadFileBytes(folder + "/file (1).bin"), m_download);
        EXPECT_EQ(ReadFileBytes(folder + "/file.bin"), "mine");
        EXPECT_TRUE(AuiManager()->GetPane(NoticeBarPanel()).IsShown());
        EXPECT_EQ(Downloads()->CountRunning(), 0u);
    }
    {
        SCOPED_TRACE("closing the window cancels a running download and removes what it wrote");
        m_streamDownload = true;
        int asked = 0;
        wxTEST_DIALOG(
            {
                Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/file.bin")));
                ASSERT_TRUE(WaitUntil([&] { return asked == 1; }, 20000));
            },
            ExpectSaveQuestion(wxID_OK, &asked));
        ASSERT_TRUE(WaitUntil([&] { return StatusBar()->GetStatusText(0).StartsWith("Downloading file (2).bin"); },
                              20000));
        auto files = [&] {
            wxArrayString found;
            wxDir::GetAllFiles(wxString::FromUTF8(folder), &found, wxEmptyString, wxDIR_FILES | wxDIR_HIDDEN);
            return found.size();
        };
        // WebKit holds the name with an empty file and writes beside it.
        ASSERT_TRUE(WaitUntil([&] { return files() == 4; }, 5000)) << "no partial file to remove";
        CloseFrame();
        EXPECT_TRUE(WaitUntil([&] { return files() == 2; }, 5000)) << files();
    }
}

// A page saves files only right after the person clicked in it, a few per
// load; anything else is asked first. What a failed download removes is
// only what it wrote itself. The bar says where the file went and opens it.
TEST_F(ResultPagesTest, PagesSaveOnlyWhenThePersonWantsIt)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CatalogueOf({{"One", PageUrl("/good?q=*")}})));
    const std::string folder = m_sandbox.File("Downloads");
    MakeDirs(folder);
    m_download.assign(256 * 1024, 'x');
    std::vector<wxString> opened;
    NoticeBar::SetOpener([&](const wxString& path) {
        opened.push_back(path);
        return true;
    });
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    auto files = [&] {
        wxArrayString found;
        wxDir::GetAllFiles(wxString::FromUTF8(folder), &found, wxEmptyString, wxDIR_FILES | wxDIR_HIDDEN);
        return found.size();
    };
    {
        SCOPED_TRACE("five hidden frames: five questions, and Cancel writes nothing");
        int asked = 0;
        wxTEST_DIALOG(
            {
                Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/frames")));
                ASSERT_TRUE(WaitUntil([&] { return asked == 5 && Downloads()->CountRunning() == 0; }, 20000))
                    << asked;
            },
            ExpectSaveQuestion(wxID_CANCEL, &asked), ExpectSaveQuestion(wxID_CANCEL, &asked),
            ExpectSaveQuestion(wxID_CANCEL, &asked), ExpectSaveQuestion(wxID_CANCEL, &asked),
            ExpectSaveQuestion(wxID_CANCEL, &asked));
        EXPECT_EQ(files(), 0u);
    }
    {
        SCOPED_TRACE("a click on a link saves without a question; the bar names file and folder");
        Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/link")));
        ASSERT_TRUE(WaitIdle());
        ClickInPage(Tab(0));
        ASSERT_TRUE(WaitUntil([&] { return NoticeBarPanel() && !NoticeBarPanel()->GetSavedPath().empty(); }, 20000));
        const wxString saved = wxString::FromUTF8(folder + "/file.bin");
        EXPECT_EQ(NoticeBarPanel()->GetNotice(), "Saved \"file.bin\" to " + wxString::FromUTF8(folder));
        EXPECT_EQ(ReadFileBytes(folder + "/file.bin"), m_download);
        ASSERT_TRUE(NoticeBarPanel()->m_pButtonOpen->IsShown());
        ASSERT_TRUE(NoticeBarPanel()->m_pButtonShowFolder->IsShown());
        EXPECT_FALSE(NoticeBarPanel()->m_pGauge->IsShown());
        EXPECT_GT(NoticeBarPanel()->m_pText->GetSize().GetWidth(), NoticeBarPanel()->GetSize().GetWidth() / 3);
        for (wxButton* button : {NoticeBarPanel()->m_pButtonOpen, NoticeBarPanel()->m_pButtonShowFolder})
        {
            wxCommandEvent click(wxEVT_BUTTON, button->GetId());
            click.SetEventObject(button);
            button->ProcessWindowEvent(click);
        }
        EXPECT_EQ(opened, (std::vector<wxString>{saved, wxString::FromUTF8(folder)}));
    }
    {
        SCOPED_TRACE("a file another program put at the path meanwhile survives the download's end");
        m_streamDownload = true;
        // The click was on the page before; this one has had none.
        Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/good")));
        ASSERT_TRUE(WaitIdle());
        int asked = 0;
        wxTEST_DIALOG(
            {
                Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/file.bin")));
                ASSERT_TRUE(WaitUntil([&] { return asked == 1; }, 20000));
            },
            ExpectSaveQuestion(wxID_OK, &asked));
        ASSERT_TRUE(WaitUntil([&] { return NoticeBarPanel()->m_pGauge->IsShown(); }, 20000));
        EXPECT_TRUE(NoticeBarPanel()->GetNotice().StartsWith("Downloading file (1).bin: ")) << NoticeBarPanel()->GetNotice();
        EXPECT_FALSE(NoticeBarPanel()->m_pButtonOpen->IsShown());
        ASSERT_TRUE(WaitUntil([&] { return files() == 3; }, 5000)) << files();
        const std::string path = folder + "/file (1).bin";
        ::unlink(path.c_str());
        ASSERT_TRUE(WriteFileBytes(path, "theirs"));
        ASSERT_EQ(files(), 4u);
        CloseFrame();
        EXPECT_TRUE(WaitUntil([&] { return files() == 2; }, 5000)) << files();
        EXPECT_EQ(ReadFileBytes(path), "theirs");
    }
    {
        SCOPED_TRACE("one click lets the page save three files; the fourth is asked about");
        m_streamDownload = false;
        OpenFrame();
        ASSERT_TRUE(WaitIdle());
        Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/burst")));
        ASSERT_TRUE(WaitIdle());
        int asked = 0;
        wxTEST_DIALOG(
            {
                ClickInPage(Tab(0));
                ASSERT_TRUE(WaitUntil([&] { return asked == 1 && files() == 5 && Downloads()->CountRunning() == 0; },
                                      20000))
                    << asked << " " << files();
            },
            ExpectSaveQuestion(wxID_CANCEL, &asked));
    }
    NoticeBar::SetOpener(nullptr);
}

// Quitting after a page's burst of downloads, some running and some asked
// about and cancelled: each is cancelled and released once, before the
// window goes, and the words searched are in the history.
TEST_F(ResultPagesTest, QuitAfterCancelledDownloadsSavesAndEndsCleanly)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CatalogueOf({{"One", PageUrl("/good?q=*")}})));
    MakeDirs(m_sandbox.File("Downloads"));
    m_download.assign(64 * 1024, 'x');
    m_streamDownload = true;
    OpenFrame();
    m_frame->SearchFor("kept words");
    ASSERT_TRUE(WaitIdle());
    Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/burst6")));
    ASSERT_TRUE(WaitIdle());
    int asked = 0;
    wxTEST_DIALOG(
        {
            ClickInPage(Tab(0));
            ASSERT_TRUE(WaitUntil([&] { return asked == 3 && Downloads()->CountRunning() == 3; }, 20000))
                << asked << " " << Downloads()->CountRunning();
        },
        ExpectSaveQuestion(wxID_CANCEL, &asked), ExpectSaveQuestion(wxID_CANCEL, &asked),
        ExpectSaveQuestion(wxID_CANCEL, &asked));
    CloseFrame();
    EXPECT_NE(std::string::npos, StoreText().find("=kept words"));
}

// Without "Keep cookies between runs" nothing a site stored in one run is
// there in the next: the next window starts without it.
TEST_F(ResultPagesTest, SiteDataLastsOneRunWhenCookiesAreNotKept)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CatalogueOf({{"One", PageUrl("/storage?q=*")}})));
    for (const char* expected : {"seen nothing", "seen nothing"})
    {
        OpenFrame("keep_cookies=0\n");
        m_frame->SearchFor("x");
        ASSERT_TRUE(WaitIdle());
        ASSERT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle().StartsWith("seen"); }, 10000));
        EXPECT_EQ(Tab(0)->GetTitle(), expected);
        CloseFrame();
        ConfigStore::Close();
    }
}

// The window's keys (the README's table) with the focus inside a page, even
// in the page's text field; Backspace stays the field's.
TEST_F(ResultPagesTest, TheWindowsKeysWorkWithTheFocusInAPage)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"One", PageUrl("/fruit?q=*")}, {"Two", PageUrl("/fruit?q=*")}})));
    OpenFrame();
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle() == "Fruit" && Tab(1)->GetTitle() == "Fruit"; }));
    ASSERT_TRUE(WaitIdle());
    Notebook()->SetSelection(0);
    ZulIeCtrl* page = Tab(0);
    page->LoadUrl(PageUrl("/form"));
    ASSERT_TRUE(WaitUntil([&] { return page->GetTitle() == "Form"; }));
    ASSERT_TRUE(WaitIdle());
    m_frame->Raise();
    ASSERT_TRUE(WaitUntil([&] { return m_frame->IsActive(); }, 3000));
    // The toolkit does not follow the focus into a web view; GTK does.
    auto focusInPage = [&] {
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m_frame->GetHandle()));
        return focus && (focus == page->GetHandle() || gtk_widget_is_ancestor(focus, page->GetHandle()));
    };
    auto field = [&] {
        wxString value;
        page->GetWebView()->RunScript("document.getElementById('f').value", &value);
        return value;
    };
    auto formLoads = [&] {
        const std::vector<std::string> targets = RequestTargetsOf(*m_pages);
        return std::count(targets.begin(), targets.end(), "/form");
    };
    ClickInPage(page);
    ASSERT_TRUE(WaitUntil(focusInPage, 3000));
    wxUIActionSimulator sim;
    sim.Text("ab");
    ASSERT_TRUE(WaitUntil([&] { return field() == "ab"; }, 3000)) << field();
    {
        SCOPED_TRACE("Backspace edits the field and does not go back");
        sim.Char(WXK_BACK);
        EXPECT_TRUE(WaitUntil([&] { return field() == "a"; }, 3000)) << field();
        EXPECT_EQ(page->GetTitle(), "Form");
    }
    {
        SCOPED_TRACE("Alt+Left in the field goes back, Alt+Right forward");
        sim.Char(WXK_LEFT, wxMOD_ALT);
        EXPECT_TRUE(WaitUntil([&] { return page->GetTitle() == "Fruit"; }, 5000)) << page->GetTitle();
        EXPECT_TRUE(focusInPage());
        sim.Char(WXK_RIGHT, wxMOD_ALT);
        EXPECT_TRUE(WaitUntil([&] { return page->GetTitle() == "Form"; }, 5000)) << page->GetTitle();
        ASSERT_TRUE(WaitIdle());
    }
    {
        SCOPED_TRACE("F5 reloads the page");
        const auto loads = formLoads();
        ASSERT_TRUE(focusInPage());
        sim.Char(WXK_F5);
        EXPECT_TRUE(WaitUntil([&] { return formLoads() == loads + 1; }, 5000));
        ASSERT_TRUE(WaitIdle());
    }
    {
        SCOPED_TRACE("F7 shows and hides the engine manager");
        wxAuiPaneInfo& pane = AuiManager()->GetPane(EnginePanel());
        const bool shown = pane.IsShown();
        ASSERT_TRUE(focusInPage());
        sim.Char(WXK_F7);
        EXPECT_TRUE(WaitUntil([&] { return pane.IsShown() != shown; }, 3000));
        ClickInPage(page);
        ASSERT_TRUE(WaitUntil(focusInPage, 3000));
        sim.Char(WXK_F7);
        EXPECT_TRUE(WaitUntil([&] { return pane.IsShown() == shown; }, 3000));
    }
    {
        SCOPED_TRACE("Ctrl+Tab turns to the next page");
        ClickInPage(page);
        ASSERT_TRUE(WaitUntil(focusInPage, 3000));
        sim.Char(WXK_TAB, wxMOD_CONTROL);
        EXPECT_TRUE(WaitUntil([&] { return CurPage() == 1; }, 3000));
    }
    {
        SCOPED_TRACE("F6 goes back to the keyword box");
        page = Tab(1);
        ClickInPage(page);
        ASSERT_TRUE(WaitUntil(focusInPage, 3000));
        sim.Char(WXK_F6);
        EXPECT_TRUE(WaitUntil([&] { return KeywordBox()->HasFocus(); }, 3000));
    }
}

// With no download folder set, files go into ~/Downloads, made for them. A
// download a page starts on its own is asked about over its own tab, naming
// the tab, the size and the folder. While one runs the notice bar offers
// Cancel; Close only hides the bar.
TEST_F(ResultPagesTest, DownloadsAskOverTheirTabAndCanBeCancelled)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"One", PageUrl("/good?q=*")}, {"Two", PageUrl("/good?q=*")}})));
    const std::string folder = m_sandbox.File("Downloads");
    m_download.assign(256 * 1024, 'x');
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(WebDownloads::Folder(), wxString::FromUTF8(folder));
    EXPECT_FALSE(wxDirExists(wxString::FromUTF8(folder)));
    {
        SCOPED_TRACE("asked over the tab that started it, with its size and folder; saved into a new ~/Downloads");
        Notebook()->SetSelection(1);
        int asked = 0;
        const wxString question = wxString::Format(
            "The page in the tab \"One\" wants to save \"file.bin\" (%s) from 127.0.0.1 into %s.",
            wxFileName::GetHumanReadableSize(wxULongLong(m_download.size())), wxString::FromUTF8(folder));
        wxTEST_DIALOG(
            {
                Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/file.bin")));
                ASSERT_TRUE(WaitUntil([&] { return NoticeBarPanel() && !NoticeBarPanel()->GetSavedPath().empty(); }, 30000));
            },
            ExpectSaveQuestion(wxID_OK, &asked, question, [&] { EXPECT_EQ(Notebook()->GetSelection(), 0); }));
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(ReadFileBytes(folder + "/file.bin"), m_download);
    }
    m_streamDownload = true;
    auto startStreaming = [&] {
        int asked = 0;
        wxTEST_DIALOG(
            {
                Tab(0)->LoadUrl(wxString::FromUTF8(PageUrl("/file.bin")));
                ASSERT_TRUE(WaitUntil([&] { return Downloads()->CountRunning() == 1 && NoticeBarPanel()->m_pButtonCancel->IsShown(); }, 20000));
            },
            ExpectSaveQuestion(wxID_OK, &asked).Optional());
    };
    auto barShown = [&] { return AuiManager()->GetPane(NoticeBarPanel()).IsShown(); };
    {
        SCOPED_TRACE("Cancel stops the download and removes what it wrote");
        startStreaming();
        NoticeBar* bar = NoticeBarPanel();
        EXPECT_EQ(bar->m_pButtonClose->GetToolTipText(), "Hide this bar; a download goes on");
        wxCommandEvent click(wxEVT_BUTTON, bar->m_pButtonCancel->GetId());
        click.SetEventObject(bar->m_pButtonCancel);
        bar->m_pButtonCancel->ProcessWindowEvent(click);
        EXPECT_TRUE(WaitUntil([&] { return Downloads()->CountRunning() == 0; }, 5000));
        EXPECT_TRUE(bar->GetNotice().Contains("cancelled")) << bar->GetNotice();
        EXPECT_FALSE(bar->m_pButtonCancel->IsShown());
        wxArrayString files;
        wxDir::GetAllFiles(wxString::FromUTF8(folder), &files, wxEmptyString, wxDIR_FILES | wxDIR_HIDDEN);
        EXPECT_EQ(files.size(), 1u);
    }
    {
        SCOPED_TRACE("Close hides the bar and the download goes on");
        startStreaming();
        NoticeBar* bar = NoticeBarPanel();
        wxCommandEvent click(wxEVT_BUTTON, bar->m_pButtonClose->GetId());
        click.SetEventObject(bar->m_pButtonClose);
        bar->m_pButtonClose->ProcessWindowEvent(click);
        EXPECT_FALSE(barShown());
        const wxString before = bar->GetNotice();
        EXPECT_TRUE(WaitUntil([&] { return bar->GetNotice() != before; }, 10000));
        EXPECT_FALSE(barShown());
        EXPECT_EQ(Downloads()->CountRunning(), 1u);
    }
}

// Rebuilt pages (a group change, an import, Clear Result) show the start
// page: their tabs' tips no longer tell of the loads before.
TEST_F(ResultPagesTest, RebuiltPagesTipsSayNothingOfTheLoadsBefore)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"),
                               CatalogueOf({{"One", PageUrl("/good?q=*")}, {"Two", PageUrl("/good?q=*")}})));
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_frame->SearchFor("x");
    ASSERT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle() == "Good" && Tab(1)->GetTitle() == "Good"; }));
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageToolTip(1).Contains("Loaded in"); }, 3000));
    Command(OrvaneFrame::ID_TOOL_CLEAR, wxEVT_TOOL);
    ASSERT_TRUE(WaitUntil([&] { return Tab(0)->GetTitle() == "Start" && Tab(1)->GetTitle() == "Start"; }));
    ASSERT_TRUE(WaitIdle());
    for (size_t tab = 0; tab < Notebook()->GetPageCount(); ++tab)
    {
        SCOPED_TRACE(tab);
        // Written again by the timer once the start page is in.
        EXPECT_TRUE(WaitUntil([&] { return !Notebook()->GetPageToolTip(tab).empty(); }, 3000));
        EXPECT_FALSE(Notebook()->GetPageToolTip(tab).Contains("Loaded in")) << Notebook()->GetPageToolTip(tab);
    }
}
