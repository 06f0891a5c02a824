// File -> Import Engines in the real main window: the file chooser answered
// with description files, the import dialog checked and answered as a user
// would, and the engines that arrive in the catalogue and the list.
#include "GuiTest.h"
#include "frame/OrvaneFrameAccess.h"
#include "TestEnvironment.h"

#include "store/ConfigStore.h"
#include "engines/EngineExportDlg.h"
#include "engines/EngineImportDlg.h"
#include "engines/ImportSourceDlg.h"
#include "BrowserFiles.h"
#include "store/ProgramFolder.h"
#include "TestHttpServer.h"

#include <wx/combobox.h>
#include <wx/confbase.h>
#include <wx/radiobox.h>
#include <wx/radiobut.h>
#include <wx/statusbr.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/webview.h>

#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <filesystem>
#include <functional>
#include <mutex>

namespace
{
const char* const CATALOGUE =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n"
    "<ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
    "<NAME>Kilo</NAME><URL>http://127.0.0.1:9/kilo?q=*</URL></ENGINE>\n"
    "</ENGINES>\n";

std::string Description(const std::string& name, const std::string& url,
                        const std::string& method = "get")
{
    return "<OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\"><ShortName>" + name +
           "</ShortName><InputEncoding>EUC-JP</InputEncoding><Url type=\"text/html\" method=\"" +
           method + "\" template=\"" + url + "\"/></OpenSearchDescription>";
}

// Answers the import dialog: lets the test look and change, then OK or Cancel.
class ExpectImportDlg : public wxExpectModalBase<EngineImportDlg, ExpectImportDlg>
{
public:
    ExpectImportDlg(std::function<void(EngineImportDlg&)> use, int answer)
        : m_use(std::move(use)), m_answer(answer)
    {
    }

protected:
    int OnInvoked(EngineImportDlg* dlg) const override
    {
        m_use(*dlg);
        if (m_answer != wxID_OK)
            return m_answer;
        wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
        event.SetEventObject(dlg->FindWindow(wxID_OK));
        dlg->ProcessWindowEvent(event);
        return dlg->GetReturnCode() == wxID_OK ? wxID_OK : wxID_CANCEL;
    }

private:
    std::function<void(EngineImportDlg&)> m_use;
    int m_answer;
};

// The browser-or-files question, answered after `use` has looked at it.
class ExpectSource : public wxExpectModalBase<ImportSourceDlg, ExpectSource>
{
public:
    ExpectSource(std::function<void(ImportSourceDlg&)> use, int answer) : m_use(std::move(use)), m_answer(answer) {}

protected:
    int OnInvoked(ImportSourceDlg* dlg) const override
    {
        m_use(*dlg);
        return m_answer;
    }

private:
    std::function<void(ImportSourceDlg&)> m_use;
    int m_answer;
};

class ExpectConfirm : public wxExpectModalBase<wxMessageDialog, ExpectConfirm>
{
public:
    explicit ExpectConfirm(const wxString& message) : m_message(message) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_EQ(m_message, dlg->GetMessage());
        EXPECT_EQ("Confirm", dlg->GetCaption());
        return wxID_OK;
    }

private:
    wxString m_message;
};

class ExpectError : public wxExpectModalBase<wxMessageDialog, ExpectError>
{
public:
    ExpectError(const wxString& message, bool* seen) : m_message(message), m_seen(seen) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_EQ(m_message, dlg->GetMessage());
        *m_seen = true;
        return wxID_OK;
    }

private:
    wxString m_message;
    bool* m_seen;
};

class EngineImportDlgTest : public OrvaneFrameAccess
{
protected:
    void SetUp() override { Open(CATALOGUE); }

    // A page still loading counts as a search, which adding waits for.
    bool WaitStartPageLoaded()
    {
        return WaitUntil([&] { return Searching() == 0 && SearchPending() == 0 && !Pages().IsAnyBusy(); }, 20000);
    }

