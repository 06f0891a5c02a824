// The result pages and their manager in a real notebook, against a loopback
// server: page keys and ids, binding to engine lists, search dispatch,
// stopping, and who destroys the pages.
#include "GuiTest.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include "pages/BrowserManager.h"
#include "catalogue/Engine.h"
#include "store/ProgramFolder.h"
#include "pages/ZulIeCtrl.h"

#include <wx/aui/auibook.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/webview.h>
#include <wx/weakref.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace
{
HttpResponse Serve(const HttpRequest& request)
{
    HttpResponse r;
    if (request.target.rfind("/held", 0) == 0)
        r.holdUntilReleased = true;
    r.body = "<html><head><title>result " + request.target + "</title></head><body>r</body></html>";
    return r;
}

class BrowserManagerTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_server = std::make_unique<TestHttpServer>(Serve);
        s_folder = std::make_unique<TempDir>();
        MakeDirs(s_folder->File("conf"));
        WriteFileBytes(s_folder->File("conf/index.htm"),
                       "<html><head><title>Start</title></head><body>start</body></html>");
        // Warm WebKit up before the first test waits on it.
        auto* frame = new wxFrame(TestParentFrame(), wxID_ANY, "warm-up");
        auto* view = new wxIEHtmlWin(frame, wxID_ANY);
        view->LoadUrl(s_server->Url("/warm"));
        WaitUntil([&] { return view->GetTitle() == "result /warm"; }, 60000);
        DestroyAndWait(frame);
    }

    static void TearDownTestSuite()
    {
        ProgramFolder::OverrideForTesting("");
        s_server.reset();
        s_folder.reset();
    }

    void SetUp() override
    {
        ProgramFolder::OverrideForTesting(wxString::FromUTF8(s_folder->Path()));
        m_firstRequest = s_server->RequestCount();
        m_frame = new wxFrame(TestParentFrame(), wxID_ANY, "browser manager test", wxDefaultPosition,
                              wxSize(640, 480));
        m_notebook = new wxAuiNotebook(m_frame, wxID_ANY);
        m_frame->Show();
        m_manager = std::make_unique<BrowserManager>();
        m_manager->m_pParent = m_notebook;
        m_frame->Bind(wxEVT_MSHTML_DOCUMENT_COMPLETE, [this](wxMSHTMLEvent& e) {
            m_completed.emplace_back(e.GetId(), e.m_text);
        });
        m_frame->Bind(wxEVT_MSHTML_BEFORE_NAVIGATE, [this](wxMSHTMLEvent& e) {
            m_navigating.emplace_back(e.GetId(), e.m_text);
        });
    }

    void TearDown() override
    {
        s_server->ReleaseHeld();
        // As the main window does: take the pages out of the notebook first.
        while (m_notebook->GetPageCount() > 0)
            m_notebook->RemovePage(0);
        m_manager.reset();
        DestroyAndWait(m_frame);
    }

    static void DestroyAndWait(wxWindow* window)
    {
        wxWeakRef<wxWindow> gone(window);
        window->Destroy();
        EXPECT_TRUE(WaitUntil([&] { return !gone; }));
    }

    // What each page shows or is loading: a load shows its address at once.
    // Views are made first, so that a later load cannot just wait for one.
    static std::vector<wxString> Addresses(const std::vector<ZulIeCtrl*>& pages)
    {
        std::vector<wxString> addresses;
        for (ZulIeCtrl* page : pages)
        {
            page->CreateView();
            addresses.push_back(page->GetWebView() ? page->GetWebView()->GetCurrentURL() : "");
        }
        return addresses;
    }

    Engine* AddEngine(const wxString& name, const std::string& urlTemplate)
    {
        auto engine = std::make_unique<Engine>();
        engine->m_strName = name;
        engine->m_strUrl = wxString::FromUTF8(urlTemplate);
        engine->m_strEncoding = "UTF-8";
        m_engines.push_back(std::move(engine));
        return m_engines.back().get();
    }

    // Shows the active pages in the notebook, in visiting order.
    std::vector<unsigned> ShowActivePages()
    {
        while (m_notebook->GetPageCount() > 0)
            m_notebook->RemovePage(0);
        std::vector<unsigned> keys;
        m_manager->ForEachPage([&](unsigned key, ZulIeCtrl* page) {
            keys.push_back(key);
            if (page->m_bActive)
                m_notebook->AddPage(page, page->m_strEngineName);
        });
        return keys;
    }

    bool Completed(int id, const wxString& url) const
    {
        return std::find(m_completed.begin(), m_completed.end(), std::make_pair(id, url)) !=
               m_completed.end();
    }

    size_t RequestsStartingWith(const std::string& prefix) const
    {
        // Only this test's requests: the server lives for the whole suite.
        auto requests = s_server->Requests();
        return std::count_if(requests.begin() + m_firstRequest, requests.end(), [&](const HttpRequest& r) {
            return wxString::FromUTF8(r.target).Lower().StartsWith(wxString::FromUTF8(prefix).Lower());
        });
    }

    size_t RequestsContaining(const std::string& part) const
    {
        auto requests = s_server->Requests();
        return std::count_if(requests.begin() + m_firstRequest, requests.end(),
                             [&](const HttpRequest& r) { return r.target.find(part) != std::string::npos; });
    }

    static wxString Url(const std::string& target) { return wxString::FromUTF8(s_server->Url(target)); }
    static wxString StartPageUrl()
    {
        return wxFileName::FileNameToURL(wxFileName(wxString::FromUTF8(s_folder->File("conf/index.htm"))));
    }

    static std::unique_ptr<TestHttpServer> s_server;
    static std::unique_ptr<TempDir> s_folder;
    size_t m_firstRequest = 0;
    wxFrame* m_frame = nullptr;
    wxAuiNotebook* m_notebook = nullptr;
    std::unique_ptr<BrowserManager> m_manager;
    std::vector<std::unique_ptr<Engine>> m_engines;
    std::vector<std::pair<int, wxString>> m_completed;
    std::vector<std::pair<int, wxString>> m_navigating;
};

