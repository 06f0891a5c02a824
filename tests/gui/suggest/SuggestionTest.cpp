#include "store/ConfigStore.h"
#include "GuiTest.h"
#include "frame/OrvaneFrameFixture.h"
#include "store/Preference.h"
#include "suggest/SuggDlg.h"
#include "suggest/SuggThread.h"
#include "catalogue/EngineManager.h"
#include "net/SuggestionRequest.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "TestTls.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/combobox.h>
#include <wx/confbase.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/uiaction.h>
#include <wx/weakref.h>

#include <algorithm>
#include <iostream>
#include <memory>
#include <mutex>
#include <vector>

namespace
{
std::string Reply(const std::vector<std::string>& texts)
{
    std::string xml = "<?xml version=\"1.0\"?><toplevel>";
    for (const std::string& t : texts)
        xml += "<CompleteSuggestion><suggestion data=\"" + t +
               "\"/><num_queries int=\"1\"/></CompleteSuggestion>";
    return xml + "</toplevel>";
}

// The keyword as the service receives it, still percent-encoded.
std::string QueryKeyword(const HttpRequest& request)
{
    const size_t at = request.target.find("&qu=");
    return at == std::string::npos ? std::string() : request.target.substr(at + 4);
}

std::vector<std::string> Items(const wxListBox* list)
{
    std::vector<std::string> out;
    for (unsigned i = 0; i < list->GetCount(); ++i)
        out.push_back(list->GetString(i).utf8_string());
    return out;
}

class SuggestionTest : public ::testing::Test
{
protected:
    SuggestionTest()
        : m_server([this](const HttpRequest& r) { return Answer(r); }),
          m_dialogs(__FILE__, __LINE__, "SuggestionTest")
    {
    }

    void SetUp() override
    {
        MakeDirs(m_sandbox.File("conf"));
        ProgramFolder::OverrideForTesting(wxString::FromUTF8(m_sandbox.Path()));
        ConfigStore::Open();
        SetHost(m_server.HostPort());
        Preference::Release();
        Preference::Get()->m_strSuggLang = "en";
        Preference::Get()->m_nEnableSuggestion = 1;

        // A window like the main one: a keyword box with the pop-up under it.
        m_frame = new wxFrame(TestParentFrame(), wxID_ANY, "keyword", wxPoint(50, 50),
                              wxSize(600, 300));
        m_frame->CreateStatusBar();
        m_box = new wxComboBox(m_frame, wxID_ANY);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(m_box, 0, wxEXPAND | wxALL, 10);
        m_frame->SetSizer(sizer);
        m_frame->Layout();
        m_frame->Show();
        m_dlg = new SuggDlg(m_frame, wxID_ANY);
        m_dlg->AttachKeywordBox(m_box);
        m_box->Bind(wxEVT_TEXT, [this](wxCommandEvent& e) {
            e.Skip();
            if (m_dlg)
                m_dlg->KeywordChanged();
        });
        SuggDlg::SetTimeoutForTesting(10);
    }

    void TearDown() override
    {
        if (m_frame)
            m_frame->Destroy();
        WaitUntil([&] { return !m_dlg && !m_frame; });
        m_server.Stop();
        EXPECT_TRUE(WaitUntil([] { return SuggThread::LiveCount() == 0; }, 15000))
            << SuggThread::LiveCount() << " fetches still running";
        DrainEvents();
        m_dialogs.CheckUnmetExpectations();
        SuggDlg::SetTimeoutForTesting(10);
        Preference::Release();
        ConfigStore::Close();
        ProgramFolder::OverrideForTesting(wxString());
    }

    void SetHost(const std::string& hostPort)
    {
        ConfigStore::Get()->Write(wxString("/") + PreferenceKey::SuggHost,
                                  wxString(hostPort));
    }

    HttpResponse Answer(const HttpRequest& request)
    {
        HttpResponse r;
        r.contentType = "text/xml; charset=utf-8";
        const std::string keyword = QueryKeyword(request);
        std::function<HttpResponse(const std::string&)> answer;
        {
            std::lock_guard<std::mutex> lock(m_answerLock);
            answer = m_answer;
        }
        if (answer)
            return answer(keyword);
        r.body = Reply({keyword + " one", keyword + " two"});
        return r;
    }

    // Waits until every fetch started so far has finished and been handled.
    bool Settle()
    {
        const bool done = WaitUntil([] { return SuggThread::LiveCount() == 0; });
        DrainEvents();
        return done;
    }

    void Type(const wxString& text)
    {
        m_box->SetValue(text);
        wxYield();
    }