    void Open(const std::string& catalogue)
    {
        MakeDirs(m_sandbox.File("conf"));
        ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), catalogue));
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

    // The file chooser's answer, then the import dialog.
    void ImportFile(const std::string& path, const ExpectImportDlg& answer)
    {
        wxArrayString paths;
        paths.push_back(wxString::FromUTF8(path));
        wxTEST_DIALOG(ImportFiles(paths), answer);
    }

    TestSandbox m_sandbox;
};
} // namespace

TEST_F(EngineImportDlgTest, ShowsWhatWasFoundAndAddsTheTickedEngines)
{
    // A backup holding one engine the catalogue has, one new, and one it cannot take.
    WriteFileBytes(m_sandbox.File("backup.xml"),
                   "<ENGINES><ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
                   "<NAME>Kilo</NAME><URL>http://127.0.0.1:9/kilo?q=*</URL></ENGINE>"
                   "<ENGINE><INDEX>8</INDEX><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Netz</CATEGORY>"
                   "<NAME>Lima</NAME><URL>http://127.0.0.1:9/lima?q=*</URL></ENGINE>"
                   "<ENGINE><NAME>Mute</NAME><URL>http://127.0.0.1:9/mute</URL></ENGINE></ENGINES>");
    ImportFile(m_sandbox.File("backup.xml"), ExpectImportDlg(
        [](EngineImportDlg& dlg) {
            wxListCtrl* list = dlg.GetList();
            ASSERT_EQ(3, list->GetItemCount());
            EXPECT_EQ("English", dlg.GetLanguage());
            EXPECT_EQ("Web", dlg.GetCategory());
            {
                SCOPED_TRACE("already in the catalogue: shown, not ticked");
                EXPECT_EQ("Yes", list->GetItemText(0, EngineImportDlg::COLUMN_IN_CATALOGUE));
                EXPECT_FALSE(dlg.IsTicked(0));
            }
            {
                SCOPED_TRACE("new: ticked, with its own group");
                EXPECT_EQ("Lima", list->GetItemText(1, EngineImportDlg::COLUMN_NAME));
                EXPECT_TRUE(dlg.IsTicked(1));
                EXPECT_EQ("Deutsch / Netz", list->GetItemText(1, EngineImportDlg::COLUMN_NOTE));
            }
            {
                SCOPED_TRACE("cannot be added: the reason, and the box stays empty");
                EXPECT_EQ("The search address of \"Mute\" has no '*' where the keyword goes.",
                          list->GetItemText(2, EngineImportDlg::COLUMN_NOTE));
                dlg.SetTicked(2, true);
                EXPECT_FALSE(dlg.IsTicked(2));
            }
            // The user adds the duplicate after all.
            dlg.SetTicked(0, true);
        },
        wxID_OK));
    ASSERT_EQ(3u, Engines().m_engines.size());
    EXPECT_EQ("Kilo", Engines().m_engines[1]->m_strName);
    EXPECT_EQ("Lima", Engines().m_engines[2]->m_strName);
    EXPECT_EQ("Deutsch", Engines().m_engines[2]->m_strLanguage);
    EXPECT_EQ(8, Engines().m_engines[2]->m_nIndex);
    EXPECT_NE(1, Engines().m_engines[1]->m_nIndex);
}