std::unique_ptr<TestHttpServer> BrowserManagerTest::s_server;
std::unique_ptr<TempDir> BrowserManagerTest::s_folder;

TEST_F(BrowserManagerTest, PagesFollowTheEngineListAndLoadTheirSearchUrls)
{
    const EngineArray engines = {AddEngine("A", s_server->Url("/a?q=*")),
                                 AddEngine("B", s_server->Url("/b?q=*&n=10")),
                                 AddEngine("C", s_server->Url("/c/fixed"))};
    m_manager->SetEngines(engines);
    {
        SCOPED_TRACE("keys 0..2, ids 10000..10002, bound in list order");
        ASSERT_EQ(m_manager->m_pages.size(), 3u);
        for (unsigned key = 0; key < 3; ++key)
        {
            ZulIeCtrl* page = m_manager->m_pages.at(key);
            EXPECT_EQ(page->GetId(), static_cast<int>(10000 + key));
            EXPECT_EQ(page->GetName(), "panel");
            EXPECT_EQ(page->GetParent(), m_notebook);
            EXPECT_EQ(page->m_pEngine, engines[key]);
            EXPECT_EQ(page->m_strEngineName, engines[key]->m_strName);
            EXPECT_EQ(page->m_strPageUrl, engines[key]->m_strUrl);
            EXPECT_EQ(page->m_nIconIndex, 2);
            EXPECT_TRUE(page->m_bActive);
            EXPECT_TRUE(page->IsShown());
        }
        EXPECT_EQ(m_manager->CountActivePages(), 3u);
        EXPECT_EQ(m_manager->GetPage(1), m_manager->m_pages.at(1));
        EXPECT_EQ(ShowActivePages(), (std::vector<unsigned>{0, 1, 2}));
        EXPECT_EQ(m_notebook->GetPageText(2), "C");
    }
    {
        SCOPED_TRACE("the start page, from the program folder, reaches every page's id at the frame");
        m_manager->ShowStartPage();
        for (int id = 10000; id <= 10002; ++id)
            EXPECT_TRUE(WaitUntil([&] { return Completed(id, StartPageUrl()); })) << id;
        // A view made for this load may learn the title just after it.
        for (unsigned key = 0; key < 3; ++key)
            EXPECT_TRUE(WaitUntil([&] { return m_manager->m_pages.at(key)->GetTitle() == "Start"; })) << key;
    }
    {
        SCOPED_TRACE("a search loads each engine's URL with the keyword in its encoding");
        engines[1]->m_strEncoding = "ISO-8859-1";
        m_manager->Search(wxString::FromUTF8("caf\xC3\xA9 au lait"));
        const wxString expected[] = {Url("/a?q=caf%c3%a9%20au%20lait"),
                                     Url("/b?q=caf%e9%20au%20lait&n=10"), Url("/c/fixed")};
        for (unsigned key = 0; key < 3; ++key)
        {
            ZulIeCtrl* page = m_manager->m_pages.at(key);
            EXPECT_TRUE(page->m_strPageUrl.IsSameAs(expected[key], false)) << page->m_strPageUrl;
            EXPECT_EQ(page->m_nIconIndex, 4);
            EXPECT_TRUE(WaitUntil([&] { return Completed(page->GetId(), page->m_strPageUrl); })) << key;
        }
        EXPECT_EQ(RequestsStartingWith("/a?q=caf%c3%a9%20au%20lait"), 1u);
        EXPECT_EQ(RequestsStartingWith("/c/fixed"), 1u);
        EXPECT_FALSE(m_manager->IsAnyBusy());
    }
}

