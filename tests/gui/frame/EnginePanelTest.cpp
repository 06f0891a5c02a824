// The engine manager panel of the real main window, driven as a user would:
// button clicks, heading clicks, and the engine dialog and the delete
// question answered through wxTEST_DIALOG.
#include "GuiTest.h"
#include "frame/OrvaneFrameAccess.h"
#include "TestEnvironment.h"

#include "store/ConfigStore.h"
#include "engines/EngineDlg.h"
#include "catalogue/EngineRules.h"
#include "outcome/EngineHealth.h"
#include "store/ProgramFolder.h"

#include <wx/aui/auibook.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <vector>

namespace
{
// Kilo, Alpha and Mike are on show at start (English / Web); their names
// sort differently from their indexes.
const char* const CATALOGUE =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<ENGINES>\n"
    "  <ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
    "<NAME>Kilo</NAME><URL>http://127.0.0.1:9/kilo?q=*</URL><ENCODING>UTF-8</ENCODING>"
    "<ENABLE>1</ENABLE></ENGINE>\n"
    "  <ENGINE><INDEX>2</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
    "<NAME>Alpha</NAME><URL>http://127.0.0.1:9/alpha?q=*</URL><ENCODING>UTF-8</ENCODING>"
    "<ENABLE>0</ENABLE></ENGINE>\n"
    "  <ENGINE><INDEX>3</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
    "<NAME>Mike</NAME><URL>http://127.0.0.1:9/mike?q=*</URL><ENCODING>UTF-8</ENCODING>"
    "<ENABLE>1</ENABLE></ENGINE>\n"
    "  <ENGINE><INDEX>4</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>News</CATEGORY>"
    "<NAME>Papa</NAME><URL>http://127.0.0.1:9/papa?q=*</URL><ENCODING>UTF-8</ENCODING>"
    "<ENABLE>1</ENABLE></ENGINE>\n"
    "  <ENGINE><INDEX>5</INDEX><LANGUAGE>Chinese</LANGUAGE><CATEGORY>Web</CATEGORY>"
    "<NAME>Zulu</NAME><URL>http://127.0.0.1:9/zulu?q=*</URL><ENCODING>GB2312</ENCODING>"
    "<ENABLE>1</ENABLE></ENGINE>\n"
    "</ENGINES>\n";

const wxColour GREY(172, 168, 153);

typedef std::vector<wxString> NameList;

// Answers the engine dialog: initialises it as showing would, lets the test
// fill it in, then presses OK (expected to be accepted) or Cancel.
class ExpectEngineDlg : public wxExpectModalBase<EngineDlg, ExpectEngineDlg>
{
public:
    ExpectEngineDlg(std::function<void(EngineDlg&)> fill, bool ok)
        : m_fill(std::move(fill)), m_ok(ok)
    {
    }

protected:
    int OnInvoked(EngineDlg* dlg) const override
    {
        dlg->InitDialog();
        if (m_fill)
            m_fill(*dlg);
        if (!m_ok)
            return wxID_CANCEL;
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        event.SetEventObject(dlg->FindWindow(wxID_OK));
        wxTEST_DIALOG(dlg->ProcessWindowEvent(event), NoMessage().Optional());
        EXPECT_EQ(dlg->GetReturnCode(), wxID_OK) << "the dialog refused its input";
        return dlg->GetReturnCode() == wxID_OK ? wxID_OK : wxID_CANCEL;
    }

private:
    std::function<void(EngineDlg&)> m_fill;
    bool m_ok;
};

class EnginePanelTest : public OrvaneFrameAccess
{
protected:
    void SetUp() override
    {
        MakeDirs(m_sandbox.File("conf"));
        ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), CATALOGUE));
        WriteFileBytes(m_sandbox.File("conf/index.htm"), "<html><body>start</body></html>");
        // Pictures come from the staged program folder.
        std::error_code ec;
        std::filesystem::create_directory_symlink(std::string(ORVANE_STAGE_DIR) + "/img",
                                                  m_sandbox.File("img"), ec);
        ProgramFolder::OverrideForTesting(m_sandbox.Path());
        // The preference store of this sandbox, not one left by an earlier test.
        ConfigStore::Open();
        OpenFrame();
    }

    void TearDown() override
    {
        CloseFrame();
        ConfigStore::Close();
        ProgramFolder::OverrideForTesting(wxString());
    }

    void OpenFrame()
    {
        m_frame = new OrvaneFrame(nullptr);
        m_frame->Show();
        m_list = EngineList();
    }

    void Click(wxButton* button)
    {
        ASSERT_TRUE(button->IsEnabled()) << button->GetLabel() << " is disabled";
        wxCommandEvent event(wxEVT_BUTTON, button->GetId());
        event.SetEventObject(button);
        // No yield afterwards: a start page finishing would overwrite status field 0.
        button->ProcessWindowEvent(event);
    }

    void ClickHeading(int column)
    {
        wxListEvent event(wxEVT_LIST_COL_CLICK, m_list->GetId());
        event.SetColumn(column);
        event.SetEventObject(m_list);
        m_list->ProcessWindowEvent(event);
    }

    void ToggleShowAll(bool ticked)
    {
        ShowAllBox()->SetValue(ticked);
        wxCommandEvent event(wxEVT_CHECKBOX, ShowAllBox()->GetId());
        event.SetInt(ticked);
        event.SetEventObject(ShowAllBox());
        ShowAllBox()->ProcessWindowEvent(event);
    }

    long RowOf(const wxString& name) const
    {
        for (long row = 0; row < m_list->GetItemCount(); ++row)
            if (m_list->GetItemText(row, 0) == name)
                return row;
        return -1;
    }

    void Select(const wxString& name)
    {
        const long row = RowOf(name);
        ASSERT_GE(row, 0) << name << " is not listed";
        m_list->SetItemState(row, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
        ASSERT_NE(SelectedEngine(), nullptr);
        ASSERT_EQ(SelectedEngine()->m_strName, name);
    }

    NameList Names() const
    {
        NameList names;
        for (long row = 0; row < m_list->GetItemCount(); ++row)
            names.push_back(m_list->GetItemText(row, 0));
        return names;
    }

    wxString SelectedName() const
    {
        const long row = m_list->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
        return row < 0 ? wxString() : m_list->GetItemText(row, 0);
    }

    wxString RowText(long row) const
    {
        wxString text = m_list->GetItemText(row, 0);
        for (int column = 1; column < m_list->GetColumnCount(); ++column)
            text += "|" + m_list->GetItemText(row, column);
        return text;
    }

    int ImageOf(long row) const
    {
        wxListItem item;
        item.SetId(row);
        item.SetMask(wxLIST_MASK_IMAGE);
        m_list->GetItem(item);
        return item.GetImage();
    }

    Engine* Find(const wxString& name) const
    {
        for (const auto& engine : Engines().m_engines)
            if (engine->m_strName == name)
                return engine.get();
        return nullptr;
    }

    wxString Status(int field) const { return m_frame->GetStatusBar()->GetStatusText(field); }

    bool SelectionButtonsEnabled() const
    {
        return ButtonEdit()->IsEnabled() && ButtonDelete()->IsEnabled() &&
               ButtonCopy()->IsEnabled() && ButtonEnable()->IsEnabled();
    }

    bool SelectionButtonsDisabled() const
    {
        return !ButtonEdit()->IsEnabled() && !ButtonDelete()->IsEnabled() &&
               !ButtonCopy()->IsEnabled() && !ButtonEnable()->IsEnabled() &&
               !ButtonUp()->IsEnabled() && !ButtonDown()->IsEnabled();
    }

    TestSandbox m_sandbox;
    wxListCtrl* m_list = nullptr;
};

} // namespace