TEST_F(EngineImportDlgTest, DescriptionsGoUnderTheChosenGroupAndCancelChangesNothing)
{
    WriteFileBytes(m_sandbox.File("d.xml"), Description("Echo", "http://127.0.0.1:9/e?q={searchTerms}"));
    ImportFile(m_sandbox.File("d.xml"), ExpectImportDlg([](EngineImportDlg&) {}, wxID_CANCEL));
    EXPECT_EQ(1u, Engines().m_engines.size());

    ImportFile(m_sandbox.File("d.xml"), ExpectImportDlg(
        [](EngineImportDlg& dlg) {
            EXPECT_EQ("EUC-JP", dlg.GetList()->GetItemText(0, EngineImportDlg::COLUMN_ENCODING));
            dlg.GetCategoryBox()->SetValue("  ");
            wxCommandEvent event(wxEVT_BUTTON, wxID_OK);
            {
                SCOPED_TRACE("a description needs a category");
                wxTEST_DIALOG(dlg.ProcessWindowEvent(event), ExpectConfirm("Please input category!"));
                EXPECT_NE(wxID_OK, dlg.GetReturnCode());
            }
            dlg.GetLanguageBox()->SetValue("Japanese");
            dlg.GetCategoryBox()->SetValue("News");
        },
        wxID_OK));
    ASSERT_EQ(2u, Engines().m_engines.size());
    const Engine& echo = *Engines().m_engines[1];
    EXPECT_EQ("http://127.0.0.1:9/e?q=*", echo.m_strUrl);
    EXPECT_EQ("Japanese", echo.m_strLanguage);
    EXPECT_EQ("News", echo.m_strCategory);
    EXPECT_EQ(2, echo.m_nIndex);
}

