// The All Results pane in the real window: pages from a loopback server that
// share some results, read as the search ends, driven with real keys.
#include "frame/OrvaneFrameFixture.h"
#include "results/ResultsPane.h"

#include "found/ResultMerge.h"
#include "found/ResultsOutput.h"
#include "PageProbe.h"

#include <wx/aui/framemanager.h>
#include <wx/clipbrd.h>
#include <wx/combobox.h>
#include <wx/filedlg.h>
#include <wx/testing.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <map>

namespace
{
// Results on "localhost": another site than the pages' 127.0.0.1, and still
// the test's own server when one is opened.
std::string ResultPage(const std::string& resultHost, const std::vector<std::string>& names)
{
    std::string html = "<!doctype html><html><head><meta charset='utf-8'><title>otter</title>"
                       "<style>body{font:14px sans-serif;width:900px}</style></head><body>"
                       "<div class='strip'><a href='https://apps.example/'>App Store</a></div><div id='search'>";
    for (const std::string& name : names)
        html += "<div class='g'><a href='http://" + resultHost + "/r/" + name + "'><h3>Result " + name +
                "</h3></a><p>What the page about " + name + " says, at some length for a snippet.</p></div>";
    return html + "</div></body></html>";
}

wxString ClipboardText()
{
    wxClipboardLocker lock;
    wxTextDataObject text;
    if (!lock || !wxTheClipboard->GetData(text))
        return wxString();
    return text.GetText();
}
} // namespace

class AllResultsTest : public OrvaneFrameFixture
{
protected:
    void ServeResults()
    {
        m_pageFor = [this](const std::string& target) {
            const std::string host = "localhost:" + m_server->HostPort().substr(m_server->HostPort().find(':') + 1);
            static const std::map<std::string, std::vector<std::string>> engines = {
                {"/alpha", {"one", "alone-a", "two"}},
                {"/beta", {"two", "one", "alone-b"}},
                {"/gamma", {"one", "alone-g"}},
            };
            for (const auto& [path, names] : engines)
                if (target.rfind(path + "?", 0) == 0)
                    return ResultPage(host, names);
            return std::string("<html><body>" + target + "</body></html>");
        };
    }

    void Search(const wxString& words)
    {
        wxComboBox* box = KeywordBox();
        box->ChangeValue(words);
        box->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return FocusIn(box); }, 3000));
        wxUIActionSimulator().Char(WXK_RETURN);
    }

    static bool FocusIn(wxWindow* window)
    {
        for (wxWindow* w = wxWindow::FindFocus(); w; w = w->GetParent())
            if (w == window)
                return true;
        return false;
    }

    bool AllRead(size_t rows)
    {
        return WaitUntil([&] { return AllResults()->GetList()->GetItemCount() == rows; }, 30000);
    }
};