    TestSandbox m_sandbox;
    // Read by the pop-up's client when it is made.
    ScopedEnv m_ca{"SSL_CERT_FILE", TestTls::Get().CaFile().c_str()};
    // How the service answers a keyword; read on the server's threads.
    void SetAnswer(std::function<HttpResponse(const std::string&)> answer)
    {
        std::lock_guard<std::mutex> lock(m_answerLock);
        m_answer = std::move(answer);
    }

    std::mutex m_answerLock;
    std::function<HttpResponse(const std::string&)> m_answer;
    TestHttpServer m_server;
    GTestDialogHook m_dialogs;  // any message box not expected by the test fails it
    wxWeakRef<wxFrame> m_frame;
    wxComboBox* m_box = nullptr;
    wxWeakRef<SuggDlg> m_dlg;
};
} // namespace

TEST_F(SuggestionTest, BuildsThePopUp)
{
    EXPECT_FALSE(m_dlg->IsShown());
    EXPECT_EQ(m_dlg->GetName(), "id");
    EXPECT_EQ(m_dlg->GetWindowStyleFlag() & (wxCAPTION | wxSYSTEM_MENU | wxRESIZE_BORDER), 0);
    EXPECT_EQ(m_dlg->m_pListBox->GetName(), "ID_LISTBOX_SUGG");
    EXPECT_EQ(m_dlg->m_pLangChoice->GetName(), "ID_CHOICE_SUGG_LANG");
    EXPECT_EQ(m_dlg->m_pPrompt->GetName(), "ID_STATICTEXT1");
    EXPECT_EQ(m_dlg->m_pSeparator->GetName(), "ID_STATICLINE1");
    EXPECT_EQ(m_dlg->m_pCloseButton->GetName(), "wxID_CANCEL");
    EXPECT_EQ(m_dlg->m_pCloseButton->GetId(), wxID_CANCEL);
    EXPECT_GE(m_dlg->m_pListBox->GetSize().x, 400);
    EXPECT_GE(m_dlg->m_pListBox->GetSize().y, 160);

    wxChoice* choice = m_dlg->m_pLangChoice;
    ASSERT_EQ(choice->GetCount(), 3u);
    EXPECT_EQ(choice->GetSelection(), 0);
    {
        SCOPED_TRACE("a stored code differing only in case preselects its language");
        Preference::Get()->m_strSuggLang = "ZH-cn";
        wxWeakRef<SuggDlg> other(new SuggDlg(m_frame, wxID_ANY));
        EXPECT_EQ(other->m_pLangChoice->GetSelection(), 1);
        other->Destroy();
    }
    {
        SCOPED_TRACE("an unknown code preselects nothing but is still sent");
        Preference::Get()->m_strSuggLang = "fr";
        wxWeakRef<SuggDlg> other(new SuggDlg(m_frame, wxID_ANY));
        EXPECT_EQ(other->m_pLangChoice->GetSelection(), wxNOT_FOUND);
        other->FetchSuggestions("x");
        ASSERT_TRUE(m_server.WaitForRequests(1, 5000));
        EXPECT_EQ(m_server.Requests()[0].target, "/complete/search?hl=fr&output=toolbar&qu=x");
        Settle();
        other->Destroy();
    }
}

TEST_F(SuggestionTest, FetchSendsTheRequestAndFillsTheList)
{
    Preference::Get()->m_strSuggLang = "zh-CN";
    m_dlg->FetchSuggestions(wxString::FromUTF8("caf\xC3\xA9 au lait"));
    ASSERT_TRUE(Settle());
    ASSERT_EQ(m_server.RequestCount(), 1u);
    const HttpRequest request = m_server.Requests()[0];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.target, "/complete/search?hl=zh-CN&output=toolbar&qu=caf%c3%a9%20au%20lait");
    EXPECT_EQ(Items(m_dlg->m_pListBox),
              (std::vector<std::string>{"caf%c3%a9%20au%20lait one", "caf%c3%a9%20au%20lait two"}));
    EXPECT_EQ(m_dlg->m_nSuggCount, 2u);
    EXPECT_FALSE(m_dlg->IsShown());
    EXPECT_EQ(ReadFileBytes(m_sandbox.File("conf/sugg_data.xml")),
              Reply({"caf%c3%a9%20au%20lait one", "caf%c3%a9%20au%20lait two"}));

    {
        SCOPED_TRACE("a multi-line reply empties the list; the file keeps its first line");
        SetAnswer([](const std::string&) {
            HttpResponse r;
            r.body = "<toplevel>\n<CompleteSuggestion><suggestion data=\"x\"/>"
                     "</CompleteSuggestion>\n</toplevel>\n";
            return r;
        });
        m_dlg->FetchSuggestions("b");
        ASSERT_TRUE(Settle());
        EXPECT_EQ(m_dlg->m_nSuggCount, 0u);
        EXPECT_EQ(m_dlg->m_pListBox->GetCount(), 0u);
        EXPECT_EQ(ReadFileBytes(m_sandbox.File("conf/sugg_data.xml")), "<toplevel>");
    }
    {
        SCOPED_TRACE("an empty keyword sends nothing and empties the list");
        m_dlg->SetSuggestions(wxArrayString(1, "left over"));
        m_dlg->FetchSuggestions("");
        Settle();
        EXPECT_EQ(m_server.RequestCount(), 2u);
        EXPECT_EQ(m_dlg->m_nSuggCount, 0u);
    }
    EXPECT_TRUE(m_dlg->m_bSuggAvailable);
}

