// The settings dialog against the single Preference in a sandboxed store,
// and the main window's settings command that refills the keyword box.
#include "GuiTest.h"
#include "frame/OrvaneFrameAccess.h"
#include "TestEnvironment.h"

#include "store/ConfigStore.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"
#include "settings/PrivacyPage.h"
#include "settings/SettingDlg.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/checklst.h>
#include <wx/stattext.h>
#include <wx/combobox.h>
#include <wx/confbase.h>
#include <wx/msgdlg.h>

#include <filesystem>
#include <functional>
#include <vector>

namespace
{
typedef std::vector<wxString> Strings;

Strings ToStrings(const wxArrayString& items) { return Strings(items.begin(), items.end()); }

Strings ListItems(const wxCheckListBox* list)
{
    Strings items;
    for (unsigned int i = 0; i < list->GetCount(); ++i)
        items.push_back(list->GetString(i));
    return items;
}

Strings TickedItems(const wxCheckListBox* list)
{
    Strings items;
    for (unsigned int i = 0; i < list->GetCount(); ++i)
        if (list->IsChecked(i))
            items.push_back(list->GetString(i));
    return items;
}

// Lets the test work the dialog as shown, then answers OK (through the
// dialog's own OK handling) or Cancel.
class ExpectSettingDlg : public wxExpectModalBase<SettingDlg, ExpectSettingDlg>
{
public:
    ExpectSettingDlg(std::function<void(SettingDlg&)> work, bool ok)
        : m_work(std::move(work)), m_ok(ok)
    {
    }

protected:
    int OnInvoked(SettingDlg* dlg) const override
    {
        dlg->InitDialog();
        m_work(*dlg);
        if (!m_ok)
            return wxID_CANCEL;
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        dlg->ProcessWindowEvent(event);
        return dlg->GetReturnCode();
    }

private:
    std::function<void(SettingDlg&)> m_work;
    bool m_ok;
};

class SettingDlgTest : public OrvaneFrameAccess
{
protected:
    void SetUp() override
    {
        ConfigStore::Open();
        Preference::Release();
        m_pref = Preference::Get();
    }

    void TearDown() override
    {
        CloseFrame();
        Preference::Release();
        ConfigStore::Close();
    }

    void SetAllFlags(int value)
    {
        m_pref->m_nPreserveFrameSizePos = value;
        m_pref->m_nPreserveLangCategory = value;
        m_pref->m_nEnableSuggestion = value;
        m_pref->m_nPreserveKeyword = value;
        m_pref->m_nHideCaption = value;
        m_pref->m_nHideMenuBar = value;
        m_pref->m_nHideStatusBar = value;
    }

    static void PressOK(SettingDlg& dlg)
    {
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        dlg.ProcessWindowEvent(event);
        EXPECT_EQ(dlg.GetReturnCode(), wxID_OK);
    }

    static void Click(wxWindow* control, wxEventType type, bool ticked = false)
    {
        wxCommandEvent event(type, control->GetId());
        event.SetInt(ticked);
        event.SetEventObject(control);
        control->ProcessWindowEvent(event);
    }

    TestSandbox m_sandbox;
    Preference* m_pref = nullptr;
};
} // namespace