TEST_F(BrowserManagerTest, SwitchingEngineListsReusesPages)
{
    m_manager->SetEngines({AddEngine("A", s_server->Url("/a?q=*")), AddEngine("B", s_server->Url("/b?q=*")),
                           AddEngine("C", s_server->Url("/c?q=*"))});
    std::vector<ZulIeCtrl*> pages;
    for (auto& [key, page] : m_manager->m_pages)
        pages.push_back(page);

    Engine* d = AddEngine("D", s_server->Url("/d?q=*"));
    m_manager->SetEngines({d});
    {
        SCOPED_TRACE("one engine: pages 1 and 2 hidden, inactive and without an engine");
        ASSERT_EQ(m_manager->m_pages.size(), 3u);
        EXPECT_EQ(m_manager->m_pages.at(0), pages[0]);
        EXPECT_EQ(pages[0]->m_pEngine, d);
        EXPECT_EQ(pages[0]->m_strEngineName, "D");
        for (int i : {1, 2})
        {
            EXPECT_FALSE(pages[i]->m_bActive);
            EXPECT_FALSE(pages[i]->IsShown());
            EXPECT_EQ(pages[i]->m_pEngine, nullptr);
        }
        EXPECT_EQ(pages[1]->m_strEngineName, "B");
        EXPECT_EQ(m_manager->CountActivePages(), 1u);
        ShowActivePages();
        EXPECT_EQ(m_notebook->GetPageCount(), 1u);
    }
    {
        SCOPED_TRACE("a search loads only the active page");
        const std::vector<wxString> inactive = Addresses({pages[1], pages[2]});
        m_manager->Search("x");
        EXPECT_EQ(Addresses({pages[1], pages[2]}), inactive);
        EXPECT_TRUE(WaitUntil([&] { return Completed(10000, Url("/d?q=x")); }));
        EXPECT_EQ(RequestsStartingWith("/b"), 0u);
        EXPECT_EQ(RequestsStartingWith("/c"), 0u);
        EXPECT_EQ(pages[1]->m_nIconIndex, 2);
    }
    {
        SCOPED_TRACE("back to three engines: the same pages and ids, bound anew");
        Engine* e = AddEngine("E", s_server->Url("/e?q=*"));
        Engine* f = AddEngine("F", s_server->Url("/f?q=*"));
        m_manager->SetEngines({d, e, f});
        ASSERT_EQ(m_manager->m_pages.size(), 3u);
        for (unsigned key = 0; key < 3; ++key)
        {
            EXPECT_EQ(m_manager->m_pages.at(key), pages[key]);
            EXPECT_EQ(pages[key]->GetId(), static_cast<int>(10000 + key));
            EXPECT_TRUE(pages[key]->m_bActive);
            EXPECT_TRUE(pages[key]->IsShown());
        }
        EXPECT_EQ(pages[1]->m_pEngine, e);
        EXPECT_EQ(pages[2]->m_strEngineName, "F");
        EXPECT_EQ(pages[2]->m_strPageUrl, f->m_strUrl);
    }
    {
        SCOPED_TRACE("an empty list: everything inactive, a search loads nothing");
        m_manager->SetEngines({});
        EXPECT_EQ(m_manager->CountActivePages(), 0u);
        for (ZulIeCtrl* page : pages)
            EXPECT_FALSE(page->IsShown());
        ASSERT_TRUE(WaitUntil([&] { return !m_manager->IsAnyBusy(); }));
        m_navigating.clear();
        const std::vector<wxString> before = Addresses(pages);
        m_manager->Search("y");
        EXPECT_EQ(Addresses(pages), before);
        DrainEvents();
        EXPECT_EQ(RequestsContaining("q=y"), 0u);
        EXPECT_TRUE(m_navigating.empty());
    }
    {
        SCOPED_TRACE("a new key gives an inactive page, whose view shows about:blank once made");
        ZulIeCtrl* page = m_manager->GetPage(3);
        ASSERT_NE(page, nullptr);
        EXPECT_EQ(page->GetId(), 10003);
        EXPECT_FALSE(page->m_bActive);
        EXPECT_EQ(page->m_pEngine, nullptr);
        EXPECT_EQ(page->m_nIconIndex, 2);
        EXPECT_FALSE(m_manager->CreateNextView()) << "idle time makes views for active pages only";
        EXPECT_FALSE(page->HasView());
        m_manager->CreateView(page);
        EXPECT_TRUE(WaitUntil([&] { return Completed(10003, "about:blank"); }));
    }
}