TEST_F(SuggestionTest, A404DisablesSuggestionsQuietly)
{
    SetAnswer([](const std::string&) {
        HttpResponse r;
        r.status = 404;
        r.body = Reply({"ignored"});
        return r;
    });
    m_dlg->SetSuggestions(wxArrayString(1, "old"));
    m_dlg->FetchSuggestions("abc");
    ASSERT_TRUE(Settle());
    EXPECT_FALSE(m_dlg->m_bSuggAvailable);
    EXPECT_EQ(m_dlg->m_nSuggCount, 0u);

    m_dlg->FetchSuggestions("abcd");
    Type("abcde");
    Settle();
    EXPECT_EQ(m_server.RequestCount(), 1u);
    EXPECT_EQ(m_dlg->m_strKeyword, "abc");
}

TEST_F(SuggestionTest, ThreeRefusedConnectionsInARowTurnItOff)
{
    const std::string closed = "127.0.0.1:" + std::to_string(ClosedPort());
    auto fetch = [&](const std::string& host, const char* keyword) {
        SetHost(host);
        m_dlg->FetchSuggestions(keyword);
        return Settle();
    };
    m_dlg->SetSuggestions(wxArrayString(1, "old"));
    {
        SCOPED_TRACE("a reply between failures starts the count again");
        ASSERT_TRUE(fetch(closed, "a"));
        ASSERT_TRUE(fetch(closed, "ab"));
        EXPECT_EQ(m_dlg->m_nSuggCount, 0u);
        ASSERT_TRUE(fetch(m_server.HostPort(), "abc"));
        ASSERT_TRUE(fetch(closed, "abcd"));
        ASSERT_TRUE(fetch(closed, "abcde"));
        EXPECT_TRUE(m_dlg->m_bSuggAvailable);
    }
    {
        SCOPED_TRACE("the third in a row: off for the run, said in the status bar, no message box");
        ASSERT_TRUE(fetch(closed, "abcdef"));
        EXPECT_FALSE(m_dlg->m_bSuggAvailable);
        EXPECT_EQ(m_frame->GetStatusBar()->GetStatusText(),
                  "An unknown error occurred while getting suggetions. Please check your internet "
                  "connection and try again.  Suggestions are off: the suggestion service cannot be reached.");
        SetHost(m_server.HostPort());
        m_dlg->FetchSuggestions("abcdefg");
        EXPECT_EQ(SuggThread::LiveCount(), 0);
        EXPECT_EQ(m_dlg->m_strKeyword, "abcdef");
    }
    {
        SCOPED_TRACE("a changed service is asked again");
        m_dlg->ResetService();
        m_dlg->FetchSuggestions("xyz");
        ASSERT_TRUE(Settle());
        EXPECT_EQ(m_dlg->m_nSuggCount, 2u);
    }
}

TEST_F(SuggestionTest, ASlowServiceIsNotADeadOne)
{
    SuggDlg::SetTimeoutForTesting(1);
    SetAnswer([](const std::string& keyword) {
        HttpResponse r;
        r.body = Reply({keyword + " one"});
        r.noReply = keyword != "fast";
        return r;
    });
    // Fetches that time out drop their reply; no message, suggestions stay on.
    for (const char* k : {"a", "ab", "abc"})
        m_dlg->FetchSuggestions(k);
    ASSERT_TRUE(m_server.WaitForRequests(3, 5000));
    ASSERT_TRUE(WaitUntil([] { return SuggThread::LiveCount() == 0; }, 8000));
    DrainEvents();
    EXPECT_TRUE(m_dlg->m_bSuggAvailable);
    EXPECT_EQ(m_frame->GetStatusBar()->GetStatusText(),
              "The suggestion service did not answer in time.");
    m_dlg->FetchSuggestions("fast");
    ASSERT_TRUE(Settle());
    EXPECT_EQ(Items(m_dlg->m_pListBox), std::vector<std::string>{"fast one"});
    m_server.ReleaseHeld();
}

