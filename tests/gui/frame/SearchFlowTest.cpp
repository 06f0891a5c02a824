// The search flow of the real main window against a loopback engine server:
// pages in engine order, Enter in the keyword box, the keyword history, the
// searching and idle states, the tab animation, page navigation, language
// changes, catalogue changes and what closing writes.
#include "frame/OrvaneFrameFixture.h"

#include "store/Preference.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/aui/auibar.h>
#include <wx/uiaction.h>
#include <wx/webview.h>

#include <algorithm>
#include <set>

#include <gtk/gtk.h>

namespace
{
bool Contains(const std::vector<std::string>& list, const std::string& item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}
} // namespace

class SearchFlowTest : public OrvaneFrameFixture
{
protected:
    bool MenuEnabled(long id) const { return m_frame->GetMenuBar()->IsEnabled(id); }

    bool SearchingControls()
    {
        return !KeywordBox()->IsEnabled() && !LangChoice()->IsEnabled() &&
               !CategoryChoice()->IsEnabled() && !EnginePanel()->IsEnabled() &&
               !MenuEnabled(OrvaneFrame::ID_MENU_START_SEARCH) &&
               !MenuEnabled(OrvaneFrame::ID_MENU_NEW_SEARCHING) &&
               MenuEnabled(OrvaneFrame::ID_MENU_STOP_SEARCH) &&
               !ToolBar()->GetToolEnabled(OrvaneFrame::ID_TOOL_START_SEARCH) &&
               !ToolBar()->GetToolEnabled(OrvaneFrame::ID_TOOL_CLEAR) &&
               ToolBar()->GetToolEnabled(OrvaneFrame::ID_TOOL_STOP_SEARCH);
    }

    bool IdleControls()
    {
        return KeywordBox()->IsEnabled() && LangChoice()->IsEnabled() &&
               CategoryChoice()->IsEnabled() && EnginePanel()->IsEnabled() &&
               MenuEnabled(OrvaneFrame::ID_MENU_START_SEARCH) &&
               MenuEnabled(OrvaneFrame::ID_MENU_NEW_SEARCHING) &&
               !MenuEnabled(OrvaneFrame::ID_MENU_STOP_SEARCH) &&
               ToolBar()->GetToolEnabled(OrvaneFrame::ID_TOOL_START_SEARCH) &&
               ToolBar()->GetToolEnabled(OrvaneFrame::ID_TOOL_CLEAR) &&
               !ToolBar()->GetToolEnabled(OrvaneFrame::ID_TOOL_STOP_SEARCH);
    }

    std::vector<wxString> PageAddresses() const
    {
        std::vector<wxString> addresses;
        // Views are made first, so that a later load cannot just wait for one.
        Pages().ForEachPage([&](unsigned, ZulIeCtrl* page) {
            page->CreateView();
            addresses.push_back(page->GetWebView() ? page->GetWebView()->GetCurrentURL() : "");
        });
        return addresses;
    }

    void Search(const wxString& keyword)
    {
        KeywordBox()->ChangeValue(keyword);
        Command(OrvaneFrame::ID_MENU_START_SEARCH);
        ASSERT_TRUE(WaitIdle());
    }

    std::vector<wxString> History() const
    {
        const wxArrayString items = KeywordBox()->GetStrings();
        return std::vector<wxString>(items.begin(), items.end());
    }
};

TEST_F(SearchFlowTest, PagesFollowEngineOrderAndStartIdle)
{
    OpenFrame();
    // Before any tick of the timer, and whether or not one sees the start
    // pages load.
    EXPECT_TRUE(IdleControls());
    EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"Alpha", "Beta", "Gamma"}));
    EXPECT_EQ(LangChoice()->GetStringSelection(), "English");
    EXPECT_EQ(CategoryChoice()->GetStringSelection(), "Web");
    EXPECT_EQ(KeywordBox()->GetValue(), "(Please input keyword...)");
    ASSERT_TRUE(WaitIdle());
    // Nothing is searched at start: the pages show the start page.
    EXPECT_EQ(m_server->RequestCount(), 0u);
    EXPECT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, 3); }, 10000));
    EXPECT_TRUE(IdleControls());
}

