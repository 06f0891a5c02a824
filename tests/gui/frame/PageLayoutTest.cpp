// The result pages side by side: View > Layout in the real main window, the
// focused pane the page commands follow, and the layout kept across a group
// change and a restart.
#include "frame/OrvaneFrameFixture.h"

#include "store/Preference.h"

#include <wx/choice.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <algorithm>
#include <cmath>

namespace
{
// English/Web: E0 ... E5; Deutsch/Bilder: D0 ... D4.
std::string LayoutCatalogue(const std::string& host)
{
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n";
    auto engine = [&](int index, const char* lang, const char* cat, const std::string& name) {
        xml += "  <ENGINE><INDEX>" + std::to_string(index) + "</INDEX><LANGUAGE>" + lang +
               "</LANGUAGE><CATEGORY>" + cat + "</CATEGORY><NAME>" + name + "</NAME><URL>http://" + host +
               "/" + name + "?q=*</URL><ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>\n";
    };
    for (int i = 0; i < 6; ++i)
        engine(i + 1, "English", "Web", "E" + std::to_string(i));
    for (int i = 0; i < 5; ++i)
        engine(i + 1, "Deutsch", "Bilder", "D" + std::to_string(i));
    return xml + "</ENGINES>\n";
}

const char* const LargeWindow = "m_nShowEngineManager=0\nm_nPreserveFrameSizePos=1\nx=0\ny=0\nw=1200\nh=900\n";
} // namespace

class PageLayoutTest : public OrvaneFrameFixture
{
protected:
    void SetUp() override
    {
        OrvaneFrameFixture::SetUp();
        // Tall pages, for scrolling.
        m_server->Stop();
        m_server = std::make_unique<TestHttpServer>([this](const HttpRequest& request) {
            HttpResponse response;
            response.body = "<html><head><title>T" + request.target + "</title></head><body>";
            // E1 finds one line only for "short": a page that cannot scroll.
            const bool shortPage = request.target.rfind("/E1?q=short", 0) == 0;
            for (int i = 0; i < (shortPage ? 1 : 200); ++i)
                response.body += "<p>result " + std::to_string(i) + "</p>";
            // For "mixed", E0 answers 503 and E1 finds nothing; the others find pages.
            if (request.target.find("q=mixed") != std::string::npos)
            {
                if (request.target.rfind("/E0", 0) == 0)
                    response.status = 503;
                else if (request.target.rfind("/E1", 0) != 0)
                    response.body += "<a href='https://a.example/'>a</a> <a href='https://b.example/'>b</a> "
                                     "<a href='https://c.example/'>c</a>";
            }
            response.body += "</body></html>";
            response.holdUntilReleased = m_hold.load();
            return response;
        });
        ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), LayoutCatalogue(m_server->HostPort())));
    }

    // The page's scroll fraction as the window reads it, or -1.
    static double Fraction(wxWindow* page)
    {
        double fraction = -2;
        static_cast<ZulIeCtrl*>(page)->ReadScrollFraction([&](double f) { fraction = f; });
        WaitUntil([&] { return fraction > -2; }, 5000);
        return fraction;
    }

    ResultNotebook* Book() const { return static_cast<ResultNotebook*>(Notebook()); }

    static wxString Name(wxWindow* page) { return static_cast<ZulIeCtrl*>(page)->m_strEngineName; }

    // Each pane's tab captions, panes left to right and top to bottom.
    std::vector<std::vector<wxString>> PaneTabs() const
    {
        std::vector<std::vector<wxString>> panes;
        for (wxAuiTabCtrl* tabs : Book()->Panes())
        {
            panes.emplace_back();
            for (size_t i = 0; i < tabs->GetPageCount(); ++i)
                panes.back().push_back(Name(tabs->GetWindowFromIdx(i)));
        }
        return panes;
    }

    std::vector<wxString> Shown() const
    {
        std::vector<wxString> shown;
        for (wxWindow* page : Book()->ShownPages())
            shown.push_back(Name(page));
        return shown;
    }

    wxString Current() const
    {
        const int selection = Notebook()->GetSelection();
        return selection < 0 ? wxString() : Name(Notebook()->GetPage(static_cast<size_t>(selection)));
    }

    void Select(const wxString& name)
    {
        for (size_t i = 0; i < Notebook()->GetPageCount(); ++i)
        {
            if (Name(Notebook()->GetPage(i)) == name)
                Notebook()->SetSelection(i);
        }
        wxYield();
    }

    void PressCtrl(int key)
    {
        wxKeyEvent press(wxEVT_CHAR_HOOK);
        press.m_keyCode = key;
        press.SetControlDown(true);
        m_frame->GetEventHandler()->ProcessEvent(press);
        wxYield();
    }

    static long LayoutId(int layout)
    {
        const long ids[] = {OrvaneFrame::ID_MENU_LAYOUT_SINGLE, OrvaneFrame::ID_MENU_LAYOUT_TWO,
                            OrvaneFrame::ID_MENU_LAYOUT_THREE, OrvaneFrame::ID_MENU_LAYOUT_FOUR};
        return ids[layout];
    }

    using Panes = std::vector<std::vector<wxString>>;
};