TEST_F(EnginePanelTest, ListsTheEnginesOnShow)
{
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike"}));
    EXPECT_EQ(Status(2), "Engine Count: 4 / 5");
    EXPECT_TRUE(SelectionButtonsDisabled());
    EXPECT_TRUE(ButtonAdd()->IsEnabled());

    const long alpha = RowOf("Alpha");
    // The last column, Health, is empty for an engine never searched.
    EXPECT_EQ(RowText(alpha), "Alpha|English|Web|Disable|UTF-8|2|http://127.0.0.1:9/alpha?q=*||");
    EXPECT_EQ(ImageOf(alpha), OrvaneFrame::IMAGE_ENGINE_DISABLED);
    EXPECT_EQ(m_list->GetItemTextColour(alpha), GREY);
    const long kilo = RowOf("Kilo");
    EXPECT_EQ(m_list->GetItemText(kilo, 3), "Enable");
    EXPECT_EQ(ImageOf(kilo), OrvaneFrame::IMAGE_ENGINE_ENABLED);
    EXPECT_NE(m_list->GetItemTextColour(kilo), GREY);

    SCOPED_TRACE("the last column: shortcuts, a repeated or malformed one marked");
    Find("Kilo")->m_strShortcut = "k";
    Find("Mike")->m_strShortcut = "K";
    Find("Alpha")->m_strShortcut = "a b";
    Engines().EngineChanged(Find("Kilo"));
    EXPECT_EQ(m_list->GetItemText(RowOf("Kilo"), EngineRules::COLUMN_SHORTCUT), "k");
    EXPECT_EQ(m_list->GetItemText(RowOf("Mike"), EngineRules::COLUMN_SHORTCUT), "K (not used)");
    EXPECT_EQ(m_list->GetItemText(RowOf("Alpha"), EngineRules::COLUMN_SHORTCUT), "a b (not used)");
}