TEST_F(SuggestionTest, AMalformedServiceAddressTurnsItOffOnce)
{
    SetHost("suggest.example.org:80/x");
    m_dlg->FetchSuggestions("a");
    EXPECT_EQ(m_frame->GetStatusBar()->GetStatusText(),
              "The suggestion service address \"suggest.example.org:80/x\" is not valid; suggestions are off.");
    m_dlg->FetchSuggestions("ab");
    EXPECT_FALSE(m_dlg->m_bSuggAvailable);
    EXPECT_EQ(SuggThread::LiveCount(), 0);
    EXPECT_EQ(m_server.RequestCount(), 0u);
}

TEST_F(SuggestionTest, ATemplateServiceOverHttpsInEitherFormat)
{
    TestHttpServer tls(
        [](const HttpRequest& r) {
            const std::string q = r.target.substr(r.target.find("q=") + 2);
            HttpResponse out;
            if (r.target.rfind("/json", 0) == 0)
                out.body = "[\"" + q + "\", [\"" + q + " 1\", \"" + q + " 2\"]]";
            else if (r.target.rfind("/huge", 0) == 0)
                for (int i = 0; out.body.size() < 1000 * 1000; ++i)
                    out.body += "<CompleteSuggestion><suggestion data=\"" + std::string(40000, 'x') +
                                "\"/></CompleteSuggestion>";
            else
                out.body = Reply({q + " xml"});
            if (r.target.rfind("/huge", 0) == 0)
                out.body = "<toplevel>" + out.body + "</toplevel>\n";
            return out;
        },
        TestHttpServer::Transport::Tls);
    auto fetch = [&](const std::string& path, const char* keyword) {
        ConfigStore::Get()->Write("/sugg_url_en", wxString(tls.Url(path + "?q={searchTerms}")));
        m_dlg->FetchSuggestions(keyword);
        return Settle();
    };
    ASSERT_TRUE(fetch("/json", "abc"));
    EXPECT_EQ(Items(m_dlg->m_pListBox), (std::vector<std::string>{"abc 1", "abc 2"}));
    ASSERT_TRUE(fetch("/xml", "abd"));
    EXPECT_EQ(Items(m_dlg->m_pListBox), std::vector<std::string>{"abd xml"});
    {
        SCOPED_TRACE("a 1 MB reply hands the list at most 20 entries of 1,024 characters");
        ASSERT_TRUE(fetch("/huge", "abe"));
        ASSERT_EQ(m_dlg->m_pListBox->GetCount(), 20u);
        EXPECT_EQ(m_dlg->m_pListBox->GetString(19), wxString(1024, 'x'));
    }
    // Keystrokes share one connection: one TLS handshake for all of them.
    EXPECT_EQ(tls.HandshakeCount(), 1u);
    EXPECT_EQ(m_server.RequestCount(), 0u);  // the classic service was not asked
    EXPECT_TRUE(m_dlg->m_bSuggAvailable);
}

TEST_F(SuggestionTest, ALateReplyForAnOlderKeywordIsDropped)
{
    SetAnswer([](const std::string& keyword) {
        HttpResponse r;
        r.body = Reply({keyword + "-reply"});
        if (keyword == "a")
            r.delayMs = 1500;
        return r;
    });
    m_dlg->FetchSuggestions("a");
    ASSERT_TRUE(m_server.WaitForRequests(1, 5000));
    m_dlg->FetchSuggestions("ab");
    EXPECT_TRUE(WaitUntil([&] { return m_dlg->m_nSuggCount == 1; }));
    ASSERT_TRUE(Settle());
    EXPECT_EQ(m_server.RequestCount(), 2u);
    EXPECT_EQ(Items(m_dlg->m_pListBox), std::vector<std::string>{"ab-reply"});
}

TEST_F(SuggestionTest, ClosingWithFetchesStalledIsClean)
{
    SetAnswer([](const std::string& keyword) {
        HttpResponse r;
        r.body = Reply({keyword});
        r.holdUntilReleased = true;
        return r;
    });
    for (int i = 0; i < 10; ++i)
        m_dlg->FetchSuggestions(wxString::Format("k%d", i));
    // Newest wins: beyond four fetches in flight the oldest give way.
    ASSERT_TRUE(WaitUntil([] { return SuggThread::LiveCount() == 4; }));
    ASSERT_TRUE(m_server.WaitForRequests(4, 10000));

    // The window closes while the service still holds every reply: the
    // fetches give up by themselves and deliver nothing.
    m_frame->Destroy();
    ASSERT_TRUE(WaitUntil([&] { return !m_dlg && !m_frame; }));
    EXPECT_EQ(SuggThread::LiveCount(), 0) << "fetches outlived the window";
    m_server.ReleaseHeld();
}