TEST_F(PageLayoutTest, EachLayoutShowsTheCurrentPageFirstAndTheFocusedPaneDrivesThePageCommands)
{
    OpenFrame(LargeWindow);
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
    const struct
    {
        int layout;
        Panes panes;
    } cases[] = {
        {1, {{"E1", "E3", "E5"}, {"E0", "E2", "E4"}}},
        {2, {{"E1", "E4"}, {"E2", "E5"}, {"E0", "E3"}}},
        {3, {{"E1", "E5"}, {"E0", "E2"}, {"E3"}, {"E4"}}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.layout);
        Command(LayoutId(0));
        Select("E1");
        Command(LayoutId(c.layout));
        wxYield();
        EXPECT_EQ(PaneTabs(), c.panes);
        const std::vector<wxString> shown(Shown());
        ASSERT_EQ(shown.size(), c.panes.size());
        for (size_t pane = 0; pane < shown.size(); ++pane)
            EXPECT_EQ(shown[pane], "E" + std::to_string(pane + 1));
        EXPECT_EQ(Current(), "E1");
        EXPECT_EQ(Book()->MarkedPane(), Book()->Panes()[0]);

        // The second pane takes the focus: Ctrl+Tab turns its own tabs only,
        // and zoom, Ctrl+9 and the marking go with it.
        Select("E2");
        EXPECT_EQ(Book()->MarkedPane(), Book()->Panes()[1]);
        Command(OrvaneFrame::ID_MENU_NEXT_PAGE);
        const std::vector<wxString>& second = c.panes[1];
        const size_t at = static_cast<size_t>(std::find(second.begin(), second.end(), "E2") - second.begin());
        const wxString next = second[(at + 1) % second.size()];
        EXPECT_EQ(Current(), next);
        EXPECT_EQ(Shown()[0], "E1");
        Command(OrvaneFrame::ID_MENU_ZOOM_IN);
        EXPECT_GT(static_cast<ZulIeCtrl*>(Notebook()->GetPage(Notebook()->GetSelection()))->GetZoom(), 1.0);
        EXPECT_DOUBLE_EQ(static_cast<ZulIeCtrl*>(Book()->ShownPages()[0])->GetZoom(), 1.0);
        Command(OrvaneFrame::ID_MENU_ZOOM_RESET);
        PressCtrl('1');
        EXPECT_EQ(Current(), second.front());
        PressCtrl('9');
        EXPECT_EQ(Current(), second.back());
        EXPECT_EQ(CurPage(), Notebook()->GetSelection());
    }

    SCOPED_TRACE("Single puts every tab back, in engine order");
    Command(LayoutId(0));
    EXPECT_EQ(PaneTabs(), (Panes{{"E0", "E1", "E2", "E3", "E4", "E5"}}));
    EXPECT_EQ(Book()->MarkedPane(), nullptr);
}