TEST_F(SearchFlowTest, EnterSearchesTrimmedKeywordOnEveryPage)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_hold = true;

    wxComboBox* box = KeywordBox();
    box->ChangeValue(wxString::FromUTF8("  caf\xC3\xA9 au lait "));
    box->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == box ||
                                       (wxWindow::FindFocus() && wxWindow::FindFocus()->GetParent() == box); },
                          3000));
    wxUIActionSimulator sim;
    sim.Char(WXK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return m_server->RequestCount() >= 3; }));

    {
        SCOPED_TRACE("searching state while the pages load");
        EXPECT_EQ(Searching(), 1);
        EXPECT_TRUE(SearchingControls());
        const std::vector<std::string> targets = RequestTargets();
        EXPECT_TRUE(Contains(targets, "/alpha?q=caf%c3%a9%20au%20lait")) << ::testing::PrintToString(targets);
        EXPECT_TRUE(Contains(targets, "/beta?q=caf%c3%a9%20au%20lait&x=1"));
        EXPECT_TRUE(Contains(targets, "/gamma?q=caf%c3%a9%20au%20lait"));
        EXPECT_FALSE(Contains(targets, "/echo?q=caf%c3%a9%20au%20lait"));
        // Each tab's page holds its own engine's search address, in engine order.
        std::vector<std::string> urls;
        for (size_t i = 0; i < Notebook()->GetPageCount(); ++i)
            urls.push_back(static_cast<ZulIeCtrl*>(Notebook()->GetPage(i))->m_strPageUrl.utf8_string());
        const std::string host = "http://" + m_server->HostPort();
        EXPECT_EQ(urls, (std::vector<std::string>{host + "/alpha?q=caf%c3%a9%20au%20lait",
                                                  host + "/beta?q=caf%c3%a9%20au%20lait&x=1",
                                                  host + "/gamma?q=caf%c3%a9%20au%20lait"}));
        EXPECT_EQ(History(), std::vector<wxString>{wxString::FromUTF8("caf\xC3\xA9 au lait")});
    }

    {
        SCOPED_TRACE("tabs cycle through the four loading images");
        std::set<int> seen;
        std::vector<int> firstTab;
        WaitUntil(
            [&] {
                for (int image : TabImages())
                    seen.insert(image);
                const int first = TabImages().at(0);
                if (firstTab.empty() || firstTab.back() != first)
                    firstTab.push_back(first);
                return firstTab.size() >= 6;
            },
            5000);
        EXPECT_EQ(seen, (std::set<int>{4, 5, 6, 7}));
        ASSERT_GE(firstTab.size(), 5u);
        for (size_t i = 1; i < firstTab.size(); ++i)
            EXPECT_EQ(firstTab[i], firstTab[i - 1] == 7 ? 4 : firstTab[i - 1] + 1);
        EXPECT_EQ(Searching(), 1);
    }

    {
        SCOPED_TRACE("the first tick after the pages finish restores the idle state");
        m_hold = false;
        m_server->ReleaseHeld();
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(IdleControls());
        EXPECT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, 3); }, 3000));
        // The address as browsers show it: the keyword's letters, not their escapes.
        const wxString shown = "http://" + m_server->HostPort() + wxString::FromUTF8("/alpha?q=caf\xC3\xA9%20au%20lait");
        EXPECT_TRUE(WaitUntil([&] { return StatusBar()->GetStatusText(0) == shown; }, 3000))
            << StatusBar()->GetStatusText(0);
    }
}

TEST_F(SearchFlowTest, HistoryKeepsOneEntryPerKeywordMostRecentFirst)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    Search("abc");
    Search("xyz");
    Search("abc");
    EXPECT_EQ(History(), (std::vector<wxString>{"abc", "xyz"}));
    Search("Abc");
    EXPECT_EQ(History(), (std::vector<wxString>{"Abc", "abc", "xyz"}));
    EXPECT_EQ(KeywordBox()->GetValue(), "Abc");

    {
        SCOPED_TRACE("a blank keyword starts nothing");
        const std::vector<wxString> addresses = PageAddresses();
        KeywordBox()->ChangeValue("   \t ");
        Command(OrvaneFrame::ID_MENU_START_SEARCH);
        EXPECT_EQ(Searching(), 0);
        EXPECT_TRUE(IdleControls());
        // A load shows its address at once: no page was given one.
        EXPECT_EQ(PageAddresses(), addresses);
        EXPECT_EQ(History(), (std::vector<wxString>{"Abc", "abc", "xyz"}));
    }

    {
        SCOPED_TRACE("the prompt text is searched like any keyword");
        KeywordBox()->ChangeValue("");
        Command(OrvaneFrame::ID_MENU_NEW_SEARCHING);
        EXPECT_EQ(KeywordBox()->GetValue(), "(Please input keyword...)");
        Command(OrvaneFrame::ID_MENU_START_SEARCH);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(History().front(), "(Please input keyword...)");
        const std::vector<std::string> targets = RequestTargets();
        EXPECT_TRUE(std::any_of(targets.begin(), targets.end(), [](const std::string& t) {
            return t.rfind("/alpha?q=", 0) == 0 && t.find("Please%20input%20keyword") != std::string::npos;
        }));
    }
}