TEST_F(EnginePanelTest, SelectionDrivesTheButtons)
{
    Select("Mike");
    EXPECT_TRUE(SelectionButtonsEnabled());
    EXPECT_TRUE(ButtonUp()->IsEnabled());
    EXPECT_TRUE(ButtonDown()->IsEnabled());
    EXPECT_EQ(Status(0), "http://127.0.0.1:9/mike?q=*");

    SCOPED_TRACE("deselecting");
    m_list->SetItemState(RowOf("Mike"), 0, wxLIST_STATE_SELECTED);
    EXPECT_TRUE(SelectionButtonsDisabled());

    SCOPED_TRACE("Show all lists every engine and keeps Up and Down disabled");
    ToggleShowAll(true);
    EXPECT_EQ(m_list->GetItemCount(), 5);
    EXPECT_TRUE(SelectionButtonsDisabled());
    Select("Zulu");
    EXPECT_TRUE(SelectionButtonsEnabled());
    EXPECT_FALSE(ButtonUp()->IsEnabled());
    EXPECT_FALSE(ButtonDown()->IsEnabled());
    ToggleShowAll(false);
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike"}));
    EXPECT_TRUE(SelectionButtonsDisabled());
}

TEST_F(EnginePanelTest, HeadingClicksSort)
{
    SCOPED_TRACE("the same heading three times: ascending, descending, ascending");
    ClickHeading(0);
    EXPECT_EQ(Names(), (NameList{"Alpha", "Kilo", "Mike"}));
    ClickHeading(0);
    EXPECT_EQ(Names(), (NameList{"Mike", "Kilo", "Alpha"}));
    ClickHeading(0);
    EXPECT_EQ(Names(), (NameList{"Alpha", "Kilo", "Mike"}));

    SCOPED_TRACE("status: disabled before enabled");
    ClickHeading(3);
    EXPECT_EQ(Names().front(), "Alpha");
    ClickHeading(3);
    EXPECT_EQ(Names().back(), "Alpha");

    SCOPED_TRACE("a selected row stays selected through a sort");
    Select("Mike");
    ClickHeading(4);
    EXPECT_EQ(SelectedName(), "Mike");
    EXPECT_TRUE(SelectionButtonsEnabled());

    SCOPED_TRACE("index, then a click outside any column");
    ClickHeading(5);
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike"}));
    ClickHeading(-1);
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike"}));
    ClickHeading(5);
    EXPECT_EQ(Names(), (NameList{"Mike", "Alpha", "Kilo"}));

    SCOPED_TRACE("health: the share of searches with results; never searched last either way");
    {
        EngineHealth health;
        EngineArray all;
        for (const auto& owned : Engines().m_engines)
            all.push_back(owned.get());
        for (Engine* engine : all)
        {
            if (engine->m_strName == "Kilo" || engine->m_strName == "Alpha")
                health.Record(*engine, PageOutcome::Empty, 0, 1000);
            // Nothing found for odd words, three times: no sign of a dead engine.
            if (engine->m_strName == "Alpha")
                for (int i = 1; i <= 2; ++i)
                    health.Record(*engine, PageOutcome::Empty, 0, 1000 + i);
            if (engine->m_strName == "Kilo")
                health.Record(*engine, PageOutcome::Results, 9, 2000);
        }
        ASSERT_TRUE(health.Save(all));
    }
    CloseFrame();  // the window reads the history as it opens
    OpenFrame();
    ClickHeading(OrvaneFrame::ENGINE_COLUMN_HEALTH);
    EXPECT_EQ(Names(), (NameList{"Alpha", "Kilo", "Mike"}));
    ClickHeading(OrvaneFrame::ENGINE_COLUMN_HEALTH);
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike"}));
    EXPECT_EQ(m_list->GetItemText(RowOf("Alpha"), OrvaneFrame::ENGINE_COLUMN_HEALTH), "0/3");
    EXPECT_EQ(m_list->GetItemBackgroundColour(RowOf("Alpha")), m_list->GetItemBackgroundColour(RowOf("Mike")));

    SCOPED_TRACE("the Health heading explains itself");
    wxWindow* header = EngineListHeader();
    ASSERT_NE(header, nullptr);
    int x = 5;
    for (int column = 0; column < OrvaneFrame::ENGINE_COLUMN_HEALTH; ++column)
        x += m_list->GetColumnWidth(column);
    for (const int at : {x, 5})
    {
        wxMouseEvent motion(wxEVT_MOTION);
        motion.SetPosition(m_list->CalcScrolledPosition(wxPoint(at, 4)));
        motion.SetEventObject(header);
        header->GetEventHandler()->ProcessEvent(motion);
        EXPECT_EQ(header->GetToolTipText().Contains("searches with results"), at == x) << at;
    }
}

