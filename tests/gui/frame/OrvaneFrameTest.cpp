// The main window's layout and its own commands: the docked panes, the
// window names other code looks controls up by, the image list, the engine
// manager toggle and pane close, full screen, the interface-language command,
// Check for Update, the size field and Quit.
#include "frame/OrvaneFrameFixture.h"

#include "about/MakerPages.h"
#include "store/Preference.h"

#include <wx/aui/auibar.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/listctrl.h>
#include <wx/aui/framemanager.h>
#include <wx/choicdlg.h>
#include <wx/combobox.h>
#include <wx/dnd.h>
#include <wx/filename.h>
#include <wx/imaglist.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/uiaction.h>
#include <gtk/gtk.h>

namespace
{
class ExpectRestartMessage : public wxExpectModalBase<wxMessageDialog, ExpectRestartMessage>
{
protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_EQ(dlg->GetMessage(), "You must restart application for this change to take effect.");
        EXPECT_EQ(dlg->GetCaption(), "Confirm");
        return wxID_OK;
    }
};
} // namespace

class OrvaneFrameTest : public OrvaneFrameFixture
{
protected:
    wxAuiPaneInfo& EnginePane() { return AuiManager()->GetPane("Search Engine Manager"); }
    bool ToolHighlighted(long id) { return ToolBar()->GetToolToggled(id); }
};

TEST_F(OrvaneFrameTest, PanesNamesAndImages)
{
    OpenFrame();
    wxAuiManager* aui = AuiManager();
    {
        SCOPED_TRACE("three panes with their captions");
        wxAuiPaneInfo& book = aui->GetPane("NoteBookIE");
        wxAuiPaneInfo& bar = aui->GetPane("SreachToolbar");
        wxAuiPaneInfo& engines = aui->GetPane("Search Engine Manager");
        ASSERT_TRUE(book.IsOk() && bar.IsOk() && engines.IsOk());
        EXPECT_EQ(book.window, Notebook());
        EXPECT_EQ(bar.window, ToolBar());
        EXPECT_EQ(engines.window, EnginePanel());
        EXPECT_EQ(bar.caption, "Search toolbar");
        EXPECT_EQ(engines.caption, "Search Engine Manager");
        // Only the engine manager pane can be closed (pane-close handling relies on it).
        EXPECT_FALSE(bar.HasCloseButton());
        EXPECT_TRUE(engines.HasCloseButton());
    }
    {
        SCOPED_TRACE("controls are found by their window names");
        const char* names[] = {"ID_CHOICE_LANG",    "ID_CHOICE_CATEGORY", "ID_COMBOBOX_KEYWORD",
                               "ID_PANEL_ENGINE_MGR", "ID_LISTCTRL_ENGINE", "ID_CHECKBOX_SHOWALL",
                               "ID_STATICLINE1",    "ID_STATICLINE2",     "ID_BUTTON_ADD",
                               "ID_BUTTON_EDIT",    "ID_BUTTON_DELETE",   "ID_BUTTON_COPY",
                               "ID_BUTTON_ENABLE",  "wxID_UP",            "wxID_DOWN",
                               "ID_STATUSBAR1"};
        for (const char* name : names)
            EXPECT_NE(wxWindow::FindWindowByName(name, m_frame), nullptr) << name;
        EXPECT_EQ(m_frame->GetName(), "wxID_ANY");
        EXPECT_EQ(m_frame->FindWindow(wxID_UP), static_cast<wxWindow*>(ButtonUp()));
    }
    {
        SCOPED_TRACE("image list and status bar");
        ASSERT_NE(ImageList(), nullptr);
        // The eight pictures of the classic list, the failed page's, then
        // one for each other page outcome, each its own picture.
        EXPECT_EQ(ImageList()->GetImageCount(), 13);
        for (int outcome = OrvaneFrame::IMAGE_PAGE_EMPTY; outcome <= OrvaneFrame::IMAGE_PAGE_HTTPERROR; ++outcome)
        {
            const wxImage image = ImageList()->GetBitmap(outcome).ConvertToImage();
            const wxImage failed = ImageList()->GetBitmap(OrvaneFrame::IMAGE_PAGE_FAILED).ConvertToImage();
            ASSERT_TRUE(image.IsOk() && failed.IsOk()) << outcome;
            EXPECT_NE(memcmp(image.GetData(), failed.GetData(), 16 * 16 * 3), 0) << outcome;
        }
        int w = 0, h = 0;
        ImageList()->GetSize(0, w, h);
        EXPECT_EQ(wxSize(w, h), wxSize(16, 16));
        // The loading frames must differ from one another to animate.
        const wxImage first = ImageList()->GetBitmap(4).ConvertToImage();
        const wxImage second = ImageList()->GetBitmap(5).ConvertToImage();
        ASSERT_TRUE(first.IsOk() && second.IsOk());
        EXPECT_NE(memcmp(first.GetData(), second.GetData(), 16 * 16 * 3), 0);
        EXPECT_EQ(StatusBar()->GetFieldsCount(), 4);
        EXPECT_EQ(m_frame->GetStatusBar(), StatusBar());
    }
    {
        SCOPED_TRACE("text dropped on the keyword box replaces it");
        auto* target = dynamic_cast<wxTextDropTarget*>(KeywordBox()->GetDropTarget());
        ASSERT_NE(target, nullptr);
        EXPECT_TRUE(target->OnDropText(3, 4, "dropped words"));
        EXPECT_EQ(KeywordBox()->GetValue(), "dropped words");
    }
}

