// The version-check worker against a loopback server, and the main window's
// start page built from what it hands over.
#include "GuiTest.h"
#include "frame/OrvaneFrameAccess.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "TestTls.h"

#include "about/CheckVerThread.h"
#include "store/ConfigStore.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"
#include "pages/StartPage.h"
#include "about/VersionCheckLink.h"

#include <wx/confbase.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/translation.h>
#include <wx/msgdlg.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

namespace
{
const char* const PAGE_PATH = "/p/keldrin/wiki/OrvaneVersion";
const char* const UNKNOWN = "An unknown error occurred while checking for updates.";

// Stands in for the main window: collects what the worker hands over.
class VersionCheckTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_link = std::make_shared<VersionCheckLink>(&m_target, [this](const wxString& version) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_versions.push_back(version);
        });
    }

    void TearDown() override
    {
        for (auto& thread : m_threads)
            thread->Wait();
    }

    void Start(const std::string& hostSpec)
    {
        m_threads.push_back(std::make_unique<CheckVerThread>(m_link, wxString::FromUTF8(hostSpec)));
        ASSERT_EQ(m_threads.back()->Run(), wxTHREAD_NO_ERROR);
    }

    bool Finished(int timeoutMs = 20000)
    {
        return WaitUntil([&] { return m_link->IsFinished(); }, timeoutMs);
    }

    std::vector<wxString> Versions()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_versions;
    }

    wxEvtHandler m_target;
    std::shared_ptr<VersionCheckLink> m_link;
    std::mutex m_mutex;
    std::vector<wxString> m_versions;
    std::atomic<int> m_shown{0};
    std::vector<std::unique_ptr<CheckVerThread>> m_threads;  // joinable: waited for at the end
};
} // namespace

TEST_F(VersionCheckTest, HandsOverTheVersionLine)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.body = "<html>\nLatest release:\n<b>$ 5.9.30.0 $</b>\n$9.9.9$\n";
        return response;
    });
    Start(server.HostPort());
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Versions(), std::vector<wxString>{" 5.9.30.0 "});

    const std::vector<HttpRequest> requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "GET");
    EXPECT_EQ(requests[0].target, PAGE_PATH);
    EXPECT_EQ(wxString(requests[0].headers.at("connection")).Lower(), "close");

    SCOPED_TRACE("a whole https address of the page");
    ScopedEnv ca("SSL_CERT_FILE", TestTls::Get().CaFile().c_str());
    TestHttpServer tls([](const HttpRequest&) {
        HttpResponse response;
        response.body = "$6.0$\n";
        return response;
    }, TestHttpServer::Transport::Tls);
    m_link = std::make_shared<VersionCheckLink>(&m_target, [this](const wxString& version) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_versions.push_back(version);
    });
    Start(tls.Url("/version.txt"));
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Versions().back(), "6.0");
    EXPECT_EQ(tls.Requests().at(0).target, "/version.txt");
}

TEST_F(VersionCheckTest, PageWithoutDollarSignHandsOverEmptyText)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.body = "moved to another wiki\n";
        return response;
    });
    Start(server.HostPort());
    ASSERT_TRUE(Finished());
    EXPECT_EQ(Versions(), std::vector<wxString>{""});
}

TEST_F(VersionCheckTest, ServerErrorShowsTheStatus)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.status = 500;
        response.body = "$6.0$\n";
        return response;
    });
    wxTEST_DIALOG(
        {
            Start(server.HostPort());
            EXPECT_TRUE(Finished());
            EXPECT_TRUE(WaitUntil([&] { return m_shown > 0; }));
        },
        ExpectMessage(wxString(UNKNOWN) + "\nHTTP request failed, got HTTP response 500.",
                      "Orvane", &m_shown));
    EXPECT_EQ(m_shown, 1);
    EXPECT_TRUE(Versions().empty()) << "nothing is handed over after a failure";
}

TEST_F(VersionCheckTest, UnreachableHostAsksToCheckTheConnection)
{
    const wxString expected =
        wxString(UNKNOWN) + "\nPlease check your internet connection and try again.";
    {
        SCOPED_TRACE("nothing listens on the port");
        wxTEST_DIALOG(
            {
                Start("127.0.0.1:" + std::to_string(ClosedPort()));
                EXPECT_TRUE(Finished());
                EXPECT_TRUE(WaitUntil([&] { return m_shown > 0; }));
            },
            ExpectMessage(expected, "Orvane", &m_shown));
    }
    EXPECT_TRUE(Versions().empty());
    {
        SCOPED_TRACE("a host setting that is no host:port");
        SetUp();
        m_shown = 0;
        wxTEST_DIALOG(
            {
                Start("127.0.0.1:http");
                EXPECT_TRUE(Finished());
                EXPECT_TRUE(WaitUntil([&] { return m_shown > 0; }));
            },
            ExpectMessage(expected, "Orvane", &m_shown));
    }
}