TEST_F(BrowserManagerTest, ViewsComeOnePerStepShownPageFirstAndLoadTheLastAddress)
{
    m_manager->SetEngines({AddEngine("A", s_server->Url("/late-a?q=*")),
                           AddEngine("B", s_server->Url("/late-b?q=*")),
                           AddEngine("C", s_server->Url("/late-c?q=*"))});
    ShowActivePages();
    m_notebook->SetSelection(2);
    m_manager->ShowStartPage();
    {
        SCOPED_TRACE("no view yet: each page waits with its address and counts as busy");
        for (auto& [key, page] : m_manager->m_pages)
        {
            EXPECT_FALSE(page->HasView());
            EXPECT_EQ(page->GetWebView(), nullptr);
            bool busy = false;
            EXPECT_TRUE(page->IsBusy(busy));
            EXPECT_TRUE(busy);
        }
    }
    // Searched before any view exists: the views load the search, never the start page.
    m_manager->Search("early");
    {
        SCOPED_TRACE("one view per step, the page on show first, then in key order");
        const std::vector<std::vector<bool>> expected = {{false, false, true}, {true, false, true},
                                                         {true, true, true}};
        for (const auto& made : expected)
        {
            EXPECT_TRUE(m_manager->CreateNextView());
            for (unsigned key = 0; key < 3; ++key)
                EXPECT_EQ(m_manager->m_pages.at(key)->HasView(), made[key]) << key;
        }
        EXPECT_FALSE(m_manager->CreateNextView());
    }
    for (unsigned key = 0; key < 3; ++key)
    {
        ZulIeCtrl* page = m_manager->m_pages.at(key);
        EXPECT_TRUE(WaitUntil([&] { return Completed(page->GetId(), page->m_strPageUrl); })) << key;
    }
    EXPECT_EQ(RequestsContaining("q=early"), 3u);
    EXPECT_TRUE(std::none_of(m_navigating.begin(), m_navigating.end(),
                             [](const auto& n) { return n.second.Contains("index.htm"); }));
}