TEST_F(OrvaneFrameTest, EngineManagerToggleAndPaneClose)
{
    OpenFrame("m_nShowEngineManager=0\n");
    EXPECT_FALSE(EnginePane().IsShown());
    EXPECT_FALSE(ToolHighlighted(OrvaneFrame::ID_TOOL_ENGINE_MGR));

    {
        SCOPED_TRACE("F7 shows the pane, highlights the tool and stores 1");
        m_frame->Raise();
        KeywordBox()->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return KeywordBox()->HasFocus(); }, 3000));
        wxUIActionSimulator sim;
        sim.Char(WXK_F7);
        ASSERT_TRUE(WaitUntil([&] { return EnginePane().IsShown(); }, 3000));
        EXPECT_TRUE(ToolHighlighted(OrvaneFrame::ID_TOOL_ENGINE_MGR));
        EXPECT_EQ(Prefs()->m_nShowEngineManager, 1);
    }

    {
        SCOPED_TRACE("the pane's close button stores 0 and un-highlights the tool");
        wxAuiManagerEvent event(wxEVT_AUI_PANE_CLOSE);
        event.SetManager(AuiManager());
        event.SetPane(&EnginePane());
        m_frame->GetEventHandler()->ProcessEvent(event);
        EXPECT_FALSE(event.GetVeto());
        EXPECT_EQ(Prefs()->m_nShowEngineManager, 0);
        EXPECT_FALSE(ToolHighlighted(OrvaneFrame::ID_TOOL_ENGINE_MGR));
    }

    {
        SCOPED_TRACE("the toolbar tool toggles back and forth");
        EnginePane().Hide();
        AuiManager()->Update();
        Command(OrvaneFrame::ID_TOOL_ENGINE_MGR, wxEVT_TOOL);
        EXPECT_TRUE(EnginePane().IsShown());
        EXPECT_TRUE(ToolHighlighted(OrvaneFrame::ID_TOOL_ENGINE_MGR));
        Command(OrvaneFrame::ID_MENU_ENGINE_MGR);
        EXPECT_FALSE(EnginePane().IsShown());
        EXPECT_FALSE(ToolHighlighted(OrvaneFrame::ID_TOOL_ENGINE_MGR));
        EXPECT_EQ(Prefs()->m_nShowEngineManager, 0);
    }
    CloseFrame();
    EXPECT_NE(StoreText().find("m_nShowEngineManager=0"), std::string::npos);
}

TEST_F(OrvaneFrameTest, FullScreenTwiceReturnsToNormal)
{
    OpenFrame();
    Command(OrvaneFrame::ID_MENU_FULLSCREEN);
    EXPECT_TRUE(m_frame->IsFullScreen());
    EXPECT_TRUE(ToolHighlighted(OrvaneFrame::ID_TOOL_FULLSCREEN));
    // The toolbar pane stays whatever the hide preferences say.
    EXPECT_TRUE(AuiManager()->GetPane("SreachToolbar").IsShown());
    Command(OrvaneFrame::ID_TOOL_FULLSCREEN, wxEVT_TOOL);
    EXPECT_FALSE(m_frame->IsFullScreen());
    EXPECT_FALSE(ToolHighlighted(OrvaneFrame::ID_TOOL_FULLSCREEN));
}

TEST_F(OrvaneFrameTest, InterfaceLanguageCommand)
{
    OpenFrame();
    {
        SCOPED_TRACE("cancelling shows nothing and stores nothing");
        wxTEST_DIALOG(Command(OrvaneFrame::ID_MENU_UI_LANGUAGE),
                      wxExpectModal<wxSingleChoiceDialog>(wxID_CANCEL));
        EXPECT_EQ(ConfigStore::Get()->Read("ui_language", "?"), "default");
    }
    {
        SCOPED_TRACE("a choice is stored and the restart message shown");
        class PickEnglish : public wxExpectModalBase<wxSingleChoiceDialog, PickEnglish>
        {
        protected:
            int OnInvoked(wxSingleChoiceDialog* dlg) const override
            {
                dlg->SetSelection(3);
                return wxID_OK;
            }
        };
        wxTEST_DIALOG(Command(OrvaneFrame::ID_MENU_UI_LANGUAGE), PickEnglish(),
                      ExpectRestartMessage());
        EXPECT_NE(ConfigStore::Get()->Read("ui_language", "?"), "default");
    }
}

