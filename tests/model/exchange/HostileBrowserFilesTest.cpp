// Browser files made to hurt: nested without end, endless views, too many
// or too large engines, pipes instead of files, control characters meant for
// the terminal. Each is refused or cut with a note, quickly and whole.
#include "catalogue/EngineManager.h"
#include "exchange/BrowserProfiles.h"
#include "exchange/ChromiumWebData.h"
#include "exchange/EngineImport.h"
#include "exchange/FirefoxSearchFile.h"
#include "exchange/ImportLimits.h"
#include "instance/EngineCommand.h"

#include "BrowserFiles.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
std::string Engines(const std::vector<std::string>& entries)
{
    std::string json = R"({"version":6,"engines":[)";
    for (size_t i = 0; i < entries.size(); ++i)
        json += (i ? "," : "") + entries[i];
    return json + R"(],"metaData":{}})";
}

bool Contains(const std::vector<wxString>& lines, const wxString& text)
{
    for (const wxString& line : lines)
        if (line.Contains(text))
            return true;
    return false;
}

bool HasRawControl(const std::vector<wxString>& lines)
{
    for (const wxString& line : lines)
        for (wxUniChar c : line)
            if ((c.GetValue() < 0x20 && c != '\t') || (c.GetValue() >= 0x7F && c.GetValue() <= 0x9F) ||
                c.GetValue() == 0x202E)
                return true;
    return false;
}
} // namespace

TEST(HostileBrowserFiles, DeepLocalStateNamesProfilesWithoutRecursion)
{
    TestSandbox sandbox;
    AddChromiumProfile(sandbox.Path(), ".config/chromium", "Default", "unused",
                       {{"One", "o", "https://one.test/?q={searchTerms}", "", "", ""}});
    // The name is found beside a value nested a million deep.
    const size_t depth = 1000000;
    WriteFileBytes(sandbox.File(".config/chromium/Local State"),
                   R"({"profile":{"info_cache":{"Default":{"deep":)" + std::string(depth, '[') +
                       std::string(depth, ']') + R"(,"name":"Me"}}}})");
    const auto profiles = BrowserProfiles::Find(wxString::FromUTF8(sandbox.Path()));
    ASSERT_EQ(1u, profiles.size());
    EXPECT_EQ("Me", profiles[0].name);
    EXPECT_EQ(1u, BrowserProfiles::CountEngines(profiles[0]));
}

TEST(HostileBrowserFiles, OnlyARealKeywordsTableIsReadAndWithinLimits)
{
    TempDir dir;
    {
        SCOPED_TRACE("a recursive view named keywords is not read");
        sqlite3* db = nullptr;
        sqlite3_open(dir.File("view").c_str(), &db);
        sqlite3_exec(db,
                     "CREATE VIEW keywords AS WITH RECURSIVE r(id) AS (SELECT 1 UNION ALL SELECT id + 1 FROM r) "
                     "SELECT id, 'n' AS short_name, 'k' AS keyword, 'https://v.test/?q={searchTerms}' AS url, "
                     "'' AS input_encodings, '' AS suggest_url, '' AS search_url_post_params FROM r",
                     nullptr, nullptr, nullptr);
        sqlite3_close(db);
        std::vector<BrowserEngine> engines;
        ImportMessage error;
        EXPECT_FALSE(ChromiumWebData::Read(wxString::FromUTF8(dir.File("view")), engines, error));
        EXPECT_EQ("The browser's engine file holds no engine table.", error.Text(false));
    }
    {
        SCOPED_TRACE("1,500 rows, a long name, a long address, a line break in an address");
        std::vector<WebDataRow> rows;
        rows.push_back({std::string(300, 'N'), "", "https://long.test/?q={searchTerms}", "", "", ""});
        rows.push_back({"Far", "", "https://far.test/?q={searchTerms}&x=" + std::string(9000, 'x'), "", "", ""});
        rows.push_back({"Break", "", "https://nl.example/\n?q={searchTerms}", "", "", ""});
        for (int i = 0; i < 1500; ++i)
            rows.push_back({"E" + std::to_string(i), "", "https://e.test/?q={searchTerms}&i=" + std::to_string(i),
                            "", "", ""});
        ASSERT_TRUE(WriteWebData(dir.File("many"), rows));
        std::vector<BrowserEngine> engines;
        ImportMessage error, note;
        ASSERT_TRUE(ChromiumWebData::Read(wxString::FromUTF8(dir.File("many")), engines, error, &note));
        EXPECT_EQ(ImportLimits::MaxEngines, engines.size());
        EXPECT_EQ("Only the first 1,000 engines of a profile or file are read.", note.Text(false));
        EXPECT_TRUE(engines[0].problem.Text(false).Contains("longer than 256 characters"));
        EXPECT_LE(engines[0].engine.m_strName.length(), ImportLimits::MaxNameChars + 1);
        EXPECT_EQ("An address of \"Far\" is longer than 8 KB.", engines[1].problem.Text(false));
        EXPECT_EQ("The name or the search address of \"Break\" contains control characters.",
                  engines[2].problem.Text(false));
        EXPECT_TRUE(engines[3].problem.IsEmpty());
    }
}