TEST_F(EnginePanelTest, AddProposesANewEngine)
{
    {
        SCOPED_TRACE("cancelled: nothing changes");
        wxTEST_DIALOG(Click(ButtonAdd()),
                      ExpectEngineDlg([](EngineDlg& dlg) { dlg.m_pTextName->ChangeValue("X"); },
                                      false));
        EXPECT_EQ(Engines().m_engines.size(), 5u);
        EXPECT_FALSE(Engines().m_bModified);
    }
    SCOPED_TRACE("accepted");
    auto fill = [](EngineDlg& dlg) {
        EXPECT_EQ(dlg.m_pTextName->GetValue(), "untitled");
        EXPECT_EQ(dlg.m_pTextIndex->GetValue(), "6");
        EXPECT_TRUE(dlg.m_pTextUrl->GetValue().StartsWith("https://"));
        EXPECT_TRUE(dlg.m_pTextUrl->GetValue().EndsWith("/search?q=*"));
        dlg.m_pComboLang->SetValue("English");
        dlg.m_pComboCategory->SetValue("Web");
        dlg.m_pTextName->ChangeValue("Bravo");
        dlg.m_pTextUrl->ChangeValue("http://127.0.0.1:9/bravo?q=*");
    };
    wxTEST_DIALOG(Click(ButtonAdd()), ExpectEngineDlg(fill, true));
    Engine* bravo = Find("Bravo");
    ASSERT_NE(bravo, nullptr);
    EXPECT_EQ(bravo->m_nIndex, 6);
    EXPECT_TRUE(Engines().m_bModified);
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike", "Bravo"}));
    EXPECT_EQ(SelectedName(), "Bravo");
    EXPECT_EQ(SelectedEngine(), bravo);
    EXPECT_EQ(Status(0), "http://127.0.0.1:9/bravo?q=*");
    EXPECT_EQ(Status(2), "Engine Count: 5 / 6");
}

TEST_F(EnginePanelTest, AddToAnEmptyCatalogueStartsAtIndexZero)
{
    CloseFrame();
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), "<ENGINES>\n</ENGINES>\n"));
    OpenFrame();
    EXPECT_EQ(m_list->GetItemCount(), 0);
    EXPECT_EQ(Status(2), "Engine Count: 0 / 0");

    wxTEST_DIALOG(Click(ButtonAdd()),
                  ExpectEngineDlg(
                      [](EngineDlg& dlg) {
                          EXPECT_EQ(dlg.m_pComboLang->GetCount(), 0u);
                          EXPECT_EQ(dlg.m_pTextIndex->GetValue(), "0");
                          dlg.m_pTextUrl->ChangeValue("http://127.0.0.1:9/first?q=*");
                      },
                      true));
    ASSERT_EQ(Engines().m_engines.size(), 1u);
    EXPECT_EQ(Engines().m_engines[0]->m_nIndex, 0);
    EXPECT_EQ(LangChoice()->GetStringSelection(), "untitled");
    EXPECT_EQ(Names(), NameList{"untitled"});
    EXPECT_EQ(SelectedName(), "untitled");
    EXPECT_EQ(Status(2), "Engine Count: 1 / 1");
}