TEST_F(VersionCheckTest, DetachedWorkerHandsNothingOver)
{
    {
        SCOPED_TRACE("stalled before the reply: released after the window went away");
        TestHttpServer server([](const HttpRequest&) {
            HttpResponse response;
            response.holdUntilReleased = true;
            response.body = "$6.0$\n";
            return response;
        });
        Start(server.HostPort());
        ASSERT_TRUE(server.WaitForRequests(1, 10000));
        m_link->Detach();
        server.ReleaseHeld();
        GTestDialogHook noDialogs(__FILE__, __LINE__, __func__);
        EXPECT_TRUE(Finished());
        DrainEvents();
        EXPECT_TRUE(Versions().empty());
    }
    {
        SCOPED_TRACE("a page that never ends: the worker stops soon after detaching");
        SetUp();
        TestHttpServer server([](const HttpRequest&) {
            HttpResponse response;
            response.streamForever = true;
            response.body = "no version here ";
            return response;
        });
        Start(server.HostPort());
        ASSERT_TRUE(server.WaitForRequests(1, 10000));
        ASSERT_TRUE(WaitUntil([&] { return server.DripsSent() >= 5; }));
        EXPECT_FALSE(m_link->IsFinished());
        m_link->Detach();
        EXPECT_TRUE(Finished(5000)) << "still reading an endless page after detaching";
        EXPECT_TRUE(Versions().empty());
        server.Stop();
    }
}

// The real main window: the check starts from its constructor and the timer
// writes the start page once.
class StartPageFrameTest : public OrvaneFrameAccess
{
protected:
    void SetUp() override
    {
        MakeDirs(m_sandbox.File("conf"));
        WriteFileBytes(m_sandbox.File("conf/config.xml"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n"
                       "  <ENGINE><INDEX>1</INDEX><LANGUAGE>English</LANGUAGE>"
                       "<CATEGORY>Web</CATEGORY><NAME>Kilo</NAME>"
                       "<URL>http://127.0.0.1:9/kilo?q=*</URL><ENCODING>UTF-8</ENCODING>"
                       "<ENABLE>1</ENABLE></ENGINE>\n</ENGINES>\n");
        WriteFileBytes(m_sandbox.File("conf/index.htm"), "as installed");
        WriteFileBytes(m_sandbox.File("conf/index_tpl.htm"), "<p>$your_version$</p><p>$latest_version$</p>");
        std::error_code ec;
        std::filesystem::create_directory_symlink(std::string(ORVANE_STAGE_DIR) + "/img",
                                                  m_sandbox.File("img"), ec);
        ProgramFolder::OverrideForTesting(wxString::FromUTF8(m_sandbox.Path()));
        ConfigStore::Open();
        Preference::Release();
    }

    void TearDown() override
    {
        CloseFrame();
        ProgramFolder::OverrideForTesting(wxString());
        Preference::Release();
        ConfigStore::Close();
    }

    void OpenFrame(const std::string& host)
    {
        ConfigStore::Get()->Write("version_host", wxString::FromUTF8(host));
        m_frame = new OrvaneFrame(nullptr);
        m_frame->Show();
    }

    std::string Page() { return ReadFileBytes(m_sandbox.File("conf/index.htm")); }

    // Waits for the window's timer (which polls for the version) to tick.
    bool TimerTicks(int count)
    {
        int ticks = 0;
        auto tick = [&](wxTimerEvent& event) {
            ++ticks;
            event.Skip();  // the window's own handler runs after this one
        };
        m_frame->Bind(wxEVT_TIMER, tick, OrvaneFrame::ID_TIMER);
        const bool ticked = WaitUntil([&] { return ticks >= count; });
        m_frame->Unbind(wxEVT_TIMER, tick, OrvaneFrame::ID_TIMER);
        return ticked;
    }

    TestSandbox m_sandbox;
};

TEST_F(StartPageFrameTest, WritesThePageOnceWithBothVersions)
{
    WriteFileBytes(m_sandbox.File("conf/index_tpl.htm"),
                   "<p>$your_version$</p><p>$latest_version$</p><p>again: $your_version$</p>");
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.body = "Current version: $6.0.1$\n";
        response.holdUntilReleased = true;
        return response;
    });
    OpenFrame(server.HostPort());
    // Written at start-up already, before the check has answered.
    EXPECT_EQ(Page(), "<p>Your Version - 5.9.22.0</p><p>Latest Version - not checked yet</p>"
                      "<p>again: $your_version$</p>");
    server.ReleaseHeld();
    ASSERT_TRUE(WaitUntil([&] { return VersionShown(); }));
    EXPECT_EQ(Page(), "<p>Your Version - 5.9.22.0</p><p>Latest Version - 6.0.1</p>"
                      "<p>again: $your_version$</p>");
    EXPECT_TRUE(VersionShown());

    SCOPED_TRACE("the timer keeps running but the page is not written again");
    WriteFileBytes(m_sandbox.File("conf/index.htm"), "left alone");
    ASSERT_TRUE(TimerTicks(3));
    EXPECT_EQ(Page(), "left alone");
    EXPECT_EQ(server.RequestCount(), 1u);
}