TEST(HostileBrowserFiles, FirefoxFilesAreCutToTheLimits)
{
    std::vector<std::string> entries;
    entries.push_back(FirefoxEngineJson(std::string(300, 'N'), "https://long.test/?q={searchTerms}", ""));
    entries.push_back(FirefoxEngineJson("Far", "https://far.test/?q={searchTerms}&x=" + std::string(9000, 'x'), ""));
    entries.push_back(FirefoxEngineJson("Break", "https://nl.example/\n?q={searchTerms}", ""));
    entries.push_back(R"({"_name":"Deep","_metaData":)" + std::string(100000, '[') + std::string(100000, ']') +
                      R"(,"_urls":[{"template":"https://deep.test/?q={searchTerms}","type":"text/html"}]})");
    for (int i = 0; i < 1200; ++i)
        entries.push_back(FirefoxEngineJson("E" + std::to_string(i), "https://e.test/?q={searchTerms}", ""));
    std::vector<BrowserEngine> engines;
    ImportMessage error, note;
    ASSERT_TRUE(FirefoxSearchFile::Read(MozLz4(Engines(entries)), engines, error, &note)) << error.Text(false);
    EXPECT_EQ(ImportLimits::MaxEngines, engines.size());
    EXPECT_EQ("Only the first 1,000 engines of a profile or file are read.", note.Text(false));
    EXPECT_TRUE(engines[0].problem.Text(false).Contains("longer than 256 characters"));
    EXPECT_EQ("An address of \"Far\" is longer than 8 KB.", engines[1].problem.Text(false));
    EXPECT_EQ("The name or the search address of \"Break\" contains control characters.",
              engines[2].problem.Text(false));
    EXPECT_EQ("https://deep.test/?q=*", engines[3].engine.m_strUrl);
}

// A pipe named as a file: refused at once. On a reader that waits for a
// writer, the helper opens the other end after a while, so the test fails
// rather than hangs.
TEST(HostileBrowserFiles, PipesAndDevicesAreRefusedWithoutWaiting)
{
    TempDir dir;
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    std::thread unblocker([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (!done.wait_for(lock, std::chrono::seconds(5), [&] { return finished; }))
        {
            const int fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    });
    EngineImport import;
    import.AddFile(wxString::FromUTF8(fifo));
    import.AddFile("/dev/null");
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_all();
    unblocker.join();
    const std::vector<wxString> lines = import.ReportLines();
    ASSERT_EQ(2u, lines.size());
    for (const wxString& line : lines)
        EXPECT_TRUE(line.EndsWith("Only ordinary files can be imported; this is a pipe, device or socket."))
            << line;
}

TEST(HostileBrowserFiles, ControlCharactersNeverReachTheTerminal)
{
    TestSandbox sandbox;
    const std::string evil = "Evil\x1b]0;title\x07\x1b[2J\xe2\x80\xae";
    AddChromiumProfile(sandbox.Path(), ".config/chromium", "Default", evil,
                       {{evil, "", "https://evil.test/?q={searchTerms}", "", "", ""},
                        {"Break", "", "https://nl.example/\n?q={searchTerms}", "", "", ""}});
    EngineManager catalogue;
    for (const char* action : {"--list-browsers", "--import-browser"})
    {
        SCOPED_TRACE(action);
        wxArrayString args;
        args.push_back(action);
        const EngineCommand::Reply reply = EngineCommand::Run(CommandLine::Parse(args), catalogue, "L", "C");
        ASSERT_FALSE(reply.out.empty());
        EXPECT_FALSE(HasRawControl(reply.out));
        EXPECT_FALSE(HasRawControl(reply.err));
        EXPECT_TRUE(Contains(reply.out, "Evil\\x1b]0;title\\x07\\x1b[2J\\u202e"));
    }
    // Neither the name with control characters nor the address with a line break came in.
    EXPECT_TRUE(catalogue.m_engines.empty());
}