TEST_F(EnginePanelTest, EditAndCopy)
{
    Select("Kilo");
    Engine* kilo = SelectedEngine();
    {
        SCOPED_TRACE("edit cancelled after typing");
        wxTEST_DIALOG(Click(ButtonEdit()),
                      ExpectEngineDlg(
                          [](EngineDlg& dlg) { dlg.m_pTextName->ChangeValue("Changed"); },
                          false));
        EXPECT_EQ(kilo->m_strName, "Kilo");
        EXPECT_FALSE(Engines().m_bModified);
    }
    {
        SCOPED_TRACE("edit accepted");
        wxTEST_DIALOG(Click(ButtonEdit()),
                      ExpectEngineDlg(
                          [](EngineDlg& dlg) { dlg.m_pTextName->ChangeValue("Kilo2"); }, true));
        EXPECT_EQ(kilo->m_strName, "Kilo2");
        EXPECT_TRUE(Engines().m_bModified);
        EXPECT_EQ(SelectedName(), "Kilo2");
        EXPECT_EQ(m_list->GetItemCount(), 3);
    }
    Select("Alpha");
    {
        SCOPED_TRACE("copy cancelled");
        wxTEST_DIALOG(Click(ButtonCopy()), ExpectEngineDlg(nullptr, false));
        EXPECT_EQ(Engines().m_engines.size(), 5u);
    }
    {
        SCOPED_TRACE("copy accepted: name with (Copy), fresh index, same flags, no shortcut");
        Find("Alpha")->m_strShortcut = "al";
        wxTEST_DIALOG(Click(ButtonCopy()),
                      ExpectEngineDlg(
                          [](EngineDlg& dlg) {
                              EXPECT_EQ(dlg.m_pTextName->GetValue(), "Alpha(Copy)");
                              EXPECT_EQ(dlg.m_pTextIndex->GetValue(), "6");
                              EXPECT_EQ(dlg.m_pTextShortcut->GetValue(), "");
                          },
                          true));
        Engine* copy = Find("Alpha(Copy)");
        ASSERT_NE(copy, nullptr);
        EXPECT_NE(copy, Find("Alpha"));
        EXPECT_EQ(copy->m_nIndex, 6);
        EXPECT_FALSE(copy->m_bEnable);
        EXPECT_EQ(copy->m_strUrl, "http://127.0.0.1:9/alpha?q=*");
        EXPECT_EQ(copy->m_strShortcut, "");
        EXPECT_EQ(SelectedName(), "Alpha(Copy)");
        EXPECT_EQ(Status(2), "Engine Count: 4 / 6");
    }
}

TEST_F(EnginePanelTest, DeleteAsksFirst)
{
    Select("Mike");
    {
        SCOPED_TRACE("No");
        wxTEST_DIALOG(Click(ButtonDelete()), ExpectDeleteQuestion(wxID_NO));
        EXPECT_NE(Find("Mike"), nullptr);
        EXPECT_FALSE(Engines().m_bModified);
    }
    SCOPED_TRACE("Yes");
    wxTEST_DIALOG(Click(ButtonDelete()), ExpectDeleteQuestion(wxID_YES));
    EXPECT_EQ(Find("Mike"), nullptr);
    EXPECT_TRUE(Engines().m_bModified);
    EXPECT_EQ(SelectedEngine(), nullptr);
    EXPECT_TRUE(SelectionButtonsDisabled());
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha"}));
    EXPECT_EQ(Status(2), "Engine Count: 3 / 4");
    EXPECT_EQ(Notebook()->GetPageCount(), 1u);
}