TEST_F(SuggestionTest, KeywordChangesShowAndHideThePopUp)
{
    {
        SCOPED_TRACE("suggestions off: no fetch, no pop-up");
        Preference::Get()->m_nEnableSuggestion = 0;
        Type("ab");
        Type("abc");
        Settle();
        EXPECT_EQ(m_server.RequestCount(), 0u);
        EXPECT_FALSE(m_dlg->IsShown());
        Preference::Get()->m_nEnableSuggestion = 1;
    }
    {
        SCOPED_TRACE("the first change fetches but has nothing to show yet");
        Type("  word ");
        ASSERT_TRUE(Settle());
        ASSERT_EQ(m_server.RequestCount(), 1u);
        EXPECT_EQ(QueryKeyword(m_server.Requests()[0]), "word");
        EXPECT_FALSE(m_dlg->IsShown());
        EXPECT_EQ(m_dlg->m_nSuggCount, 2u);
    }
    {
        SCOPED_TRACE("the next change shows it under the box, and the box keeps the focus");
        m_box->SetFocus();
        Type("words");
        EXPECT_TRUE(m_dlg->IsShown());
        const wxPoint boxAt = m_box->GetScreenPosition();
        const wxPoint at = m_dlg->GetScreenPosition();
        EXPECT_EQ(at.x, boxAt.x);
        EXPECT_EQ(at.y, boxAt.y + m_box->GetClientSize().y);
        Settle();
        EXPECT_EQ(Items(m_dlg->m_pListBox),
                  (std::vector<std::string>{"words one", "words two"}));
    }
    {
        SCOPED_TRACE("a shown pop-up stays where it is when the window moves");
        const wxPoint at = m_dlg->GetScreenPosition();
        const wxPoint boxMoved = m_box->GetScreenPosition() + wxPoint(40, 30);
        m_frame->Move(m_frame->GetPosition() + wxPoint(40, 30));
        ASSERT_TRUE(WaitUntil([&] { return m_box->GetScreenPosition() == boxMoved; }, 3000));
        Type("wordsm");
        EXPECT_EQ(m_dlg->GetScreenPosition(), at);
        Settle();
    }
    {
        SCOPED_TRACE("only spaces: hidden, nothing asked");
        const size_t asked = m_server.RequestCount();
        Type("   ");
        EXPECT_FALSE(m_dlg->IsShown());
        Settle();
        EXPECT_EQ(m_server.RequestCount(), asked);
    }
    {
        SCOPED_TRACE("choosing a suggestion replaces the whole text and hides the pop-up");
        Type("wordsmi");
        Settle();
        Type("wordsmit");
        ASSERT_TRUE(m_dlg->IsShown());
        Settle();
        wxCommandEvent click(wxEVT_LISTBOX, m_dlg->m_pListBox->GetId());
        click.SetEventObject(m_dlg->m_pListBox);
        click.SetInt(1);
        m_dlg->m_pListBox->SetSelection(1);
        m_dlg->m_pListBox->GetEventHandler()->ProcessEvent(click);
        EXPECT_EQ(m_box->GetValue(), "wordsmit two");
        EXPECT_FALSE(m_dlg->IsShown());
        Settle();
    }
    {
        SCOPED_TRACE("an empty list hides the pop-up at the next change");
        Type("wordsmith");
        Settle();
        Type("wordsmith ");
        ASSERT_TRUE(m_dlg->IsShown());
        SetAnswer([](const std::string&) {
            HttpResponse r;
            r.body = Reply({});
            return r;
        });
        Settle();
        Type("wordsmith x");
        Settle();
        EXPECT_EQ(m_dlg->m_nSuggCount, 0u);
        Type("wordsmith xy");
        EXPECT_FALSE(m_dlg->IsShown());
        Settle();
    }
}

TEST_F(SuggestionTest, ChangingTheLanguageFetchesAgain)
{
    {
        SCOPED_TRACE("before any keyword: the list empties, nothing is asked");
        m_dlg->SetSuggestions(wxArrayString(1, "left over"));
        m_dlg->m_pLangChoice->SetSelection(2);
        wxCommandEvent pick(wxEVT_CHOICE, m_dlg->m_pLangChoice->GetId());
        pick.SetEventObject(m_dlg->m_pLangChoice);
        pick.SetInt(2);
        m_dlg->m_pLangChoice->GetEventHandler()->ProcessEvent(pick);
        Settle();
        EXPECT_EQ(Preference::Get()->m_strSuggLang, "ja-JP");
        EXPECT_EQ(m_dlg->m_nSuggCount, 0u);
        EXPECT_EQ(m_server.RequestCount(), 0u);
    }
    {
        SCOPED_TRACE("with a keyword: asked again in the new language");
        m_dlg->FetchSuggestions("abc");
        Settle();
        m_dlg->m_pLangChoice->SetSelection(1);
        wxCommandEvent pick(wxEVT_CHOICE, m_dlg->m_pLangChoice->GetId());
        pick.SetEventObject(m_dlg->m_pLangChoice);
        pick.SetInt(1);
        m_dlg->m_pLangChoice->GetEventHandler()->ProcessEvent(pick);
        Settle();
        ASSERT_EQ(m_server.RequestCount(), 2u);
        EXPECT_EQ(m_server.Requests()[1].target, "/complete/search?hl=zh-CN&output=toolbar&qu=abc");
        EXPECT_EQ(Preference::Get()->m_strSuggLang, "zh-CN");
    }
}