TEST_F(AllResultsTest, KeysShowCopyAndOpenTheMergedList)
{
    ServeResults();
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    ResultsPane* pane = AllResults();
    EXPECT_FALSE(pane->IsPaneShown());
    // The notebook keeps one tab per engine.
    EXPECT_EQ(Notebook()->GetPageCount(), 3u);
    Search("otter");
    ASSERT_TRUE(AllRead(5)) << pane->GetList()->GetItemCount();
    EXPECT_EQ(Notebook()->GetPageCount(), 3u);

    {
        SCOPED_TRACE("F12 from the keyword box shows the pane with the focus in its list");
        KeywordBox()->SetFocus();
        ASSERT_TRUE(WaitUntil([&] { return FocusIn(KeywordBox()); }, 3000));
        wxUIActionSimulator().Char(WXK_F12);
        EXPECT_TRUE(WaitUntil([&] { return pane->IsPaneShown() && FocusIn(pane->GetList()); }, 3000));
        EXPECT_EQ(pane->GetList()->GetSelection(), 0);
    }
    const std::string host = "http://localhost:" + m_server->HostPort().substr(m_server->HostPort().find(':') + 1);
    {
        SCOPED_TRACE("Ctrl+Shift+C copies exactly the --results lines");
        if (wxTheClipboard->Open())
        {
            wxTheClipboard->Clear();
            wxTheClipboard->Close();
        }
        wxUIActionSimulator().Char('C', wxMOD_CONTROL | wxMOD_SHIFT);
        ASSERT_TRUE(WaitUntil([&] { return !ClipboardText().empty(); }, 3000));
        const std::vector<EngineFound>& engines = pane->Engines();
        wxString expected;
        for (const wxString& line : ResultsOutput::Lines(engines, ResultMerge::Merge(engines)))
            expected << line << "\n";
        EXPECT_EQ(ClipboardText(), expected);
        // What the pages hold, independently of the merge: "one" is found by all three, first.
        const wxArrayString lines = wxSplit(ClipboardText().BeforeLast('\n'), '\n', '\0');
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[0], wxString::FromUTF8(("1\t3\t" + host + "/r/one\tResult one\tAlpha #1, Beta #2, Gamma #1")));
        EXPECT_TRUE(lines[1].StartsWith(wxString::FromUTF8("2\t2\t" + host + "/r/two\tResult two\t")));
        EXPECT_EQ(pane->CountAgreed(), 2u);
        // The end-of-search summary counts them too.
        ASSERT_FALSE(pane->SummaryNote().empty());
        EXPECT_TRUE(WaitUntil([&] { return StatusBar()->GetStatusText(1).EndsWith(pane->SummaryNote()); }, 3000))
            << StatusBar()->GetStatusText(1);
    }
    {
        SCOPED_TRACE("Show in Gamma's Page turns to it and marks the result there");
        ZulIeCtrl* gamma = nullptr;
        Pages().ForEachPage([&](unsigned, ZulIeCtrl* page) { gamma = page->m_strEngineName == "Gamma" ? page : gamma; });
        ASSERT_TRUE(gamma && gamma->GetWebView());
        pane->ShowInPage(2);
        EXPECT_EQ(Notebook()->GetPage(Notebook()->GetSelection()), gamma);
        EXPECT_TRUE(WaitUntil([&] {
            wxString outline;
            return gamma->GetWebView()->RunScript("document.querySelector('div.g').style.outlineStyle", &outline) &&
                   outline == "solid";
        }, 3000));
        pane->GetList()->SetFocus();
    }
    {
        SCOPED_TRACE("Enter opens the first result in the page of the engine that ranked it highest");
        ZulIeCtrl* alpha = nullptr;
        Pages().ForEachPage([&](unsigned, ZulIeCtrl* page) { alpha = page->m_strEngineName == "Alpha" ? page : alpha; });
        ASSERT_TRUE(alpha && alpha->GetProbe());
        const unsigned verdicts = alpha->GetProbe()->GetVerdictCount();
        wxUIActionSimulator().Char(WXK_RETURN);
        EXPECT_TRUE(WaitUntil([&] {
            const std::vector<std::string> targets = RequestTargets();
            return std::find(targets.begin(), targets.end(), "/r/one") != targets.end();
        }, 15000));
        EXPECT_EQ(Notebook()->GetPage(Notebook()->GetSelection()), alpha);
        // The result opened is no list of results: once its page is decided the list is as it was.
        ASSERT_TRUE(WaitUntil([&] { return alpha->HasVerdict() && alpha->GetProbe()->GetVerdictCount() > verdicts; },
                              15000));
        pane->Follow();
        EXPECT_EQ(pane->GetList()->GetItemCount(), 5u);
        EXPECT_EQ(pane->Engines().front().results.size(), 3u);
    }
    CloseFrame();
    EXPECT_NE(StoreText().find("results_pane=1"), std::string::npos);
}