TEST_F(OrvaneFrameTest, CheckForUpdateOpensTheHandbookWhileThereIsNoSite)
{
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("handbook.html"),
                               "<html><head><title>Handbook</title></head><body>h</body></html>"));
    const wxString handbook = wxFileName::FileNameToURL(wxFileName(wxString::FromUTF8(m_sandbox.File("handbook.html"))));
    OpenFrame();
    std::vector<wxString> opened;
    MakerPages::SetOpenerForTesting([&](const wxString& url) {
        opened.push_back(url);
        return false;
    });
    {
        SCOPED_TRACE("our own page opens in the result page on show, not outside");
        Command(OrvaneFrame::ID_MENU_CHECK_UPDATE);
        auto* page = dynamic_cast<ZulIeCtrl*>(Notebook()->GetPage(Notebook()->GetSelection()));
        ASSERT_NE(page, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return page->GetTitle() == "Handbook"; })) << page->GetTitle();
        EXPECT_TRUE(opened.empty());
    }
    {
        SCOPED_TRACE("a browser that cannot start is reported in one sentence of ours");
        wxTEST_DIALOG(MakerPages::Open(handbook, m_frame),
                      ExpectMessage("No web browser could be started to open " + handbook + ".", "Orvane"));
        EXPECT_EQ(opened, std::vector<wxString>{handbook});
    }
    MakerPages::SetOpenerForTesting(nullptr);
}

TEST_F(OrvaneFrameTest, SizeFieldAndQuit)
{
    OpenFrame();
    m_frame->SetSize(wxSize(800, 600));
    const wxSize size = m_frame->GetSize();
    EXPECT_TRUE(WaitUntil([&] {
        return StatusBar()->GetStatusText(3) ==
               wxString::Format("Frame Size: w = %d, h = %d", size.x, size.y);
    }, 3000)) << StatusBar()->GetStatusText(3);

    KeywordBox()->Append("kept");
    wxWeakRef<wxFrame> alive(m_frame);
    Command(OrvaneFrame::ID_MENU_QUIT);
    ASSERT_TRUE(WaitUntil([&] { return !alive; }));
    m_frame = nullptr;
    const std::string store = StoreText();
    EXPECT_NE(store.find("m_nKeywordNum=1"), std::string::npos) << store;
    EXPECT_NE(store.find("0=kept"), std::string::npos) << store;
    EXPECT_NE(store.find("w="), std::string::npos) << store;
}

TEST_F(OrvaneFrameTest, SmallWindowOverflowsToolsAndKeepsHalfTheHeightForThePages)
{
    OpenFrame();
    ASSERT_TRUE(EnginePane().IsShown());
    m_frame->SetSize(640, 480);
    ASSERT_TRUE(WaitUntil([&] { return m_frame->GetSize() == wxSize(640, 480); }, 3000));
    DrainEvents();
    const int height = m_frame->GetClientSize().y;
    EXPECT_GE(Notebook()->GetSize().y, height / 2 - 1) << "of " << height;
    EXPECT_TRUE(ToolBar()->GetToolFits(OrvaneFrame::ID_COMBOBOX_KEYWORD));
    EXPECT_TRUE(ToolBar()->GetToolFits(OrvaneFrame::ID_TOOL_START_SEARCH));
    // What does not fit is offered by the overflow button.
    EXPECT_FALSE(ToolBar()->GetToolFits(OrvaneFrame::ID_TOOL_FULLSCREEN));
    EXPECT_TRUE(ToolBar()->GetOverflowVisible());

    SCOPED_TRACE("a large window again: the keyword box and every tool are back");
    m_frame->SetSize(1200, 800);
    ASSERT_TRUE(WaitUntil([&] { return m_frame->GetSize() == wxSize(1200, 800); }, 3000));
    DrainEvents();
    EXPECT_TRUE(ToolBar()->GetToolFits(OrvaneFrame::ID_TOOL_FULLSCREEN));
    EXPECT_GE(KeywordBox()->GetSize().x, 400);
}