TEST_F(BrowserManagerTest, ThePageOnShowStartsFirstAndTheOthersByDistance)
{
    // Page 0 never answers until released; the others answer at once.
    EngineArray engines;
    for (int i = 0; i < 5; ++i)
        engines.push_back(AddEngine(wxString::Format("E%d", i),
                                    s_server->Url((i == 0 ? "/held?e=" : "/q?e=") + std::to_string(i) + "&q=*")));
    m_manager->SetEngines(engines);
    ShowActivePages();
    std::vector<ZulIeCtrl*> pages;
    for (auto& [key, page] : m_manager->m_pages)
    {
        m_manager->CreateView(page);
        pages.push_back(page);
    }
    ASSERT_TRUE(WaitUntil([&] { return !m_manager->IsAnyBusy(); }));

    m_manager->SetCurrentPage(pages[2]);
    m_manager->Search("k");
    {
        SCOPED_TRACE("every page has its address at once and counts as loading; only the page on show started");
        for (int i = 0; i < 5; ++i)
        {
            EXPECT_EQ(pages[i]->m_strPageUrl, engines[i]->m_strUrl.BeforeLast('*') + "k") << i;
            EXPECT_EQ(pages[i]->m_nIconIndex, 4) << i;
            EXPECT_EQ(pages[i]->IsQueued(), i != 2) << i;
            bool busy = false;
            EXPECT_TRUE(pages[i]->IsBusy(busy) && busy) << i;
            EXPECT_FALSE(pages[i]->HasFailed()) << i;
        }
        EXPECT_EQ(m_manager->WaitingKeys(), (std::vector<unsigned>{3, 1, 4, 0}));
    }
    {
        SCOPED_TRACE("turning to a waiting page starts it; the rest wait for it, nearest first, round the end");
        m_manager->SetCurrentPage(pages[0]);
        EXPECT_FALSE(pages[0]->IsQueued());
        EXPECT_EQ(m_manager->WaitingKeys(), (std::vector<unsigned>{1, 4, 3}));
    }
    {
        SCOPED_TRACE("a page on show that does not answer holds the others back only briefly");
        for (int i = 1; i < 5; ++i)
            EXPECT_TRUE(WaitUntil([&] { return Completed(pages[i]->GetId(), pages[i]->m_strPageUrl); })) << i;
        EXPECT_TRUE(m_manager->WaitingKeys().empty());
        EXPECT_TRUE(m_manager->IsAnyBusy());
    }
    s_server->ReleaseHeld();
    EXPECT_TRUE(WaitUntil([&] { return Completed(pages[0]->GetId(), pages[0]->m_strPageUrl); }));
    EXPECT_TRUE(WaitUntil([&] { return !m_manager->IsAnyBusy(); }));
    EXPECT_EQ(RequestsContaining("q=k"), 5u);
}