TEST_F(SearchFlowTest, StopRestoresIdleControlsAtOnce)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_hold = true;
    KeywordBox()->ChangeValue("slow");
    Command(OrvaneFrame::ID_TOOL_START_SEARCH, wxEVT_TOOL);
    ASSERT_TRUE(WaitUntil([&] { return m_server->RequestCount() >= 3; }));
    EXPECT_TRUE(SearchingControls());
    Command(OrvaneFrame::ID_TOOL_STOP_SEARCH, wxEVT_TOOL);
    EXPECT_EQ(Searching(), 0);
    EXPECT_TRUE(IdleControls());
    EXPECT_TRUE(WaitIdle());
    m_hold = false;
    m_server->ReleaseHeld();
}

TEST_F(SearchFlowTest, StopLeavesNoOutcomeOfTheSearchBeforeAndRefreshLoadsTheNewOne)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    Search("abc");
    ASSERT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, OrvaneFrame::IMAGE_PAGE_COMPLETED); }));
    m_hold = true;
    KeywordBox()->ChangeValue("xyz");
    Command(OrvaneFrame::ID_MENU_START_SEARCH);
    ASSERT_EQ(Pages().WaitingKeys().size(), 2u);
    // The tips of tabs still loading say nothing of the search before.
    EXPECT_TRUE(WaitUntil([&] { return Notebook()->GetPageToolTip(1).EndsWith("\nLoading..."); }, 3000));
    Command(OrvaneFrame::ID_MENU_STOP_SEARCH);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, OrvaneFrame::IMAGE_PAGE_BLANK); }, 3000));
    for (size_t tab = 0; tab < 3; ++tab)
        EXPECT_TRUE(Notebook()->GetPageToolTip(tab).Contains("Not loaded: the search was stopped")) << tab;
    m_hold = false;
    m_server->ReleaseHeld();

    SCOPED_TRACE("F5 loads the stopped search's page");
    Notebook()->SetSelection(1);
    Command(OrvaneFrame::ID_MENU_REFRESH);
    EXPECT_TRUE(WaitUntil([&] { return TabImage(1) == OrvaneFrame::IMAGE_PAGE_COMPLETED; }));
    EXPECT_EQ(Pages().GetPage(1)->GetWebView()->GetCurrentURL(), Pages().GetPage(1)->m_strPageUrl);
}

TEST_F(SearchFlowTest, TheTabOnShowLoadsFirstAndATabTurnedToStartsAtOnce)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_hold = true;
    Notebook()->SetSelection(1);
    KeywordBox()->ChangeValue("first");
    Command(OrvaneFrame::ID_MENU_START_SEARCH);
    {
        SCOPED_TRACE("Beta on show goes first; Gamma (next) and Alpha (previous) wait");
        EXPECT_EQ(Pages().WaitingKeys(), (std::vector<unsigned>{2, 0}));
        EXPECT_TRUE(SearchingControls());
        EXPECT_EQ(TabImages(), std::vector<int>(3, 4));
    }
    {
        SCOPED_TRACE("Ctrl+Tab to Gamma starts it at once");
        Command(OrvaneFrame::ID_MENU_NEXT_PAGE);
        EXPECT_EQ(Pages().WaitingKeys(), (std::vector<unsigned>{0}));
        EXPECT_FALSE(Pages().GetPage(2)->IsQueued());
    }
    ASSERT_TRUE(WaitUntil([&] { return m_server->RequestCount() >= 3; }));
    EXPECT_EQ(Searching(), 1);
    m_hold = false;
    m_server->ReleaseHeld();
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(IdleControls());
    EXPECT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, 3); }, 3000));
    const std::vector<std::string> targets = RequestTargets();
    for (const char* target : {"/alpha?q=first", "/beta?q=first&x=1", "/gamma?q=first"})
        EXPECT_TRUE(Contains(targets, target)) << target;
}