TEST_F(PageLayoutTest, TheLayoutOutlivesASearchAGroupChangeAndARestart)
{
    OpenFrame(LargeWindow);
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
    Command(LayoutId(3));
    Select("E2");
    Command(OrvaneFrame::ID_MENU_NEXT_PAGE);
    const Panes turned = PaneTabs();
    const std::vector<wxString> shownBefore = Shown();

    {
        SCOPED_TRACE("a search in the same group keeps the panes as they are");
        m_hold = true;
        m_frame->SearchFor("otter");
        // The pages on show load at once, the others wait for them.
        std::vector<unsigned> waiting = Pages().WaitingKeys();
        for (const wxString& name : shownBefore)
            EXPECT_EQ(std::count(waiting.begin(), waiting.end(), wxAtoi(name.Mid(1))), 0) << name;
        EXPECT_EQ(waiting.size(), 2u);
        m_hold = false;
        m_server->ReleaseHeld();
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(PaneTabs(), turned);
        EXPECT_EQ(Shown(), shownBefore);
    }
    {
        SCOPED_TRACE("only the focused pane's page speaks in the status bar");
        const std::vector<wxWindow*> shown = Book()->ShownPages();
        Select(Name(shown[0]));
        auto reload = [&](wxWindow* window) {
            auto* page = static_cast<ZulIeCtrl*>(window);
            const unsigned loads = page->GetLoadCount();
            m_frame->SetStatusText("mark", 0);
            page->Refresh(0);
            EXPECT_TRUE(WaitUntil([&] {
                bool busy = true;
                return page->GetLoadCount() > loads && page->IsBusy(busy) && !busy;
            }));
            wxYield();
            return StatusBar()->GetStatusText(0);
        };
        EXPECT_EQ(reload(shown[1]), "mark");
        EXPECT_NE(reload(shown[0]), "mark");
    }
    {
        SCOPED_TRACE("another group: the same shape, in engine order");
        LangChoice()->SetStringSelection("Deutsch");
        wxCommandEvent changed(wxEVT_CHOICE, OrvaneFrame::ID_CHOICE_LANG);
        m_frame->ProcessWindowEvent(changed);
        wxYield();
        EXPECT_EQ(PaneTabs(), (Panes{{"D0", "D4"}, {"D1"}, {"D2"}, {"D3"}}));
    }
    CloseFrame();
    EXPECT_NE(StoreText().find("page_layout=3"), std::string::npos);

    SCOPED_TRACE("a restart");
    ConfigStore::Open();
    m_frame = new OrvaneFrame(nullptr);
    m_frame->Show();
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 5; }));
    EXPECT_EQ(PaneTabs(), (Panes{{"D0", "D4"}, {"D1"}, {"D2"}, {"D3"}}));
}

TEST_F(PageLayoutTest, ASmallWindowFallsBackToFewerPanesAndSaysSo)
{
    OpenFrame(LargeWindow);
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
    Command(LayoutId(2));
    ASSERT_EQ(Book()->Panes().size(), 3u);
    m_frame->SetSize(640, 480);
    EXPECT_TRUE(WaitUntil([&] { return Book()->Panes().size() == 2; }, 3000)) << Book()->Panes().size();
    // The current page's loading texts do not wipe the note before it is read.
    ZulIeCtrl* page = static_cast<ZulIeCtrl*>(Notebook()->GetPage(static_cast<size_t>(Notebook()->GetSelection())));
    for (wxEventType type : {wxEVT_MSHTML_STATUS_TEXT_CHANGE, wxEVT_MSHTML_DOCUMENT_COMPLETE})
    {
        wxMSHTMLEvent loading(type, page->GetId());
        loading.m_text = "file:///page";
        m_frame->ProcessWindowEvent(loading);
    }
    EXPECT_TRUE(StatusBar()->GetStatusText(0).Contains("too small")) << StatusBar()->GetStatusText(0);
    Command(LayoutId(3));
    EXPECT_LT(Book()->Panes().size(), 4u);
    for (wxAuiTabCtrl* tabs : Book()->Panes())
        EXPECT_GE(tabs->GetSize().x, ResultNotebook::MinPaneWidth - 40);
    m_frame->SetSize(1200, 900);
    EXPECT_TRUE(WaitUntil([&] { return Book()->Panes().size() == 4; }, 3000)) << Book()->Panes().size();
    EXPECT_FALSE(StatusBar()->GetStatusText(0).Contains("too small"));
}