TEST_F(AllResultsTest, SideWidthAndShownStateAreKept)
{
    OpenFrame("results_pane=1\nresults_pane_side=left\nresults_pane_width=260\n");
    ASSERT_TRUE(WaitIdle());
    ResultsPane* pane = AllResults();
    ASSERT_TRUE(pane->IsPaneShown());
    EXPECT_EQ(AuiManager()->GetPane(pane).dock_direction, wxAUI_DOCK_LEFT);
    EXPECT_LT(pane->GetScreenPosition().x, Notebook()->GetScreenPosition().x);
    // F12 with the focus in the list hides it.
    pane->GetList()->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return FocusIn(pane->GetList()); }, 3000));
    wxUIActionSimulator().Char(WXK_F12);
    EXPECT_TRUE(WaitUntil([&] { return !pane->IsPaneShown(); }, 3000));
    CloseFrame();
    const std::string store = StoreText();
    EXPECT_NE(store.find("results_pane=0"), std::string::npos) << store;
    EXPECT_NE(store.find("results_pane_side=left"), std::string::npos) << store;
}

TEST(ResultList, TypingFindsARowByItsTitle)
{
    std::vector<ResultList::Row> rows(4);
    rows[0].title = "Sea otter facts";
    rows[1].title = "River otters";
    rows[2].title = "sea lions";
    rows[3].title = wxString::FromUTF8("\xE3\x83\xA9\xE3\x83\x83\xE3\x82\xB3");
    const struct
    {
        const char* typed;
        size_t from;
        int found;
    } cases[] = {
        {"sea", 0, 0},      // a title's start, whatever the case
        {"sea", 1, 2},      // from the row after the selection on
        {"sea", 3, 0},      // wrapping round
        {"otters", 0, 1},   // no title starts so: one that holds it
        {"whale", 0, wxNOT_FOUND},
        {"", 0, wxNOT_FOUND},
        {"\xE3\x83\xA9", 0, 3},  // a title in Japanese by its first letter
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.typed) + " from " + std::to_string(c.from));
        EXPECT_EQ(ResultList::FindByTitle(rows, wxString::FromUTF8(c.typed), c.from), c.found);
    }
}

TEST_F(AllResultsTest, ASearchOfSomeEnginesListsOnlyTheirPages)
{
    std::string catalogue = Catalogue(m_server->HostPort());
    const size_t at = catalogue.find("</ENGINE>", catalogue.find("<NAME>Beta</NAME>"));
    catalogue.insert(at, "<SHORTCUT>b</SHORTCUT>");
    ASSERT_TRUE(WriteFileBytes(m_sandbox.File("conf/config.xml"), catalogue));
    ServeResults();
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    ResultsPane* pane = AllResults();
    Search("otter");
    ASSERT_TRUE(AllRead(5));
    // Alpha's and Gamma's pages still show the first search's results.
    Search("!b otter");
    ASSERT_TRUE(WaitIdle());
    ASSERT_TRUE(AllRead(3)) << pane->GetList()->GetItemCount();
    pane->Follow();
    ASSERT_EQ(pane->Engines().size(), 1u);
    EXPECT_EQ(pane->Engines().front().name, "Beta");
    {
        SCOPED_TRACE("File > Export Results... asks where, and writes the lines or the JSON");
        // The toolkit's chooser gives no path it was not shown: the writing is driven after it.
        wxTEST_DIALOG(Command(OrvaneFrame::ID_MENU_EXPORT_RESULTS), wxExpectModal<wxFileDialog>("", wxID_CANCEL));
        const std::string tsv = m_sandbox.File("out.tsv"), json = m_sandbox.File("out.json");
        ASSERT_TRUE(pane->ExportTo(wxString::FromUTF8(tsv), false));
        ASSERT_TRUE(pane->ExportTo(wxString::FromUTF8(json), true));
        const wxString text = pane->AllLines();
        const wxScopedCharBuffer lines = text.utf8_str();
        EXPECT_EQ(ReadFileBytes(tsv), std::string(lines.data(), lines.length()));
        EXPECT_EQ(std::count(lines.data(), lines.data() + lines.length(), '\n'), 3);
        const std::string written = ReadFileBytes(json);
        EXPECT_EQ(written, pane->Json() + "\n");
        EXPECT_NE(written.find("Result alone-b"), std::string::npos);
    }
}