TEST_F(SearchFlowTest, NextAndPreviousWrapAround)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    Notebook()->SetSelection(2);
    EXPECT_EQ(CurPage(), 2);
    Command(OrvaneFrame::ID_MENU_NEXT_PAGE);
    EXPECT_EQ(Notebook()->GetSelection(), 0);
    EXPECT_EQ(CurPage(), 0);
    Command(OrvaneFrame::ID_MENU_PREV_PAGE);
    EXPECT_EQ(Notebook()->GetSelection(), 2);
    Command(OrvaneFrame::ID_MENU_PREV_PAGE);
    EXPECT_EQ(Notebook()->GetSelection(), 1);

    {
        SCOPED_TRACE("Ctrl+Tab and Ctrl+Shift+Tab from the keyboard");
        m_frame->Raise();
        KeywordBox()->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return KeywordBox()->HasFocus(); }, 3000));
        wxUIActionSimulator sim;
        sim.Char(WXK_TAB, wxMOD_CONTROL);
        EXPECT_TRUE(WaitUntil([&] { return Notebook()->GetSelection() == 2; }, 3000));
        sim.Char(WXK_TAB, wxMOD_CONTROL);
        EXPECT_TRUE(WaitUntil([&] { return Notebook()->GetSelection() == 0; }, 3000));
        sim.Char(WXK_TAB, wxMOD_CONTROL | wxMOD_SHIFT);
        EXPECT_TRUE(WaitUntil([&] { return Notebook()->GetSelection() == 2; }, 3000));

        // GTK cannot bind these keys to menu items; the items still show them.
        const struct
        {
            long id;
            guint mods;
        } items[] = {{OrvaneFrame::ID_MENU_NEXT_PAGE, GDK_CONTROL_MASK},
                     {OrvaneFrame::ID_MENU_PREV_PAGE, GDK_CONTROL_MASK | GDK_SHIFT_MASK}};
        for (const auto& expected : items)
        {
            wxMenuItem* item = m_frame->GetMenuBar()->FindItem(expected.id);
            ASSERT_NE(item, nullptr);
            GtkWidget* label = gtk_bin_get_child(GTK_BIN(item->GetMenuItem()));
            ASSERT_TRUE(GTK_IS_ACCEL_LABEL(label));
            guint key = 0;
            GdkModifierType mods = GdkModifierType(0);
            gtk_accel_label_get_accel(GTK_ACCEL_LABEL(label), &key, &mods);
            EXPECT_EQ(key, guint(GDK_KEY_Tab));
            EXPECT_EQ(guint(mods), expected.mods);
        }
    }

    {
        SCOPED_TRACE("a selected page shows its address and title");
        Search("nav");
        Notebook()->SetSelection(0);
        Notebook()->SetSelection(1);
        EXPECT_EQ(StatusBar()->GetStatusText(0),
                  "http://" + m_server->HostPort() + "/beta?q=nav&x=1");
        // The title may arrive just after the load ends.
        EXPECT_TRUE(WaitUntil([&] { return m_frame->GetTitle() == "T/beta?q=nav&x=1 - Orvane"; }))
            << m_frame->GetTitle();
    }
}