TEST_F(PageLayoutTest, ScrollTogetherMovesThePagesOnShowByTheSameFraction)
{
    for (const bool together : {false, true})
    {
        SCOPED_TRACE(together ? "Scroll Together" : "off, as by default");
        OpenFrame(std::string(LargeWindow) + (together ? "scroll_together=1\n" : ""));
        ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
        EXPECT_EQ(m_frame->GetMenuBar()->IsChecked(OrvaneFrame::ID_MENU_SCROLL_TOGETHER), together);
        Command(LayoutId(1));
        m_frame->SearchFor("otter");
        ASSERT_TRUE(WaitIdle());
        const std::vector<wxWindow*> shown = Book()->ShownPages();
        ASSERT_EQ(shown.size(), 2u);
        ASSERT_TRUE(WaitUntil([&] { return Fraction(shown[0]) == 0 && Fraction(shown[1]) == 0; }));
        static_cast<ZulIeCtrl*>(shown[1])->GetWebView()->RunScript(
            "window.scrollTo(0, (document.scrollingElement.scrollHeight - innerHeight) / 2)");
        ASSERT_TRUE(WaitUntil([&] { return std::abs(Fraction(shown[1]) - 0.5) < 0.02; }));
        EXPECT_EQ(WaitUntil([&] { return std::abs(Fraction(shown[0]) - 0.5) < 0.02; }, together ? 5000 : 600),
                  together);
        if (together)
        {
            SCOPED_TRACE("a page that cannot scroll neither follows nor pulls the others to the top");
            m_frame->SearchFor("short");
            ASSERT_TRUE(WaitIdle());
            ASSERT_EQ(Name(shown[1]), "E1");
            ASSERT_TRUE(WaitUntil([&] { return Fraction(shown[1]) <= 0 && Fraction(shown[0]) == 0; }));
            static_cast<ZulIeCtrl*>(shown[0])->GetWebView()->RunScript(
                "window.scrollTo(0, (document.scrollingElement.scrollHeight - innerHeight) / 2)");
            ASSERT_TRUE(WaitUntil([&] { return std::abs(Fraction(shown[0]) - 0.5) < 0.02; }));
            EXPECT_FALSE(WaitUntil([&] { return Fraction(shown[0]) < 0.4; }, 1500));
        }
        CloseFrame();
        ConfigStore::Close();
    }
}

TEST_F(PageLayoutTest, TabsKeepTheirPanesAndThePanesTheirSharesAcrossResizes)
{
    OpenFrame(LargeWindow);
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
    Command(LayoutId(3));
    Select("E4");
    const Panes four{{"E0", "E4"}, {"E1", "E5"}, {"E2"}, {"E3"}};
    const Panes two{{"E0", "E2", "E4"}, {"E1", "E3", "E5"}};
    ASSERT_EQ(PaneTabs(), four);
    auto even = [&] {
        const std::vector<wxAuiTabCtrl*> p = Book()->Panes();
        return std::abs(p[0]->GetSize().x - p[1]->GetSize().x) < 40 &&
               (p.size() < 4 || std::abs(p[2]->GetSize().x - p[3]->GetSize().x) < 40);
    };
    // Smaller but four panes; two, then each tab back in its pane; the
    // engine manager taking the second row's room, then giving it back.
    const struct
    {
        wxSize size;
        bool manager;
        Panes panes;
    } steps[] = {{{900, 900}, false, four}, {{640, 480}, false, two}, {{1200, 700}, false, four},
                 {{1200, 700}, true, two},  {{1200, 700}, false, four}};
    for (const auto& step : steps)
    {
        SCOPED_TRACE(wxString::Format("%dx%d, manager %d", step.size.x, step.size.y, step.manager));
        m_frame->SetSize(step.size);
        if (AuiManager()->GetPane("Search Engine Manager").IsShown() != step.manager)
            Command(OrvaneFrame::ID_MENU_ENGINE_MGR);
        EXPECT_TRUE(WaitUntil([&] { return PaneTabs() == step.panes && even(); }, 3000))
            << ::testing::PrintToString(PaneTabs());
        EXPECT_EQ(Current(), "E4");
        EXPECT_EQ(StatusBar()->GetStatusText(0).Contains("too small"), step.panes.size() < 4);
    }
}