TEST_F(SuggestionTest, KeyboardMovesThroughTheList)
{
    m_frame->Raise();
    m_box->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return m_box->HasFocus(); }, 3000));
    wxUIActionSimulator sim;
    {
        SCOPED_TRACE("typing goes on in the box while the pop-up appears");
        sim.Text("wo");
        ASSERT_TRUE(WaitUntil([&] { return m_box->GetValue() == "wo"; }));
        Settle();
        sim.Text("r");
        ASSERT_TRUE(WaitUntil([&] { return m_dlg->IsShown(); }));
        Settle();
        sim.Text("d");
        EXPECT_TRUE(WaitUntil([&] { return m_box->GetValue() == "word"; }, 3000))
            << m_box->GetValue();
        Settle();
        EXPECT_TRUE(m_box->HasFocus());
        ASSERT_EQ(Items(m_dlg->m_pListBox), (std::vector<std::string>{"word one", "word two"}));
    }
    {
        SCOPED_TRACE("Down enters the list, further keys only move the highlight");
        sim.Char(WXK_DOWN);
        ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == m_dlg->m_pListBox; }, 3000));
        EXPECT_EQ(m_dlg->m_pListBox->GetSelection(), 0);
        sim.Char(WXK_DOWN);
        EXPECT_TRUE(WaitUntil([&] { return m_dlg->m_pListBox->GetSelection() == 1; }, 3000));
        DrainEvents();
        EXPECT_EQ(m_box->GetValue(), "word");
        EXPECT_TRUE(m_dlg->IsShown());
    }
    {
        SCOPED_TRACE("Enter chooses the highlighted suggestion and returns to the box");
        sim.Char(WXK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return m_box->GetValue() == "word two"; }, 3000));
        EXPECT_FALSE(m_dlg->IsShown());
        EXPECT_TRUE(WaitUntil([&] { return m_box->HasFocus(); }, 3000));
        Settle();
    }
    {
        SCOPED_TRACE("Escape closes the pop-up and returns to the box");
        sim.Text("s");
        Settle();
        ASSERT_TRUE(WaitUntil([&] { return m_dlg->IsShown(); }, 3000)) << m_box->GetValue();
        sim.Char(WXK_DOWN);
        ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() == m_dlg->m_pListBox; }, 3000));
        sim.Char(WXK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !m_dlg->IsShown(); }, 3000));
        EXPECT_TRUE(WaitUntil([&] { return m_box->HasFocus(); }, 3000));
        EXPECT_EQ(m_box->GetValue(), "word twos");
        sim.Text("x");
        EXPECT_TRUE(WaitUntil([&] { return m_box->GetValue() == "word twosx"; }, 3000))
            << m_box->GetValue();
        Settle();
    }
}

TEST_F(SuggestionTest, AnEndlessOneLineReplyIsCutOff)
{
    SetAnswer([](const std::string&) {
        HttpResponse r;
        r.body = std::string(64 * 1024, 'x');
        r.streamForever = true;
        return r;
    });
    m_dlg->SetSuggestions(wxArrayString(1, "old"));
    m_dlg->FetchSuggestions("abc");
    EXPECT_TRUE(WaitUntil([] { return SuggThread::LiveCount() == 0; }, 20000));
    DrainEvents();
    EXPECT_EQ(m_dlg->m_nSuggCount, 0u);
    EXPECT_TRUE(m_dlg->m_bSuggAvailable);
}

// Prints how long the event loop stalled at most while twenty characters were
// typed against a service that takes two seconds to answer.
TEST_F(SuggestionTest, TypingAgainstASlowServiceKeepsTheLoopResponsive)
{
    SetAnswer([](const std::string& keyword) {
        HttpResponse r;
        r.body = Reply({keyword + "1", keyword + "2"});
        r.delayMs = 2000;
        return r;
    });
    wxTimer timer;
    wxStopWatch clock;
    long lastTick = 0, longestGap = 0;
    int ticks = 0;
    timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        const long now = clock.Time();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        ++ticks;
    });
    timer.Start(10);
    ASSERT_TRUE(WaitUntil([&] { return ticks > 0; }));
    clock.Start();
    lastTick = 0;
    longestGap = 0;

    wxString keyword;
    for (int i = 0; i < 20; ++i)
    {
        keyword += wxUniChar('a' + i);
        Type(keyword);
        // A typist's pause: four ticks of the timer.
        const int due = ticks + 4;
        WaitUntil([&] { return ticks >= due; });
    }
    const long typingGap = longestGap;
    EXPECT_TRUE(WaitUntil([&] { return m_dlg->m_nSuggCount == 2; }, 10000));
    timer.Stop();
    EXPECT_EQ(m_server.RequestCount(), 20u);
    EXPECT_EQ(m_dlg->m_pListBox->GetString(0), keyword + "1");
    std::cout << "[ figures  ] longest event-loop gap while typing 20 characters: " << typingGap
              << " ms; until the last reply was shown: " << longestGap << " ms\n";
    RecordProperty("longest_gap_ms", static_cast<int>(longestGap));
}