TEST_F(SearchFlowTest, LanguageChangeRebuildsOnlyForANewLanguage)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, 3); }, 3000));
    wxChoice* lang = LangChoice();

    {
        SCOPED_TRACE("picking the language on show changes nothing");
        wxWindow* before = Notebook()->GetPage(0);
        lang->SetStringSelection("English");
        Command(OrvaneFrame::ID_CHOICE_LANG, wxEVT_CHOICE);
        // A rebuild would put the blank-page image back on every tab.
        EXPECT_EQ(TabImages(), std::vector<int>(3, 3));
        EXPECT_EQ(Notebook()->GetPage(0), before);
    }

    {
        SCOPED_TRACE("another language rebuilds the pages and the category list");
        lang->SetStringSelection("Deutsch");
        Command(OrvaneFrame::ID_CHOICE_LANG, wxEVT_CHOICE);
        EXPECT_EQ(TabCaptions(), std::vector<wxString>{"Delta"});
        EXPECT_EQ(CategoryChoice()->GetStringSelection(), "Bilder");
        EXPECT_EQ(Prefs()->m_strLang, "Deutsch");
        EXPECT_EQ(Prefs()->m_strCategory, "Bilder");
        ASSERT_TRUE(WaitIdle());
        Search("hund");
        EXPECT_TRUE(Contains(RequestTargets(), "/delta?q=hund"));
        EXPECT_FALSE(Contains(RequestTargets(), "/alpha?q=hund"));
    }

    {
        SCOPED_TRACE("back to English reuses the pages in engine order");
        lang->SetStringSelection("English");
        Command(OrvaneFrame::ID_CHOICE_LANG, wxEVT_CHOICE);
        EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"Alpha", "Beta", "Gamma"}));
        ASSERT_TRUE(WaitIdle());
    }
}

TEST_F(SearchFlowTest, CatalogueChangesRebuildOnlyTheLanguageOnShow)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, 3); }, 3000));
    EngineManager& catalogue = Engines();
    auto find = [&](const char* name) -> Engine* {
        for (auto& engine : catalogue.m_engines)
            if (engine->m_strName == name)
                return engine.get();
        return nullptr;
    };

    {
        SCOPED_TRACE("a change to another language leaves the pages alone");
        Engine* delta = find("Delta");
        ASSERT_NE(delta, nullptr);
        delta->m_strName = "Dora";
        catalogue.EngineChanged(delta);
        EXPECT_EQ(TabImages(), std::vector<int>(3, 3));
        EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"Alpha", "Beta", "Gamma"}));
    }

    {
        SCOPED_TRACE("a change on show rebuilds them");
        Engine* beta = find("Beta");
        ASSERT_NE(beta, nullptr);
        beta->m_strName = "Bravo";
        catalogue.EngineChanged(beta);
        EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"Alpha", "Bravo", "Gamma"}));
        ASSERT_TRUE(WaitIdle());
    }

    Search("saved");
    CloseFrame();

    {
        SCOPED_TRACE("closing writes the changed catalogue and the preferences");
        const std::string xml = ReadFileBytes(m_sandbox.File("conf/config.xml"));
        EXPECT_NE(xml.find("<NAME>Bravo</NAME>"), std::string::npos);
        EXPECT_NE(xml.find("<NAME>Dora</NAME>"), std::string::npos);
        const std::string store = StoreText();
        EXPECT_NE(store.find("m_strLang=English"), std::string::npos) << store;
        EXPECT_NE(store.find("m_strCategory=Web"), std::string::npos) << store;
        EXPECT_NE(store.find("0=saved"), std::string::npos) << store;
    }
}