TEST_F(PageLayoutTest, AtTheEndOfASearchAFailedPaneTurnsToResultsUnlessThePersonTurnedToIt)
{
    OpenFrame(LargeWindow);
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
    Command(LayoutId(1));
    ASSERT_EQ(PaneTabs(), (Panes{{"E0", "E2", "E4"}, {"E1", "E3", "E5"}}));
    m_frame->SearchFor("mixed");
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(WaitUntil([&] { return Shown() == std::vector<wxString>{"E2", "E3"}; }, 3000))
        << ::testing::PrintToString(Shown());

    SCOPED_TRACE("a page the person turned to during the search stays");
    Select("E0");
    Select("E1");
    m_hold = true;
    m_frame->SearchFor("mixed again");
    Select("E0");
    Select("E1");
    m_hold = false;
    m_server->ReleaseHeld();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Shown(), (std::vector<wxString>{"E0", "E1"}));
}

TEST(PageLayoutFit, PanesGiveWayBelowTheirMinimumSize)
{
    const int w = ResultNotebook::MinPaneWidth;
    const int h = ResultNotebook::MinPaneHeight;
    const struct
    {
        PageLayout wanted;
        wxSize size;
        PageLayout fit;
    } cases[] = {
        {PageLayout::Single, {100, 100}, PageLayout::Single},
        {PageLayout::TwoSideBySide, {2 * w, h}, PageLayout::TwoSideBySide},
        {PageLayout::TwoSideBySide, {2 * w - 1, 2 * h}, PageLayout::Single},
        {PageLayout::ThreeSideBySide, {3 * w, h}, PageLayout::ThreeSideBySide},
        {PageLayout::ThreeSideBySide, {3 * w - 1, h}, PageLayout::TwoSideBySide},
        {PageLayout::ThreeSideBySide, {w, 4 * h}, PageLayout::Single},
        {PageLayout::TwoByTwo, {2 * w, 2 * h}, PageLayout::TwoByTwo},
        {PageLayout::TwoByTwo, {2 * w, 2 * h - 1}, PageLayout::TwoSideBySide},
        {PageLayout::TwoByTwo, {2 * w - 1, 4 * h}, PageLayout::Single},
        {PageLayout::TwoByTwo, {0, 0}, PageLayout::Single},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(wxString::Format("%d at %dx%d", static_cast<int>(c.wanted), c.size.x, c.size.y));
        EXPECT_EQ(ResultNotebook::Fit(c.wanted, c.size), c.fit);
    }
}

TEST_F(PageLayoutTest, AClickIntoAPageFocusesItsPane)
{
    OpenFrame(LargeWindow);
    ASSERT_TRUE(WaitUntil([&] { return Notebook()->GetPageCount() == 6; }));
    Command(LayoutId(1));
    const std::vector<wxWindow*> shown = Book()->ShownPages();
    ASSERT_EQ(shown.size(), 2u);
    ASSERT_TRUE(WaitUntil([&] { return static_cast<ZulIeCtrl*>(shown[1])->HasView(); }));
    ASSERT_EQ(Current(), "E0");
    wxUIActionSimulator sim;
    sim.MouseMove(shown[1]->GetScreenRect().GetPosition() + wxPoint(40, 40));
    wxYield();
    sim.MouseClick();
    EXPECT_TRUE(WaitUntil([&] { return Current() == "E1"; }, 3000)) << Current();
    EXPECT_EQ(Book()->MarkedPane(), Book()->Panes()[1]);
    Command(OrvaneFrame::ID_MENU_ZOOM_IN);
    EXPECT_GT(static_cast<ZulIeCtrl*>(shown[1])->GetZoom(), 1.0);
    EXPECT_DOUBLE_EQ(static_cast<ZulIeCtrl*>(shown[0])->GetZoom(), 1.0);
}