TEST_F(SettingDlgTest, OkRewritesEveryFlagAsZeroOrOne)
{
    {
        SCOPED_TRACE("a stored 2: off for the four equal-to-1 boxes, on for the hide boxes");
        SetAllFlags(2);
        m_pref->m_arrKeywords = wxArrayString();
        m_pref->m_arrKeywords.Add("kept?");
        SettingDlg dlg(TestParentFrame());
        dlg.InitDialog();
        PressOK(dlg);
        EXPECT_EQ(m_pref->m_nPreserveFrameSizePos, 0);
        EXPECT_EQ(m_pref->m_nPreserveLangCategory, 0);
        EXPECT_EQ(m_pref->m_nEnableSuggestion, 0);
        EXPECT_EQ(m_pref->m_nPreserveKeyword, 0);
        EXPECT_EQ(m_pref->m_nHideCaption, 1);
        EXPECT_EQ(m_pref->m_nHideMenuBar, 1);
        EXPECT_EQ(m_pref->m_nHideStatusBar, 1);
        EXPECT_TRUE(m_pref->m_arrKeywords.empty()) << "history off empties the history";
    }
    {
        SCOPED_TRACE("a mix of 0 and 1 comes back unchanged, history in order");
        m_pref->m_nPreserveFrameSizePos = 1;
        m_pref->m_nPreserveLangCategory = 0;
        m_pref->m_nEnableSuggestion = 1;
        m_pref->m_nPreserveKeyword = 1;
        m_pref->m_nHideCaption = 0;
        m_pref->m_nHideMenuBar = 1;
        m_pref->m_nHideStatusBar = 0;
        const char* history[] = {"zeta", "alpha", "mu"};
        m_pref->m_arrKeywords = wxArrayString(3, history);
        SettingDlg dlg(TestParentFrame());
        dlg.InitDialog();
        EXPECT_TRUE(TickedItems(dlg.m_pKeywordList).empty());
        PressOK(dlg);
        EXPECT_EQ(m_pref->m_nPreserveFrameSizePos, 1);
        EXPECT_EQ(m_pref->m_nPreserveLangCategory, 0);
        EXPECT_EQ(m_pref->m_nEnableSuggestion, 1);
        EXPECT_EQ(m_pref->m_nPreserveKeyword, 1);
        EXPECT_EQ(m_pref->m_nHideCaption, 0);
        EXPECT_EQ(m_pref->m_nHideMenuBar, 1);
        EXPECT_EQ(m_pref->m_nHideStatusBar, 0);
        EXPECT_EQ(ToStrings(m_pref->m_arrKeywords), (Strings{"zeta", "alpha", "mu"}));
    }
    {
        SCOPED_TRACE("every box flipped by the user");
        SettingDlg dlg(TestParentFrame());
        dlg.InitDialog();
        for (wxCheckBox* box : {dlg.m_pCheckSizePos, dlg.m_pCheckLangCategory,
                                dlg.m_pCheckSuggestion, dlg.m_pCheckHideCaption,
                                dlg.m_pCheckHideMenu, dlg.m_pCheckHideStatusBar})
            box->SetValue(!box->GetValue());
        PressOK(dlg);
        EXPECT_EQ(m_pref->m_nPreserveFrameSizePos, 0);
        EXPECT_EQ(m_pref->m_nPreserveLangCategory, 1);
        EXPECT_EQ(m_pref->m_nEnableSuggestion, 0);
        EXPECT_EQ(m_pref->m_nHideCaption, 1);
        EXPECT_EQ(m_pref->m_nHideMenuBar, 0);
        EXPECT_EQ(m_pref->m_nHideStatusBar, 1);
    }
}

TEST_F(SettingDlgTest, DeleteRemovesExactlyTheTickedItems)
{
    const char* history[] = {"alpha", "beta", "gamma", "delta", "beta"};
    m_pref->m_arrKeywords = wxArrayString(5, history);
    SettingDlg dlg(TestParentFrame());
    dlg.InitDialog();
    wxCheckListBox* list = dlg.m_pKeywordList;
    ASSERT_EQ(ListItems(list), (Strings{"alpha", "beta", "gamma", "delta", "beta"}));
    {
        SCOPED_TRACE("No keeps the list and its ticks");
        list->Check(0);
        wxTEST_DIALOG(Click(dlg.m_pButtonDelete, wxEVT_BUTTON), ExpectDeleteQuestion(wxID_NO));
        EXPECT_EQ(list->GetCount(), 5u);
        EXPECT_EQ(TickedItems(list), (Strings{"alpha"}));
        list->Check(0, false);
    }
    {
        SCOPED_TRACE("Yes removes the two ticked ones, a duplicate that is unticked stays");
        list->Check(1);
        list->Check(3);
        wxTEST_DIALOG(Click(dlg.m_pButtonDelete, wxEVT_BUTTON), ExpectDeleteQuestion(wxID_YES));
        EXPECT_EQ(ListItems(list), (Strings{"alpha", "gamma", "beta"}));
        EXPECT_TRUE(TickedItems(list).empty());
    }
    SCOPED_TRACE("the history itself changes only on OK");
    EXPECT_EQ(ToStrings(m_pref->m_arrKeywords),
              (Strings{"alpha", "beta", "gamma", "delta", "beta"}));
    PressOK(dlg);
    EXPECT_EQ(ToStrings(m_pref->m_arrKeywords), (Strings{"alpha", "gamma", "beta"}));
}

TEST_F(SettingDlgTest, SelectAllOnlyTicksAndDeleteAsksEvenWhenEmpty)
{
    const char* history[] = {"one", "two", "three"};
    m_pref->m_arrKeywords = wxArrayString(3, history);
    SettingDlg dlg(TestParentFrame());
    dlg.InitDialog();
    {
        SCOPED_TRACE("ticking and then unticking Select All leaves every item ticked");
        dlg.m_pCheckSelectAll->SetValue(true);
        Click(dlg.m_pCheckSelectAll, wxEVT_CHECKBOX, true);
        dlg.m_pKeywordList->Check(1, false);
        dlg.m_pCheckSelectAll->SetValue(false);
        Click(dlg.m_pCheckSelectAll, wxEVT_CHECKBOX, false);
        EXPECT_EQ(TickedItems(dlg.m_pKeywordList), (Strings{"one", "two", "three"}));
    }
    {
        SCOPED_TRACE("all deleted, then Delete on the empty list still asks");
        wxTEST_DIALOG(Click(dlg.m_pButtonDelete, wxEVT_BUTTON), ExpectDeleteQuestion(wxID_YES));
        EXPECT_EQ(dlg.m_pKeywordList->GetCount(), 0u);
        wxTEST_DIALOG(Click(dlg.m_pButtonDelete, wxEVT_BUTTON), ExpectDeleteQuestion(wxID_YES));
        EXPECT_EQ(dlg.m_pKeywordList->GetCount(), 0u);
    }
}