// Tabs match languages without regard to case, so "Two" (english) is on
// show with English/Web. Deleting it from the panel, or deleting "Four" after
// moving it to another language, must leave no page holding the destroyed
// engine: the next search reaches only the engines still there.
TEST_F(SearchFlowTest, DeletedEnginesLeaveNoPageBehind)
{
    const std::string host = m_server->HostPort();
    auto engine = [&](int index, const char* lang, const char* name) {
        return std::string("<ENGINE><INDEX>") + std::to_string(index) + "</INDEX><LANGUAGE>" + lang +
               "</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>" + name + "</NAME><URL>http://" + host +
               "/" + name + "?q=*</URL></ENGINE>\n";
    };
    WriteFileBytes(m_sandbox.File("conf/config.xml"),
                   "<ENGINES>\n" + engine(1, "English", "One") + engine(2, "english", "Two") +
                       engine(3, "English", "Three") + engine(4, "English", "Four") + "</ENGINES>\n");
    OpenFrame("m_strLang=English\nm_strCategory=Web\n");
    ASSERT_TRUE(WaitIdle());
    ASSERT_EQ(TabCaptions(), (std::vector<wxString>{"One", "Two", "Three", "Four"}));

    {
        SCOPED_TRACE("Show all, select Two, Delete, Yes, F6, a word, Enter");
        ShowAllBox()->SetValue(true);
        wxCommandEvent tick(wxEVT_CHECKBOX, ShowAllBox()->GetId());
        tick.SetInt(1);
        tick.SetEventObject(ShowAllBox());
        ShowAllBox()->ProcessWindowEvent(tick);
        wxListCtrl* list = EngineList();
        const long row = list->FindItem(-1, "Two");
        ASSERT_GE(row, 0);
        list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        ASSERT_TRUE(SelectedEngine() && SelectedEngine()->m_strName == "Two");
        wxCommandEvent click(wxEVT_BUTTON, ButtonDelete()->GetId());
        click.SetEventObject(ButtonDelete());
        wxTEST_DIALOG(ButtonDelete()->ProcessWindowEvent(click), ExpectDeleteQuestion(wxID_YES));
        Command(OrvaneFrame::ID_MENU_NEW_SEARCHING);
        Search("word");
        const std::vector<std::string> targets = RequestTargets();
        EXPECT_TRUE(Contains(targets, "/One?q=word")) << ::testing::PrintToString(targets);
        EXPECT_TRUE(Contains(targets, "/Three?q=word"));
        EXPECT_FALSE(Contains(targets, "/Two?q=word"));
        EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"One", "Three", "Four"}));
    }
    {
        SCOPED_TRACE("a shown engine moved to another language, then deleted");
        Engine* four = nullptr;
        for (auto& e : Engines().m_engines)
            if (e->m_strName == "Four")
                four = e.get();
        ASSERT_NE(four, nullptr);
        four->m_strLanguage = "French";
        Engines().EngineChanged(four);
        Engines().RemoveEngine(four);
        Search("again");
        const std::vector<std::string> targets = RequestTargets();
        EXPECT_TRUE(Contains(targets, "/Three?q=again")) << ::testing::PrintToString(targets);
        EXPECT_FALSE(Contains(targets, "/Four?q=again"));
        EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"One", "Three"}));
    }
}

TEST_F(SearchFlowTest, UnchangedCatalogueIsNotRewrittenAndChoicesAreRestored)
{
    OpenFrame("m_strLang=Deutsch\nm_strCategory=Bilder\nm_nKeywordNum=2\n[keyword]\n0=one\n1=two\n");
    // The stored language and category are restored, and the history with them.
    EXPECT_EQ(LangChoice()->GetStringSelection(), "Deutsch");
    EXPECT_EQ(History(), (std::vector<wxString>{"one", "two"}));
    EXPECT_EQ(TabCaptions(), std::vector<wxString>{"Delta"});
    ASSERT_TRUE(WaitIdle());
    const std::string before = ReadFileBytes(m_sandbox.File("conf/config.xml"));
    CloseFrame();
    EXPECT_EQ(ReadFileBytes(m_sandbox.File("conf/config.xml")), before);
}

TEST_F(SearchFlowTest, ClearResultAndSearchFor)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_frame->SearchFor("direct");
    EXPECT_TRUE(SearchingControls());
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(Contains(RequestTargets(), "/gamma?q=direct"));
    EXPECT_EQ(History().front(), "direct");

    Command(OrvaneFrame::ID_TOOL_CLEAR, wxEVT_TOOL);
    EXPECT_EQ(KeywordBox()->GetValue(), "(Please input keyword...)");
    // Every page goes back to the start page.
    EXPECT_EQ(TabImages(), std::vector<int>(3, 2));
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(WaitUntil([&] {
        return static_cast<ZulIeCtrl*>(Notebook()->GetPage(0))->GetTitle() == "Start";
    }));
}

TEST_F(SearchFlowTest, AClickSelectsThePromptAndASearchForItIsNotCountedInHealth)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    wxComboBox* box = KeywordBox();
    // The prompt left in place is searched for, but says nothing of the engines.
    Search("(Please input keyword...)");
    ASSERT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, OrvaneFrame::IMAGE_PAGE_COMPLETED); }));
    EXPECT_EQ(EngineList()->GetItemText(0, OrvaneFrame::ENGINE_COLUMN_HEALTH), "");

    SCOPED_TRACE("a click into the prompt selects it all: the first key replaces it");
    box->SetFocus();
    box->SetInsertionPointEnd();
    wxUIActionSimulator sim;
    sim.MouseMove(box->GetScreenPosition() + wxPoint(box->GetSize().x / 3, box->GetSize().y / 2));
    wxYield();
    sim.MouseClick();
    wxYield();
    sim.Char('o');
    EXPECT_TRUE(WaitUntil([&] { return box->GetValue() == "o"; }, 3000)) << box->GetValue();
}