TEST_F(EngineImportDlgTest, SeveralFilesBoxesOnlyWhereAddableAndTheGroupDecidesDuplicates)
{
    WriteFileBytes(m_sandbox.File("backup.xml"),
                   "<ENGINES><ENGINE><INDEX>8</INDEX><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Netz</CATEGORY>"
                   "<NAME>Lima</NAME><URL>http://127.0.0.1:9/lima?q=*</URL></ENGINE>"
                   "<ENGINE><NAME>Mute</NAME><URL>http://127.0.0.1:9/mute</URL></ENGINE></ENGINES>");
    // Kilo's address: a duplicate under English / Web only.
    WriteFileBytes(m_sandbox.File("k.xml"), Description("Again", "http://127.0.0.1:9/kilo?q={searchTerms}"));
    wxArrayString paths;
    paths.push_back(wxString::FromUTF8(m_sandbox.File("backup.xml")));
    paths.push_back(wxString::FromUTF8(m_sandbox.File("k.xml")));
    auto image = [](wxListCtrl* list, long row) {
        wxListItem item;
        item.SetId(row);
        item.SetMask(wxLIST_MASK_IMAGE);
        list->GetItem(item);
        return item.GetImage();
    };
    wxTEST_DIALOG(ImportFiles(paths), ExpectImportDlg(
        [&](EngineImportDlg& dlg) {
            wxListCtrl* list = dlg.GetList();
            ASSERT_EQ(3, list->GetItemCount());
            {
                SCOPED_TRACE("rows from several files name their file");
                ASSERT_EQ(6, list->GetColumnCount());
                EXPECT_EQ("backup.xml", list->GetItemText(0, EngineImportDlg::COLUMN_FILE));
                EXPECT_EQ("k.xml", list->GetItemText(2, EngineImportDlg::COLUMN_FILE));
            }
            {
                SCOPED_TRACE("a row that cannot be added has no box; its note shows whole under the list");
                EXPECT_EQ(EngineImportDlg::IMAGE_TICKED, image(list, 0));
                EXPECT_EQ(EngineImportDlg::IMAGE_NO_BOX, image(list, 1));
                EXPECT_EQ(EngineImportDlg::IMAGE_UNTICKED, image(list, 2));
                EXPECT_FALSE(dlg.GetNoteText()->IsShown());
                list->SetItemState(1, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
                EXPECT_TRUE(dlg.GetNoteText()->IsShown());
                EXPECT_EQ(list->GetItemText(1, EngineImportDlg::COLUMN_NOTE), dlg.GetNoteText()->GetLabelText());
            }
            {
                SCOPED_TRACE("Select All ticks what can be added, Select None nothing");
                auto press = [&](long id) {
                    wxCommandEvent event(wxEVT_BUTTON, id);
                    event.SetEventObject(dlg.FindWindow(id));
                    dlg.FindWindow(id)->ProcessWindowEvent(event);
                };
                press(EngineImportDlg::ID_BUTTON_SELECT_ALL);
                EXPECT_TRUE(dlg.IsTicked(0) && dlg.IsTicked(2));
                EXPECT_FALSE(dlg.IsTicked(1));
                EXPECT_EQ(EngineImportDlg::IMAGE_NO_BOX, image(list, 1));
                press(EngineImportDlg::ID_BUTTON_SELECT_NONE);
                EXPECT_FALSE(dlg.IsTicked(0) || dlg.IsTicked(1) || dlg.IsTicked(2));
                EXPECT_EQ(EngineImportDlg::IMAGE_UNTICKED, image(list, 0));
            }
            {
                SCOPED_TRACE("the same address in another group is no duplicate");
                EXPECT_EQ("Yes", list->GetItemText(2, EngineImportDlg::COLUMN_IN_CATALOGUE));
                dlg.GetCategoryBox()->SetValue("Images");
                EXPECT_EQ("", list->GetItemText(2, EngineImportDlg::COLUMN_IN_CATALOGUE));
                EXPECT_TRUE(dlg.IsTicked(2));
            }
        },
        wxID_OK));
    ASSERT_EQ(2u, Engines().m_engines.size());
    EXPECT_EQ("Again", Engines().m_engines[1]->m_strName);
    EXPECT_EQ("Images", Engines().m_engines[1]->m_strCategory);
}

TEST_F(EngineImportDlgTest, ExportNamesTheSelectedEngineAndChoosersRememberTheFolder)
{
    {
        EngineExportDlg named(m_frame, "Kilo");
        EXPECT_EQ("The selected engine: Kilo", named.GetWhichBox()->GetString(0));
        EXPECT_TRUE(named.GetWhichBox()->IsItemEnabled(0));
        EngineExportDlg none(m_frame, wxString());
        EXPECT_FALSE(none.GetWhichBox()->IsItemEnabled(0));
        EXPECT_EQ(1, none.GetWhichBox()->GetSelection());
    }
    {
        SCOPED_TRACE("the home folder first, then the last one used while it exists");
        EXPECT_EQ(wxGetHomeDir(), ChooserFolder());
        MakeDirs(m_sandbox.File("kept"));
        KeepChooserFolder(wxString::FromUTF8(m_sandbox.File("kept")));
        EXPECT_EQ(wxString::FromUTF8(m_sandbox.File("kept")), ChooserFolder());
        EXPECT_EQ(wxString::FromUTF8(m_sandbox.File("kept")), ConfigStore::Get()->Read("/last_folder", ""));
        std::filesystem::remove(m_sandbox.File("kept"));
        EXPECT_EQ(wxGetHomeDir(), ChooserFolder());
    }
}

TEST_F(EngineImportDlgTest, ImportIsOffWhileASearchRuns)
{
    wxMenuBar* bar = m_frame->GetMenuBar();
    EXPECT_TRUE(bar->IsEnabled(OrvaneFrame::ID_MENU_IMPORT));
    // The start page offers no engine.
    EXPECT_FALSE(bar->IsEnabled(OrvaneFrame::ID_MENU_ADD_THIS_ENGINE));
    m_frame->SearchFor("word");
    ASSERT_TRUE(Searching());
    EXPECT_FALSE(bar->IsEnabled(OrvaneFrame::ID_MENU_IMPORT));
    EXPECT_FALSE(bar->IsEnabled(OrvaneFrame::ID_MENU_ADD_THIS_ENGINE));
    EXPECT_TRUE(bar->IsEnabled(OrvaneFrame::ID_MENU_EXPORT));
    EXPECT_TRUE(WaitUntil([&] { return !Searching(); }, 30000));
    EXPECT_TRUE(bar->IsEnabled(OrvaneFrame::ID_MENU_IMPORT));
}

TEST_F(EngineImportDlgTest, AddThisEngineFetchesTheDescriptionAPageAdvertises)
{
    TestHttpServer server([](const HttpRequest& request) {
        HttpResponse response;
        if (request.target.rfind("/search", 0) == 0)
            response.body = "<html><head><title>r</title><link rel=\"Search Alternate\" "
                            "type=\"application/opensearchdescription+xml\" href=\"/os/d.xml\">"
                            "</head><body>results</body></html>";
        else if (request.target == "/os/d.xml")
        {
            response.contentType = "application/opensearchdescription+xml";
            response.body = Description("Loop", "../find?q={searchTerms}&amp;c={count}");
        }
        else
            response.status = 401;
        return response;
    });
    CloseFrame();
    ConfigStore::Close();
    Open("<ENGINES><ENGINE><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Site</NAME>"
         "<URL>" + server.Url("/search?q=*") + "</URL></ENGINE></ENGINES>");
    m_frame->SearchFor("word");
    // The search state may end on a moment between two loads; the result
    // page itself must be there before its markup is read.
    ASSERT_TRUE(WaitUntil(
        [&] {
            wxWebView* view = Pages().GetPage(0)->GetWebView();
            return !Searching() && view && !view->IsBusy() &&
                   view->GetCurrentURL().StartsWith(server.Url("/search"));
        },
        30000));
    {
        SCOPED_TRACE("Add This Engine is enabled for the page that offers one, and the status bar says so");
        wxMenuBar* bar = m_frame->GetMenuBar();
        EXPECT_TRUE(WaitUntil([&] { return bar->IsEnabled(OrvaneFrame::ID_MENU_ADD_THIS_ENGINE); }, 5000));
        EXPECT_EQ("This page offers a search engine: r", m_frame->GetStatusBar()->GetStatusText(0));
        auto menu = TabMenuFor(Pages().GetPage(0));
        EXPECT_TRUE(menu->IsEnabled(OrvaneFrame::ID_MENU_ADD_THIS_ENGINE));
        // Once per page: another tick says nothing more.
        m_frame->SetStatusText("", 0);
        EXPECT_FALSE(WaitUntil([&] { return !m_frame->GetStatusBar()->GetStatusText(0).empty(); }, 600));
    }

    bool shown = false;
    wxCommandEvent add(wxEVT_MENU, OrvaneFrame::ID_MENU_ADD_THIS_ENGINE);
    wxTEST_DIALOG(
        {
            m_frame->ProcessWindowEvent(add);
            EXPECT_TRUE(WaitUntil([&] { return shown; }, 20000));
        },
        ExpectImportDlg(
            [&](EngineImportDlg& dlg) {
                shown = true;
                ASSERT_EQ(1, dlg.GetList()->GetItemCount());
                EXPECT_TRUE(dlg.IsTicked(0));
            },
            wxID_OK));
    ASSERT_EQ(2u, Engines().m_engines.size());
    EXPECT_EQ("Loop", Engines().m_engines[1]->m_strName);
    EXPECT_EQ(server.Url("/find?q=*&c=20"), Engines().m_engines[1]->m_strUrl.ToStdString());

    SCOPED_TRACE("a description behind a password is refused with a message");
    bool refused = false;
    wxTEST_DIALOG(
        {
            FetchForTest(wxString(server.Url("/locked.xml")));
            EXPECT_TRUE(WaitUntil([&] { return refused; }, 20000));
        },
        ExpectError("The description needs authentication, which Orvane does not give.", &refused));
    EXPECT_EQ(2u, Engines().m_engines.size());
}

// With browser profiles in the home folder, File > Import Engines offers them
// first; a chosen profile comes through the same import dialog as files. The
// profiles are read on a worker: the menu command returns at once and the
// status bar says what is going on.
TEST_F(EngineImportDlgTest, AProfileChosenFromTheListIsImportedThroughTheImportDialog)
{
    AddFirefoxProfile(m_sandbox.Path(), "p.default", "default",
                      MozLz4("{\"engines\":[" +
                             FirefoxEngineJson("Fox", "http://127.0.0.1:9/fox", "fx", {{"q", "{searchTerms}"}}) +
                             ",{\"_name\":\"Built\"}]}"));
    AddChromiumProfile(m_sandbox.Path(), ".config/chromium", "Profile 2", "Travel",
                       {{"Kilo again", "k", "http://127.0.0.1:9/kilo?q={searchTerms}", "", "", ""},
                        {"Lima", "l", "http://127.0.0.1:9/lima?q={searchTerms}", "ISO-8859-1", "", ""}});
    ASSERT_TRUE(WaitStartPageLoaded());

    wxCommandEvent menu(wxEVT_MENU, OrvaneFrame::ID_MENU_IMPORT);
    wxTEST_DIALOG(
                  {
                      m_frame->ProcessWindowEvent(menu);
                      EXPECT_EQ("Reading the browsers' profiles...", StatusBar()->GetStatusText(0));
                      ASSERT_TRUE(WaitUntil([&] { return Engines().m_engines.size() == 2; }, 20000));
                  },
                  ExpectSource(
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
                      wxID_OK),
                  ExpectImportDlg(
                      [](EngineImportDlg& dlg) {
                          wxListCtrl* list = dlg.GetList();
                          ASSERT_EQ(2, list->GetItemCount());
                          EXPECT_EQ("Yes", list->GetItemText(0, EngineImportDlg::COLUMN_IN_CATALOGUE));
                          EXPECT_FALSE(dlg.IsTicked(0));
                          EXPECT_EQ("ISO-8859-1", list->GetItemText(1, EngineImportDlg::COLUMN_ENCODING));
                          EXPECT_TRUE(dlg.IsTicked(1));
                      },
                      wxID_OK));
    ASSERT_EQ(2u, Engines().m_engines.size());
    EXPECT_EQ("Lima", Engines().m_engines[1]->m_strName);
    EXPECT_EQ("http://127.0.0.1:9/lima?q=*", Engines().m_engines[1]->m_strUrl);
    EXPECT_EQ("l", Engines().m_engines[1]->m_strShortcut);
    EXPECT_EQ("English", Engines().m_engines[1]->m_strLanguage);
}

// Opening a browser's "Web Data" waits while shut, at most 5 s: a slow disk.
struct SlowWebDataOpen
{
    static inline std::mutex mutex;
    static inline std::condition_variable changed;
    static inline bool shut = false, timedOut = false;
    static inline sqlite3_vfs* real = nullptr;
    static inline sqlite3_vfs gated{};

    SlowWebDataOpen()
    {
        real = sqlite3_vfs_find(nullptr);
        gated = *real;
        gated.zName = "orvane-test-gated";
        gated.xOpen = [](sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
            std::unique_lock<std::mutex> lock(mutex);
            if (name && std::strstr(name, "Web Data") &&
                !changed.wait_for(lock, std::chrono::seconds(5), [] { return !shut; }))
                timedOut = true;
            lock.unlock();
            return real->xOpen(real, name, file, flags, outFlags);
        };
        timedOut = false;
        sqlite3_vfs_register(&gated, 1);
    }
    ~SlowWebDataOpen()
    {
        Shut(false);
        sqlite3_vfs_register(real, 1);
        sqlite3_vfs_unregister(&gated);
    }
    static void Shut(bool value)
    {
        std::lock_guard<std::mutex> lock(mutex);
        shut = value;
        changed.notify_all();
    }
};

// The chosen profile's engines are read on a worker as well: while its file
// is slow to open the window handles events and says what it is reading;
// the engines come afterwards.
TEST_F(EngineImportDlgTest, TheWindowHandlesEventsWhileAChosenProfileIsRead)
{
    AddChromiumProfile(m_sandbox.Path(), ".config/chromium", "Default", "Slow",
                       {{"Mike", "m", "http://127.0.0.1:9/mike?q={searchTerms}", "", "", ""}});
    ASSERT_TRUE(WaitStartPageLoaded());
    SlowWebDataOpen slow;
    const size_t before = Engines().m_engines.size();
    wxString statusWhileReading = wxS("(no event handled)");
    wxCommandEvent menu(wxEVT_MENU, OrvaneFrame::ID_MENU_IMPORT);
    wxTEST_DIALOG(
        {
            m_frame->ProcessWindowEvent(menu);
            ASSERT_TRUE(WaitUntil([&] { return Engines().m_engines.size() == before + 1; }, 20000));
        },
        ExpectSource(
            [&](ImportSourceDlg& dlg) {
                dlg.GetList()->SetItemState(0, wxLIST_STATE_SELECTED, wxLIST_STATE_SELECTED);
                slow.Shut(true);
                // Handled only while the window runs its events during the read.
                m_frame->CallAfter([&] {
                    statusWhileReading = StatusBar()->GetStatusText(0);
                    slow.Shut(false);
                });
            },
            wxID_OK),
        ExpectImportDlg([](EngineImportDlg& dlg) { EXPECT_EQ(1, dlg.GetList()->GetItemCount()); }, wxID_OK));
    EXPECT_FALSE(SlowWebDataOpen::timedOut);
    EXPECT_EQ("Reading the profile's engines...", statusWhileReading);
    EXPECT_EQ("Mike", Engines().m_engines.back()->m_strName);
}

// An engine that differs from one in the group only in other query
// parameters (a browser's copy of a shipped engine) is probably the same:
// said so and not ticked, but it may still be ticked. Another host, path or
// search parameter is a new engine.
TEST_F(EngineImportDlgTest, AnEngineDifferingOnlyInOtherParametersIsProbablyInTheCatalogue)
{
    WriteFileBytes(m_sandbox.File("backup.xml"),
                   "<ENGINES>"
                   "<ENGINE><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
                   "<NAME>Kilo2</NAME><URL>HTTP://127.0.0.1:9/kilo?ie=UTF-8&amp;q=*&amp;rlz=1</URL></ENGINE>"
                   "<ENGINE><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
                   "<NAME>OtherPath</NAME><URL>http://127.0.0.1:9/kilo2?q=*&amp;x=1</URL></ENGINE>"
                   "<ENGINE><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY>"
                   "<NAME>OtherParameter</NAME><URL>http://127.0.0.1:9/kilo?p=*&amp;q=1</URL></ENGINE>"
                   "<ENGINE><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Web</CATEGORY>"
                   "<NAME>OtherGroup</NAME><URL>http://127.0.0.1:9/kilo?q=*&amp;hl=de</URL></ENGINE>"
                   "</ENGINES>");
    ImportFile(m_sandbox.File("backup.xml"), ExpectImportDlg(
        [](EngineImportDlg& dlg) {
            wxListCtrl* list = dlg.GetList();
            ASSERT_EQ(4, list->GetItemCount());
            const struct
            {
                const char* column;
                bool ticked;
            } rows[] = {{"Probably in catalogue", false}, {"", true}, {"", true}, {"", true}};
            for (long row = 0; row < 4; ++row)
            {
                SCOPED_TRACE(list->GetItemText(row, EngineImportDlg::COLUMN_NAME).utf8_string());
                EXPECT_EQ(rows[row].column, list->GetItemText(row, EngineImportDlg::COLUMN_IN_CATALOGUE));
                EXPECT_EQ(rows[row].ticked, dlg.IsTicked(row));
            }
            dlg.SetTicked(0, true);
            EXPECT_TRUE(dlg.IsTicked(0));
        },
        wxID_OK));
    EXPECT_EQ(5u, Engines().m_engines.size());
}