TEST_F(EnginePanelTest, EnableAndDisable)
{
    ASSERT_EQ(Notebook()->GetPageCount(), 2u);
    Select("Kilo");
    Click(ButtonEnable());

    SCOPED_TRACE("disabled: grey row, image 1, Disable, its page gone");
    long row = RowOf("Kilo");
    EXPECT_FALSE(Find("Kilo")->m_bEnable);
    EXPECT_EQ(m_list->GetItemText(row, 3), "Disable");
    EXPECT_EQ(ImageOf(row), OrvaneFrame::IMAGE_ENGINE_DISABLED);
    EXPECT_EQ(m_list->GetItemTextColour(row), GREY);
    EXPECT_EQ(SelectedName(), "Kilo");
    EXPECT_EQ(Notebook()->GetPageCount(), 1u);
    EXPECT_EQ(Status(2), "Engine Count: 3 / 5");
    EXPECT_TRUE(Engines().m_bModified);

    SCOPED_TRACE("enabled again");
    Click(ButtonEnable());
    EXPECT_EQ(ImageOf(RowOf("Kilo")), OrvaneFrame::IMAGE_ENGINE_ENABLED);
    EXPECT_EQ(Notebook()->GetPageCount(), 2u);
}

TEST_F(EnginePanelTest, UpAndDownFollowTheIndexOrder)
{
    {
        SCOPED_TRACE("up on the first and down on the last change nothing");
        Select("Kilo");
        Click(ButtonUp());
        Select("Mike");
        Click(ButtonDown());
        EXPECT_FALSE(Engines().m_bModified);
        EXPECT_EQ(Find("Kilo")->m_nIndex, 1);
        EXPECT_EQ(Find("Mike")->m_nIndex, 3);
    }
    SCOPED_TRACE("up past a disabled engine swaps the two indexes");
    Click(ButtonUp());
    EXPECT_EQ(Find("Mike")->m_nIndex, 2);
    EXPECT_EQ(Find("Alpha")->m_nIndex, 3);
    EXPECT_EQ(Names(), (NameList{"Kilo", "Mike", "Alpha"}));
    EXPECT_EQ(SelectedName(), "Mike");
    EXPECT_TRUE(Engines().m_bModified);
    Click(ButtonDown());
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Mike"}));
}

TEST_F(EnginePanelTest, ChangesSurviveARestart)
{
    Select("Kilo");
    Click(ButtonEnable());
    Select("Mike");
    wxTEST_DIALOG(Click(ButtonDelete()), ExpectDeleteQuestion(wxID_YES));
    wxTEST_DIALOG(Click(ButtonAdd()),
                  ExpectEngineDlg(
                      [](EngineDlg& dlg) {
                          dlg.m_pComboLang->SetValue("English");
                          dlg.m_pComboCategory->SetValue("Web");
                          dlg.m_pTextName->ChangeValue("Bravo");
                          dlg.m_pTextUrl->ChangeValue("http://127.0.0.1:9/b?x=1&q=*");
                      },
                      true));
    CloseFrame();

    const std::string saved = ReadFileBytes(m_sandbox.File("conf/config.xml"));
    EXPECT_NE(saved.find("<NAME>Bravo</NAME>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("http://127.0.0.1:9/b?x=1&amp;q=*"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("Mike"), std::string::npos) << saved;

    OpenFrame();
    EXPECT_EQ(Names(), (NameList{"Kilo", "Alpha", "Bravo"}));
    EXPECT_FALSE(Find("Kilo")->m_bEnable);
    ASSERT_NE(Find("Bravo"), nullptr);
    EXPECT_EQ(Find("Bravo")->m_strUrl, "http://127.0.0.1:9/b?x=1&q=*");
    EXPECT_EQ(Status(2), "Engine Count: 3 / 5");
}

TEST_F(EnginePanelTest, ButtonsFollowTheHighlightedRowAfterARefill)
{
    // The edited engine stays highlighted through every refill of the list.
    Select("Mike");
    wxTEST_DIALOG(Click(ButtonEdit()), ExpectEngineDlg(nullptr, true));
    ASSERT_EQ(SelectedName(), "Mike");
    for (const bool all : {true, false})
    {
        SCOPED_TRACE(all ? "Show all ticked" : "Show all cleared");
        ToggleShowAll(all);
        EXPECT_EQ(SelectedName(), "Mike");
        EXPECT_TRUE(SelectionButtonsEnabled());
        ASSERT_NE(SelectedEngine(), nullptr);
        EXPECT_EQ(SelectedEngine()->m_strName, "Mike");
    }
    {
        SCOPED_TRACE("a deleted engine leaves nothing to act on");
        wxTEST_DIALOG(Click(ButtonDelete()), ExpectDeleteQuestion(wxID_YES));
        EXPECT_EQ(SelectedName(), "");
        EXPECT_TRUE(SelectionButtonsDisabled());
        EXPECT_EQ(SelectedEngine(), nullptr);
    }
}