// The pop-up as the main window uses it: under its keyword box, hidden when a
// search starts.
using SuggestionFrameTest = OrvaneFrameFixture;

TEST_F(SuggestionFrameTest, ThePopUpFollowsTheMainWindowsKeywordBox)
{
    TestHttpServer service([](const HttpRequest& request) {
        HttpResponse r;
        r.body = Reply({QueryKeyword(request) + " one", QueryKeyword(request) + " two"});
        return r;
    });
    OpenFrame();
    ConfigStore::Get()->Write(wxString("/") + PreferenceKey::SuggHost,
                              wxString(service.HostPort()));
    Prefs()->m_nEnableSuggestion = 1;
    // Made for the first keyword, not for the prompt the window starts with.
    EXPECT_EQ(SuggPopup(), nullptr);

    wxComboBox* box = KeywordBox();
    box->SetValue("alpha");
    SuggDlg* popup = SuggPopup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->m_pKeywordBox, KeywordBox());
    EXPECT_EQ(popup->GetParent(), m_frame);
    EXPECT_FALSE(popup->IsShown());
    ASSERT_TRUE(WaitUntil([&] { return popup->m_nSuggCount == 2; }));
    EXPECT_FALSE(popup->IsShown());
    box->SetValue("alphab");
    EXPECT_TRUE(popup->IsShown());
    EXPECT_EQ(popup->GetScreenPosition(),
              box->GetScreenPosition() + wxPoint(0, box->GetClientSize().y));
    ASSERT_TRUE(WaitUntil([&] { return popup->m_pListBox->GetCount() == 2 &&
                                       popup->m_pListBox->GetString(0) == "alphab one"; }));

    m_frame->SearchFor("alphab");
    EXPECT_FALSE(popup->IsShown());
    WaitIdle();
    service.Stop();
}

TEST_F(SuggestionTest, ShortcutWordsListShortcutsAndAreNotSentToTheService)
{
    EngineManager catalogue;
    for (const char* name : {"Wiki", "Wzh", "Maps"})
    {
        auto engine = std::make_unique<Engine>();
        engine->m_strName = name;
        engine->m_strShortcut = wxString(name).Lower();
        catalogue.m_engines.push_back(std::move(engine));
    }
    m_dlg->AttachCatalogue(&catalogue);
    {
        SCOPED_TRACE("the words are asked for without the shortcut");
        Type("!maps sea otter");
        ASSERT_TRUE(Settle());
        ASSERT_EQ(m_server.RequestCount(), 1u);
        EXPECT_EQ(QueryKeyword(m_server.Requests()[0]), "sea%20otter");
    }
    {
        SCOPED_TRACE("a \"!x\" word lists matching shortcuts, even with suggestions off, asking nobody");
        Preference::Get()->m_nEnableSuggestion = 0;
        Type("sea otter !W");
        ASSERT_TRUE(Settle());
        EXPECT_EQ(m_server.RequestCount(), 1u);
        EXPECT_TRUE(m_dlg->IsShown());
        EXPECT_TRUE(m_dlg->ListsShortcuts());
        EXPECT_EQ(Items(m_dlg->m_pListBox), (std::vector<std::string>{"!wiki   Wiki", "!wzh   Wzh"}));
        // Another suggestion language leaves the shortcuts on show.
        m_dlg->m_pLangChoice->SetSelection(2);
        wxCommandEvent pick(wxEVT_CHOICE, m_dlg->m_pLangChoice->GetId());
        pick.SetInt(2);
        pick.SetEventObject(m_dlg->m_pLangChoice);
        m_dlg->m_pLangChoice->GetEventHandler()->ProcessEvent(pick);
        ASSERT_TRUE(Settle());
        EXPECT_EQ(m_server.RequestCount(), 1u);
        EXPECT_EQ(Items(m_dlg->m_pListBox), (std::vector<std::string>{"!wiki   Wiki", "!wzh   Wzh"}));
    }
    {
        SCOPED_TRACE("choosing one completes the word");
        m_dlg->m_pListBox->SetSelection(1);
        wxCommandEvent event(wxEVT_LISTBOX, m_dlg->m_pListBox->GetId());
        event.SetInt(1);
        event.SetEventObject(m_dlg->m_pListBox);
        m_dlg->m_pListBox->ProcessWindowEvent(event);
        EXPECT_EQ(m_box->GetValue(), "sea otter !wzh ");
        EXPECT_FALSE(m_dlg->IsShown());
        EXPECT_FALSE(m_dlg->ListsShortcuts());
    }
    {
        SCOPED_TRACE("no match: hidden");
        Type("sea !q");
        EXPECT_FALSE(m_dlg->IsShown());
    }
    m_dlg->AttachCatalogue(nullptr);
}