TEST_F(BrowserManagerTest, StopAndANewSearchDropTheWaitingLoads)
{
    EngineArray engines = {AddEngine("Held", s_server->Url("/held?q=*")), AddEngine("B", s_server->Url("/b?q=*")),
                           AddEngine("C", s_server->Url("/c?q=*"))};
    m_manager->SetEngines(engines);
    std::vector<ZulIeCtrl*> pages;
    for (auto& [key, page] : m_manager->m_pages)
    {
        m_manager->CreateView(page);
        pages.push_back(page);
    }
    m_manager->SetCurrentPage(pages[0]);
    {
        SCOPED_TRACE("a stop drops the waiting pages: they never start");
        m_manager->Search("s");
        ASSERT_EQ(m_manager->WaitingKeys().size(), 2u);
        m_manager->StopAll();
        EXPECT_TRUE(m_manager->WaitingKeys().empty());
        EXPECT_FALSE(pages[1]->IsQueued());
        EXPECT_TRUE(WaitUntil([&] { return !m_manager->IsAnyBusy(); }));
        EXPECT_FALSE(WaitUntil([&] { return RequestsContaining("q=s") > 1; }, 800));
    }
    {
        SCOPED_TRACE("a new search replaces the waiting loads of the last one");
        m_manager->Search("u");
        m_manager->Search("v");
        for (int i : {1, 2})
            EXPECT_TRUE(WaitUntil([&] { return Completed(pages[i]->GetId(), pages[i]->m_strPageUrl); })) << i;
        EXPECT_EQ(RequestsContaining("q=u"), RequestsStartingWith("/held?q=u")) << "only the first page may have asked";
        s_server->ReleaseHeld();
        EXPECT_TRUE(WaitUntil([&] { return Completed(pages[0]->GetId(), Url("/held?q=v")); }));
        EXPECT_TRUE(WaitUntil([&] { return !m_manager->IsAnyBusy(); }));
    }
}

TEST_F(BrowserManagerTest, StopAllReachesBusyPagesActiveOrNot)
{
    Engine* held = AddEngine("Held", s_server->Url("/held?q=*"));
    m_manager->SetEngines({AddEngine("A", s_server->Url("/a?q=*")), held});
    m_manager->Search("slow");
    ASSERT_TRUE(WaitUntil([&] { return RequestsStartingWith("/held") == 1; }));
    ASSERT_TRUE(WaitUntil([&] { return m_manager->IsAnyBusy(); }));

    // The loading page is unbound: it is no longer searched but still stopped.
    m_manager->SetEngines({m_engines.front().get()});
    EXPECT_TRUE(m_manager->IsAnyBusy());
    EXPECT_TRUE(m_manager->StopAll());
    // A loaded machine (the sanitizer build beside other work) is slow, not wrong.
    EXPECT_TRUE(WaitUntil([&] { return !m_manager->IsAnyBusy(); }, 30000));
}

TEST_F(BrowserManagerTest, DestructionDeletesEveryPageOnce)
{
    m_manager->SetEngines({AddEngine("A", s_server->Url("/a?q=*")), AddEngine("B", s_server->Url("/b?q=*"))});
    m_manager->SetEngines({});
    std::vector<wxWeakRef<ZulIeCtrl>> refs;
    for (auto& [key, page] : m_manager->m_pages)
        refs.emplace_back(page);
    {
        SCOPED_TRACE("the manager deletes its pages, active or not");
        m_manager.reset();
        for (auto& ref : refs)
            EXPECT_FALSE(ref);
        for (wxWindow* child : m_notebook->GetChildren())
            EXPECT_EQ(dynamic_cast<ZulIeCtrl*>(child), nullptr);
    }
    {
        SCOPED_TRACE("pages already destroyed with their parent are not deleted again");
        m_manager = std::make_unique<BrowserManager>();
        auto* parent = new wxWindow(m_frame, wxID_ANY);
        m_manager->m_pParent = parent;
        m_manager->SetEngines({m_engines.front().get()});
        wxWeakRef<ZulIeCtrl> page = m_manager->m_pages.at(0);
        delete parent;
        EXPECT_FALSE(page);
        m_manager.reset();  // must neither crash nor touch freed memory
    }
}
} // namespace