// Tab visits every control a person can use, visibly, and comes back to the
// keyword box; Shift+Tab goes the other way. With the engine manager shown
// and hidden.
TEST_F(OrvaneFrameTest, TabFromTheKeywordBoxCyclesThroughEveryControl)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_frame->Raise();
    ASSERT_TRUE(WaitUntil([&] { return m_frame->IsActive(); }, 3000));
    for (const bool manager : {true, false})
    {
        SCOPED_TRACE(manager ? "engine manager shown" : "engine manager hidden");
        if (AuiManager()->GetPane(EnginePanel()).IsShown() != manager)
            Command(OrvaneFrame::ID_MENU_ENGINE_MGR);
        DrainEvents();
        std::vector<wxWindow*> stops = {KeywordBox(), LangChoice(), CategoryChoice(), Notebook()->GetCurrentPage()};
        if (manager)
        {
            // A selection enables the buttons that act on it.
            EngineList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
            DrainEvents();
            stops.push_back(EngineList());
            stops.push_back(ShowAllBox());
            for (wxWindow* button : {ButtonAdd(), ButtonEdit(), ButtonDelete(), ButtonCopy(), ButtonEnable(),
                                     ButtonUp(), ButtonDown()})
                if (button->IsEnabled())
                    stops.push_back(button);
        }
        // GTK focuses parts of a control (a combo box's entry), which the
        // toolkit does not name: the stop is the control holding the focus.
        auto stop = [&] {
            GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(m_frame->GetHandle()));
            for (size_t i = 0; focus && i < stops.size(); ++i)
                if (focus == stops[i]->GetHandle() || gtk_widget_is_ancestor(focus, stops[i]->GetHandle()))
                    return static_cast<int>(i);
            return -1;
        };
        KeywordBox()->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return stop() == 0; }, 3000));
        for (const int direction : {1, -1})
        {
            SCOPED_TRACE(direction > 0 ? "Tab" : "Shift+Tab");
            std::vector<int> visited, expected;
            const int n = static_cast<int>(stops.size());
            for (int press = 1; press <= n; ++press)
            {
                expected.push_back(((direction * press) % n + n) % n);
                wxUIActionSimulator().Char(WXK_TAB, direction > 0 ? wxMOD_NONE : wxMOD_SHIFT);
                WaitUntil([&] { return stop() == expected.back(); }, 2000);
                visited.push_back(stop());
            }
            EXPECT_EQ(visited, expected);
        }
    }
}

// At 640x480 the engine manager is lower than its button column: every
// button can still be reached and, once focused, is on screen.
TEST_F(OrvaneFrameTest, EveryEngineButtonCanBeReachedInASmallWindow)
{
    OpenFrame();
    ASSERT_TRUE(EnginePane().IsShown());
    m_frame->SetSize(640, 480);
    ASSERT_TRUE(WaitUntil([&] { return m_frame->GetSize() == wxSize(640, 480); }, 3000));
    DrainEvents();
    EngineList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
    DrainEvents();
    const wxRect pane = EnginePanel()->GetScreenRect();
    const wxRect window(m_frame->ClientToScreen(wxPoint(0, 0)), m_frame->GetClientSize());
    for (wxWindow* button : {static_cast<wxWindow*>(ShowAllBox()), static_cast<wxWindow*>(ButtonAdd()),
                             static_cast<wxWindow*>(ButtonEnable()), static_cast<wxWindow*>(ButtonUp()),
                             static_cast<wxWindow*>(ButtonDown())})
    {
        SCOPED_TRACE(button->GetName().utf8_string());
        button->SetFocus();
        DrainEvents();
        const wxRect rect = button->GetScreenRect();
        EXPECT_TRUE(pane.Contains(rect) && window.Contains(rect))
            << rect.y << ".." << rect.GetBottom() << " outside " << pane.y << ".." << pane.GetBottom();
    }
}

// Reading a page's markup runs the toolkit's loop. A window closed meanwhile
// (a quit signal, a timer) goes once the read has returned, not under it,
// and the command reading it then says nothing.
TEST_F(OrvaneFrameTest, ClosingWhileAPageIsReadWaitsForTheRead)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(WaitUntil([&] {
        wxWebView* view = Pages().GetPage(0) ? Pages().GetPage(0)->GetWebView() : nullptr;
        return view && !view->IsBusy() && !view->GetCurrentURL().empty();
    }));
    wxWeakRef<wxFrame> alive(m_frame);
    // Runs on the read's first turn of the loop.
    g_idle_add_full(
        G_PRIORITY_HIGH, [](gpointer frame) -> gboolean { static_cast<wxFrame*>(frame)->Destroy(); return G_SOURCE_REMOVE; },
        m_frame, nullptr);
    Command(OrvaneFrame::ID_MENU_ADD_THIS_ENGINE);
    m_frame = nullptr;
    EXPECT_TRUE(WaitUntil([&] { return !alive; }));
}
