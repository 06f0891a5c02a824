// File -> Import Engines with browser profiles in the home folder: the
// source chooser lists them, and a chosen profile's engines come through the
// same import dialog as files do.
#include "GuiTest.h"
#include "OrvaneFrameAccess.h"
#include "TestEnvironment.h"

#include "BrowserFiles.h"
#include "EngineImportDlg.h"
#include "ImportSourceDlg.h"
#include "store/ConfigStore.h"
#include "store/ProgramFolder.h"

#include <wx/listctrl.h>
#include <wx/radiobut.h>

#include <filesystem>
#include <functional>
#include <type_traits>

namespace
{
template <class Dialog>
class ExpectAnswer : public wxExpectModalBase<Dialog, ExpectAnswer<Dialog>>
{
public:
    ExpectAnswer(std::function<void(Dialog&)> use, int answer, bool* seen)
        : m_use(std::move(use)), m_answer(answer), m_seen(seen)
    {
    }

protected:
    int OnInvoked(Dialog* dlg) const override
    {
        *m_seen = true;
        m_use(*dlg);
        // The import dialog marks the ticked items on OK: press it as a user would.
        if (m_answer != wxID_OK || !std::is_same<Dialog, EngineImportDlg>::value)
            return m_answer;
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        event.SetEventObject(dlg->FindWindow(wxID_OK));
        dlg->ProcessWindowEvent(event);
        return dlg->GetReturnCode() == wxID_OK ? wxID_OK : wxID_CANCEL;
    }

private:
    std::function<void(Dialog&)> m_use;
    int m_answer;
    bool* m_seen;
};

class ImportSourceDlgTest : public OrvaneFrameAccess
{
protected:
    void SetUp() override
    {
        MakeDirs(m_sandbox.File("conf"));
        WriteFileBytes(m_sandbox.File("conf/config.xml"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES><ENGINE><INDEX>1</INDEX>"
                       "<LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Kilo</NAME>"
                       "<URL>http://127.0.0.1:9/kilo?q=*</URL></ENGINE></ENGINES>\n");
        WriteFileBytes(m_sandbox.File("conf/index.htm"), "<html><body>start</body></html>");
        std::error_code ec;
        std::filesystem::create_directory_symlink(std::string(ORVANE_STAGE_DIR) + "/img",
                                                  m_sandbox.File("img"), ec);
        ProgramFolder::OverrideForTesting(m_sandbox.Path());
        ConfigStore::Open();
        m_frame = new OrvaneFrame(nullptr);
        m_frame->Show();
    }

    void TearDown() override
    {
        CloseFrame();
        ConfigStore::Close();
        ProgramFolder::OverrideForTesting(wxString());
    }

    void ChooseImport()
    {
        wxCommandEvent menu(wxEVT_MENU, OrvaneFrame::ID_MENU_IMPORT);
        m_frame->ProcessWindowEvent(menu);
    }

    TestSandbox m_sandbox;
};
} // namespace

TEST_F(ImportSourceDlgTest, AProfileChosenFromTheListIsImportedThroughTheImportDialog)
{
    AddFirefoxProfile(m_sandbox.Path(), "p.default", "default",
                      MozLz4("{\"engines\":[" +
                             FirefoxEngineJson("Fox", "http://127.0.0.1:9/fox", "fx", {{"q", "{searchTerms}"}}) +
                             ",{\"_name\":\"Built\"}]}"));
    AddChromiumProfile(m_sandbox.Path(), ".config/chromium", "Profile 2", "Travel",
                       {{"Kilo again", "k", "http://127.0.0.1:9/kilo?q={searchTerms}", "", "", ""},
                        {"Lima", "l", "http://127.0.0.1:9/lima?q={searchTerms}", "ISO-8859-1", "", ""}});

    bool sourceSeen = false, importSeen = false;
    wxTEST_DIALOG(ChooseImport(),
                  ExpectAnswer<ImportSourceDlg>(
                      [](ImportSourceDlg& dlg) {
                          wxListCtrl* list = dlg.GetList();
                          ASSERT_EQ(2, list->GetItemCount());
                          EXPECT_EQ("Firefox", list->GetItemText(0, ImportSourceDlg::COLUMN_BROWSER));
                          EXPECT_EQ("1", list->GetItemText(0, ImportSourceDlg::COLUMN_ENGINES));
                          EXPECT_EQ("Chromium", list->GetItemText(1, ImportSourceDlg::COLUMN_BROWSER));
                          EXPECT_EQ("Travel", list->GetItemText(1, ImportSourceDlg::COLUMN_PROFILE));
                          EXPECT_EQ("2", list->GetItemText(1, ImportSourceDlg::COLUMN_ENGINES));
                          EXPECT_TRUE(dlg.GetBrowserButton()->GetValue());
                          list->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
                      },
                      wxID_OK, &sourceSeen),
                  ExpectAnswer<EngineImportDlg>(
                      [](EngineImportDlg& dlg) {
                          wxListCtrl* list = dlg.GetList();
                          ASSERT_EQ(2, list->GetItemCount());
                          EXPECT_EQ("Yes", list->GetItemText(0, EngineImportDlg::COLUMN_IN_CATALOGUE));
                          EXPECT_FALSE(dlg.IsTicked(0));
                          EXPECT_EQ("ISO-8859-1", list->GetItemText(1, EngineImportDlg::COLUMN_ENCODING));
                          EXPECT_TRUE(dlg.IsTicked(1));
                      },
                      wxID_OK, &importSeen));
    EXPECT_TRUE(sourceSeen);
    EXPECT_TRUE(importSeen);
    ASSERT_EQ(2u, Engines().m_engines.size());
    EXPECT_EQ("Lima", Engines().m_engines[1]->m_strName);
    EXPECT_EQ("http://127.0.0.1:9/lima?q=*", Engines().m_engines[1]->m_strUrl);
    EXPECT_EQ("l", Engines().m_engines[1]->m_strShortcut);
    EXPECT_EQ("English", Engines().m_engines[1]->m_strLanguage);
}