// The main window's settings command: after OK the keyword box is refilled
// from the history and the preferences are saved; Cancel changes nothing.
TEST_F(SettingDlgTest, SettingsCommandRefillsTheKeywordBoxAndSaves)
{
    MakeDirs(m_sandbox.File("conf"));
    WriteFileBytes(m_sandbox.File("conf/config.xml"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n"
                   "  <ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
                   "<NAME>Kilo</NAME><URL>http://127.0.0.1:9/kilo?q=*</URL>"
                   "<ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>\n</ENGINES>\n");
    WriteFileBytes(m_sandbox.File("conf/index.htm"), "<html><body>start</body></html>");
    std::error_code ec;  // the frame loads its pictures from the working folder
    std::filesystem::create_directory_symlink(std::string(ORVANE_STAGE_DIR) + "/img",
                                              m_sandbox.File("img"), ec);
    ProgramFolder::OverrideForTesting(m_sandbox.Path());
    const char* history[] = {"red", "green", "blue"};
    m_pref->m_arrKeywords = wxArrayString(3, history);

    m_frame = new OrvaneFrame(nullptr);
    m_frame->Show();
    wxComboBox* box = KeywordBox();
    ASSERT_EQ(ToStrings(box->GetStrings()), (Strings{"red", "green", "blue"}));
    auto sendSetting = [&] {
        wxCommandEvent event(wxEVT_MENU, OrvaneFrame::ID_MENU_SETTING);
        m_frame->ProcessWindowEvent(event);
    };
    {
        SCOPED_TRACE("Cancel after a delete leaves box and history alone");
        wxTEST_DIALOG(sendSetting(), ExpectSettingDlg(
                                         [](SettingDlg& dlg) {
                                             dlg.m_pKeywordList->Check(0);
                                             wxTEST_DIALOG(Click(dlg.m_pButtonDelete, wxEVT_BUTTON),
                                                           ExpectDeleteQuestion(wxID_YES));
                                         },
                                         false));
        EXPECT_EQ(ToStrings(box->GetStrings()), (Strings{"red", "green", "blue"}));
        EXPECT_EQ(ToStrings(Preference::Get()->m_arrKeywords), (Strings{"red", "green", "blue"}));
    }
    {
        SCOPED_TRACE("OK after deleting green: box refilled, typed text kept, store saved");
        box->ChangeValue("typed");
        wxTEST_DIALOG(sendSetting(), ExpectSettingDlg(
                                         [](SettingDlg& dlg) {
                                             dlg.m_pKeywordList->Check(1);
                                             wxTEST_DIALOG(Click(dlg.m_pButtonDelete, wxEVT_BUTTON),
                                                           ExpectDeleteQuestion(wxID_YES));
                                             dlg.m_pCheckHideMenu->SetValue(false);
                                         },
                                         true));
        EXPECT_EQ(ToStrings(box->GetStrings()), (Strings{"red", "blue"}));
        EXPECT_EQ(box->GetValue(), "typed");
        wxConfigBase* store = ConfigStore::Get();
        store->SetPath("/");
        EXPECT_EQ(store->ReadLong("m_nHideMenuBar", -1), 0);
        EXPECT_EQ(store->ReadLong("m_nKeywordNum", -1), 2);
        EXPECT_EQ(store->Read("keyword/1", ""), "blue");
    }

    CloseFrame();
    ProgramFolder::OverrideForTesting(wxString());
}

TEST_F(SettingDlgTest, PrivacyPageKeepsTheCookieChoiceAndClearsAtOnce)
{
    m_pref->m_nKeepCookies = 1;
    SettingDlg dlg(TestParentFrame());
    dlg.InitDialog();
    PrivacyPage* page = dlg.m_pPrivacyPage;
    EXPECT_TRUE(page->m_pCheckKeepCookies->GetValue());
    {
        SCOPED_TRACE("Clear Browsing Data asks, then clears without waiting for OK");
        wxTEST_DIALOG(Click(page->m_pButtonClear, wxEVT_BUTTON), wxExpectModal<wxMessageDialog>(wxID_YES));
        EXPECT_TRUE(WaitUntil([&] { return page->m_pClearResult->GetLabel() == "Browsing data cleared."; }))
            << page->m_pClearResult->GetLabel();
        EXPECT_TRUE(page->m_pButtonClear->IsEnabled());
    }
    page->m_pCheckKeepCookies->SetValue(false);
    PressOK(dlg);
    EXPECT_EQ(m_pref->m_nKeepCookies, 0);
}