TEST_F(StartPageFrameTest, NoHostNoCheck)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.body = "$6.0.1$\n";
        return response;
    });
    GTestDialogHook noDialogs(__FILE__, __LINE__, __func__);
    OpenFrame("");
    ASSERT_TRUE(TimerTicks(2));
    EXPECT_EQ(VersionLink(), nullptr);
    EXPECT_EQ(Page(), "<p>Your Version - 5.9.22.0</p><p>Latest Version - not checked yet</p>");
    EXPECT_EQ(server.RequestCount(), 0u);
}

TEST_F(StartPageFrameTest, WrittenAtStartInTheInterfaceLanguage)
{
    const std::string shipped = ReadFileBytes(std::string(ORVANE_SOURCE_DIR) + "/conf/index_tpl.htm");
    ASSERT_FALSE(shipped.empty());
    WriteFileBytes(m_sandbox.File("conf/index_tpl.htm"), shipped);
    wxFileTranslationsLoader::AddCatalogLookupPathPrefix(std::string(ORVANE_STAGE_DIR) + "/locales");
    for (const auto& [language, tag] : {std::pair<int, const char*>{wxLANGUAGE_CHINESE_SIMPLIFIED, "zh-CN"},
                                        {wxLANGUAGE_CHINESE_TRADITIONAL, "zh-TW"},
                                        {wxLANGUAGE_JAPANESE, "ja-JP"}})
    {
        SCOPED_TRACE(tag);
        wxLogNull quiet;  // the C library may lack the locale itself
        wxLocale locale;
        locale.Init(language);
        ASSERT_TRUE(locale.AddCatalog("Orvane"));
        OpenFrame("");
        const wxString page = wxString::FromUTF8(Page());
        CloseFrame();
        EXPECT_FALSE(page.Contains(StartPage::TextMarkPrefix)) << "a text mark was left";
        EXPECT_TRUE(page.Contains(wxString("<html lang=\"") + tag + "\">"));
        for (const char* english : {"Welcome to Orvane", "How it works", "Back / forward"})
        {
            EXPECT_FALSE(page.Contains(english));
            EXPECT_TRUE(page.Contains(wxGetTranslation(english)));
        }
        EXPECT_TRUE(page.Contains(wxGetTranslation("Latest Version - ") +
                                  wxGetTranslation("not checked yet")));
        EXPECT_TRUE(page.Contains(wxGetTranslation("Your Version - ") + "5.9.22.0"));
    }
}

TEST_F(StartPageFrameTest, ClosingWhileTheServerStallsIsSafe)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.holdUntilReleased = true;
        response.body = "$6.0.1$\n";
        return response;
    });
    OpenFrame(server.HostPort());
    ASSERT_TRUE(server.WaitForRequests(1, 10000));
    const std::shared_ptr<VersionCheckLink> link = VersionLink();
    ASSERT_NE(link, nullptr);
    GTestDialogHook noDialogs(__FILE__, __LINE__, __func__);
    CloseFrame();  // must not wait for the server
    EXPECT_TRUE(link->IsDetached());
    // The worker gave up its request while the window closed, with the server
    // still holding its answer: no thread outlives the window.
    EXPECT_TRUE(link->IsFinished());
    EXPECT_EQ(server.RequestCount(), 1u);
    server.ReleaseHeld();
    DrainEvents();
    EXPECT_EQ(Page(), "<p>Your Version - 5.9.22.0</p><p>Latest Version - not checked yet</p>");
}