TEST_F(SearchFlowTest, ShortcutsSearchOnlyTheirEnginesAndSwitchTheGroup)
{
    std::string catalogue = Catalogue(m_server->HostPort());
    for (const auto& [name, shortcut] : {std::pair<std::string, std::string>{"Beta", "b"},
                                         {"Delta", "D"}, {"Alpha", "a"}, {"Echo", "e"}})
    {
        const std::string tag = "<NAME>" + name + "</NAME>";
        const size_t at = catalogue.find("</ENGINE>", catalogue.find(tag));
        catalogue.insert(at, "<SHORTCUT>" + shortcut + "</SHORTCUT>");
    }
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), catalogue));
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    {
        SCOPED_TRACE("one engine of the group on show: its tab is chosen and loads at once");
        KeywordBox()->ChangeValue("sea !B otter");
        Command(OrvaneFrame::ID_MENU_START_SEARCH);
        EXPECT_TRUE(Pages().WaitingKeys().empty());
        EXPECT_FALSE(Pages().GetPage(1)->IsQueued());
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(RequestTargets(), std::vector<std::string>{"/beta?q=sea%20otter&x=1"});
        EXPECT_EQ(Notebook()->GetSelection(), 1);
        EXPECT_EQ(History(), std::vector<wxString>{"sea !B otter"});
    }
    {
        SCOPED_TRACE("nothing to search: no request, history unchanged, the status says why");
        for (const auto& [typed, status] :
             {std::pair<wxString, wxString>{"!e otter", "\"Echo\" is disabled."},
              {" !a  ", "Type words to search after the shortcut."}})
        {
            Search(typed);
            EXPECT_EQ(StatusBar()->GetStatusText(0), status);
        }
        EXPECT_EQ(m_server->RequestCount(), 1u);
        EXPECT_EQ(History(), std::vector<wxString>{"sea !B otter"});
    }
    {
        SCOPED_TRACE("the first engine's group is shown; another group's engine is not loaded");
        m_hold = true;
        wxComboBox* box = KeywordBox();
        box->ChangeValue("!d !a otter");
        box->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == box ||
                                           (wxWindow::FindFocus() && wxWindow::FindFocus()->GetParent() == box); },
                              3000));
        wxUIActionSimulator sim;
        sim.Char(WXK_RETURN);
        ASSERT_TRUE(WaitUntil([&] { return m_server->RequestCount() >= 2; }));
        EXPECT_EQ(LangChoice()->GetStringSelection(), "Deutsch");
        EXPECT_EQ(CategoryChoice()->GetStringSelection(), "Bilder");
        EXPECT_EQ(TabCaptions(), std::vector<wxString>{"Delta"});
        EXPECT_EQ(StatusBar()->GetStatusText(0), "Not in this group: Alpha");
        m_hold = false;
        m_server->ReleaseHeld();
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(RequestTargets().back(), "/delta?q=otter");
        EXPECT_EQ(m_server->RequestCount(), 2u);
        EXPECT_EQ(History(), (std::vector<wxString>{"!d !a otter", "sea !B otter"}));
    }
}

// With many pages loading, the window's title is the page on show's, not
// whichever page changed its title last.
TEST_F(SearchFlowTest, OnlyThePageOnShowNamesTheWindow)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    Notebook()->SetSelection(1);
    Search("otter");
    EXPECT_TRUE(WaitUntil([&] { return m_frame->GetTitle() == "T/beta?q=otter&x=1 - Orvane"; }, 5000))
        << m_frame->GetTitle();
    ZulIeCtrl* alpha = Pages().GetPage(0);
    alpha->LoadUrl(wxString::FromUTF8("http://" + m_server->HostPort() + "/alpha-later"));
    ASSERT_TRUE(WaitUntil([&] { return alpha->GetTitle() == "T/alpha-later"; }));
    ASSERT_TRUE(WaitIdle());
    DrainEvents();
    EXPECT_EQ(m_frame->GetTitle(), "T/beta?q=otter&x=1 - Orvane");
    Notebook()->SetSelection(0);
    EXPECT_EQ(m_frame->GetTitle(), "T/alpha-later - Orvane");
}