// Escape typed in the keyword box closes the pop-up, suggestions or
// shortcuts alike, and the box keeps the focus and its text.
TEST_F(SuggestionTest, EscapeInTheKeywordBoxClosesEitherList)
{
    EngineManager catalogue;
    auto engine = std::make_unique<Engine>();
    engine->m_strName = "Wiki";
    engine->m_strShortcut = "wiki";
    catalogue.m_engines.push_back(std::move(engine));
    m_dlg->AttachCatalogue(&catalogue);
    m_frame->Raise();
    m_box->SetFocus();
    ASSERT_TRUE(WaitUntil([&] { return m_box->HasFocus(); }, 3000));
    wxUIActionSimulator sim;
    const struct
    {
        const char* name;
        // The first suggestions arrive after the keystroke that asked for
        // them: the next one shows them.
        std::vector<const char*> typed;
        bool shortcuts;
    } lists[] = {{"suggestions", {"wo", "r"}, false}, {"shortcuts", {" !w"}, true}};
    wxString text;
    for (const auto& list : lists)
    {
        SCOPED_TRACE(list.name);
        for (const char* keys : list.typed)
        {
            text += keys;
            sim.Text(keys);
            ASSERT_TRUE(WaitUntil([&] { return m_box->GetValue() == text; }, 3000)) << m_box->GetValue();
            Settle();
        }
        ASSERT_TRUE(WaitUntil([&] { return m_dlg->IsShown(); }, 3000));
        EXPECT_EQ(m_dlg->ListsShortcuts(), list.shortcuts);
        sim.Char(WXK_ESCAPE);
        EXPECT_TRUE(WaitUntil([&] { return !m_dlg->IsShown(); }, 3000));
        EXPECT_TRUE(m_box->HasFocus());
        EXPECT_EQ(m_box->GetValue(), text);
    }
    m_dlg->AttachCatalogue(nullptr);
}

// A newcomer types at once after start: whether the service cannot be reached
// or is slow, every key reaches the keyword box and Enter searches the words
// typed; the failure is said in the status bar, never in a message box (the
// test run fails any box).
TEST_F(SuggestionFrameTest, TypingAtOnceAfterStartKeepsEveryKey)
{
    TestHttpServer slow([](const HttpRequest&) {
        HttpResponse r;
        r.noReply = true;
        return r;
    });
    SuggDlg::SetTimeoutForTesting(1);
    const struct
    {
        const char* name;
        std::string host;
        const char* status;
    } services[] = {
        {"unreachable", "127.0.0.1:" + std::to_string(ClosedPort()),
         "An unknown error occurred while getting suggetions. Please check your internet connection "
         "and try again.  Suggestions are off: the suggestion service cannot be reached."},
        {"slow", slow.HostPort(), "The suggestion service did not answer in time."},
    };
    for (const auto& service : services)
    {
        SCOPED_TRACE(service.name);
        OpenFrame();
        ConfigStore::Get()->Write(wxString("/") + PreferenceKey::SuggHost, wxString(service.host));
        Prefs()->m_nEnableSuggestion = 1;
        m_frame->Raise();
        wxComboBox* box = KeywordBox();
        ASSERT_TRUE(WaitUntil([&] { return box->HasFocus(); }, 3000));
        box->SelectAll();
        wxUIActionSimulator sim;
        sim.Text("sea otter");
        EXPECT_TRUE(WaitUntil([&] { return box->GetValue() == "sea otter"; }, 5000)) << box->GetValue();
        EXPECT_TRUE(WaitUntil([&] { return StatusBar()->GetStatusText(0) == service.status; }, 8000))
            << StatusBar()->GetStatusText(0);
        EXPECT_TRUE(box->HasFocus());
        sim.Char(WXK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return box->GetCount() > 0 && box->GetString(0) == "sea otter"; }, 5000));
        EXPECT_TRUE(WaitIdle());
        slow.ReleaseHeld();
        CloseFrame();
        ConfigStore::Close();
    }
    EXPECT_TRUE(WaitUntil([] { return SuggThread::LiveCount() == 0; }, 15000));
    SuggDlg::SetTimeoutForTesting(10);
    slow.Stop();
}
