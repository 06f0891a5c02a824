// Hostile and damaged catalogue files, huge keywords, and a save killed half
// way: the program must neither crash nor lose the user's catalogue.
#include "store/ConfigStore.h"
#include "catalogue/EngineManager.h"
#include "base/KeywordEncoding.h"

#include "TestEnvironment.h"

#include <wx/confbase.h>
#include <wx/init.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <csignal>
#include <random>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace
{
std::string EngineXml(int i, const std::string& name)
{
    return "<ENGINE><INDEX>" + std::to_string(i) +
           "</INDEX><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>" + name +
           "</NAME><URL>https://e" + std::to_string(i) +
           ".test/?q=*</URL><ENCODING>UTF-8</ENCODING><ENABLE>1</ENABLE></ENGINE>\n";
}

std::string Catalogue(const std::string& engines)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>\n" + engines + "</ENGINES>\n";
}

std::string ManyEngines(int count, const std::string& prefix)
{
    std::string engines;
    for (int i = 0; i < count; ++i)
        engines += EngineXml(i, prefix + std::to_string(i));
    return Catalogue(engines);
}

// Loads `bytes` as conf/config.xml in a fresh sandbox; adds one engine and saves.
struct Damaged
{
    explicit Damaged(const std::string& bytes)
    {
        MakeDirs(sandbox.File("conf"));
        WriteFileBytes(sandbox.File("conf/config.xml"), bytes);
        manager.Load();
    }
    TestSandbox sandbox;
    EngineManager manager;
};
} // namespace

TEST(CatalogueRobustness, DamagedFilesLoadEmptyAndAreKeptAside)
{
    std::mt19937 rng(7);
    std::string junk(64 * 1024, '\0');
    for (char& c : junk)
        c = static_cast<char>(rng());
    const std::pair<const char*, std::string> cases[] = {
        {"zero bytes", ""},
        {"binary junk", junk},
        {"truncated", Catalogue(EngineXml(1, "a")).substr(0, 60)},
        {"comment before the first engine",
         Catalogue("<!-- mine -->\n" + EngineXml(1, "Hidden"))},
    };
    for (const auto& [label, bytes] : cases)
    {
        SCOPED_TRACE(label);
        Damaged d(bytes);
        EXPECT_TRUE(d.manager.m_engines.empty());
        auto engine = std::make_unique<Engine>();
        engine->m_strName = "New";
        d.manager.AddEngine(std::move(engine));
        ASSERT_TRUE(d.manager.Save());

        // What the user had is never silently lost.
        const std::string bak = d.sandbox.File("conf/config.xml.bak");
        const bool wellFormed = std::string(label) == "comment before the first engine";
        if (!wellFormed)
        {
            EXPECT_EQ(ReadFileBytes(bak), bytes);
        }

        EngineManager reloaded;
        reloaded.SetFileName(wxString::FromUTF8(d.sandbox.File("conf/config.xml")));
        reloaded.Load();
        ASSERT_FALSE(reloaded.m_engines.empty());
        EXPECT_EQ(reloaded.m_engines.back()->m_strName, "New");
    }
}

TEST(CatalogueRobustness, HugeNamesAndManyEnginesRoundTrip)
{
    {
        SCOPED_TRACE("a 10 MB engine name");
        const std::string name(10 * 1024 * 1024, 'n');
        Damaged d(Catalogue(EngineXml(1, name)));
        ASSERT_EQ(d.manager.m_engines.size(), 1u);
        EXPECT_EQ(d.manager.m_engines[0]->m_strName.length(), name.size());
        d.manager.EngineChanged(d.manager.m_engines[0].get());
        ASSERT_TRUE(d.manager.Save());
        EngineManager reloaded;
        reloaded.Load();
        ASSERT_EQ(reloaded.m_engines.size(), 1u);
        EXPECT_EQ(reloaded.m_engines[0]->m_strName.length(), name.size());
    }
    {
        SCOPED_TRACE("100,000 engines");
        Damaged d(ManyEngines(100000, "e"));
        ASSERT_EQ(d.manager.m_engines.size(), 100000u);
        EXPECT_EQ(d.manager.GetEngines("english", "WEB", false).size(), 100000u);
        EXPECT_EQ(d.manager.GetMaxIndex(), 99999);
        d.manager.RemoveEngine(d.manager.m_engines[500].get());
        ASSERT_TRUE(d.manager.Save());
        EngineManager reloaded;
        reloaded.Load();
        EXPECT_EQ(reloaded.m_engines.size(), 99999u);
    }
}

TEST(CatalogueRobustness, HugeAndControlCharacterKeywordsEncodeWhole)
{
    {
        SCOPED_TRACE("100,000 characters");
        const wxString keyword(wxUniChar(0x4E2D), 100000);
        const wxString url = BuildSearchUrl("https://e.test/?q=*&n=1", keyword, "UTF-8");
        EXPECT_EQ(url.length(), wxString("https://e.test/?q=&n=1").length() + 100000 * 9);
        EXPECT_TRUE(url.EndsWith("%ad&n=1"));
    }
    {
        SCOPED_TRACE("control characters");
        wxString keyword;
        for (int c = 1; c < 32; ++c)
            keyword += wxUniChar(c);
        keyword += wxUniChar(0x7F);
        wxString encoded;
        EncodeKeyword(keyword, "", encoded);
        EXPECT_EQ(encoded.Left(9), "%01%02%03");
        EXPECT_TRUE(encoded.EndsWith("%1f%7f"));
        EXPECT_EQ(encoded.length(), 32u * 3);
    }
}

// Runs `save` after `prepare` in child processes killed with SIGKILL, one
// kill in each of `Kills` equal slices of the time from the start of the save
// to half its length again after its end (at a random point of the slice):
// `file` must always hold either `oldBytes` or what a complete save writes,
// never a mix, a truncated file or nothing. Slices rather than random moments
// cover the whole save with few kills, each a costly fork, load and sync.
void KillDuringSave(const std::string& file, const std::string& oldBytes,
                    const std::function<void()>& prepare, const std::function<bool()>& save)
{
    // One complete save, in a child as well: the test process keeps no state.
    WriteFileBytes(file, oldBytes);
    int timing[2];
    ASSERT_EQ(::pipe(timing), 0);
    const pid_t measured = ::fork();
    ASSERT_GE(measured, 0);
    if (measured == 0)
    {
        prepare();
        const auto start = std::chrono::steady_clock::now();
        const long micros = save() ? static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                           std::chrono::steady_clock::now() - start)
                                                           .count())
                                   : -1;
        ::_exit(::write(timing[1], &micros, sizeof micros) == sizeof micros ? 0 : 1);
    }
    ::close(timing[1]);
    long saveMicros = -1;
    ASSERT_EQ(static_cast<ssize_t>(sizeof saveMicros), ::read(timing[0], &saveMicros, sizeof saveMicros));
    ::close(timing[0]);
    ::waitpid(measured, nullptr, 0);
    ASSERT_GE(saveMicros, 0) << "the complete save failed";
    const std::string newBytes = ReadFileBytes(file);
    ASSERT_NE(newBytes, oldBytes);

    constexpr int Kills = 24;
    const long slice = std::max(1L, saveMicros * 3 / 2 / Kills);
    std::mt19937 rng(42);
    int sawOld = 0, sawNew = 0;
    for (int round = 0; round < Kills; ++round)
    {
        WriteFileBytes(file, oldBytes);
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
        {
            ::close(ready[0]);
            prepare();
            const char go = 1;
            if (::write(ready[1], &go, 1) != 1)
                ::_exit(1);
            save();
            ::_exit(0);
        }
        ::close(ready[1]);
        char go = 0;
        ASSERT_EQ(::read(ready[0], &go, 1), 1);
        ::close(ready[0]);
        ::usleep(static_cast<useconds_t>(
            round * slice + std::uniform_int_distribution<long>(0, slice - 1)(rng)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        const std::string now = ReadFileBytes(file);
        if (now == oldBytes)
            ++sawOld;
        else if (now == newBytes)
            ++sawNew;
        else
            FAIL() << "round " << round << ": the file is neither old nor new (" << now.size()
                   << " bytes)";
    }
    std::printf("killed saves: %d left the old file, %d the new one\n", sawOld, sawNew);
}

// The program killed at any moment of a save keeps the user's catalogue and
// preferences (with the keyword history) complete.
TEST(CatalogueRobustness, KilledDuringSaveLeavesOldOrNewFiles)
{
    wxInitializer wx;
    TestSandbox sandbox;
    {
        SCOPED_TRACE("the catalogue");
        MakeDirs(sandbox.File("conf"));
        auto manager = std::make_shared<EngineManager>();
        KillDuringSave(
            sandbox.File("conf/config.xml"), ManyEngines(3000, "old"),
            [manager] {
                manager->Load();
                manager->m_engines[0]->m_strName = "changed";
                manager->EngineChanged(manager->m_engines[0].get());
            },
            [manager] { return manager->Save(); });
    }
    {
        SCOPED_TRACE("the preference store");
        std::string oldStore = "ui_language=default\n[keyword]\n";
        for (int i = 0; i < 5000; ++i)
            oldStore += std::to_string(i) + "=old keyword " + std::to_string(i) + "\n";
        MakeDirs(sandbox.File(".config/Orvane"));
        KillDuringSave(
            sandbox.File(".config/Orvane/Orvane.conf"), oldStore,
            [] {
                wxConfigBase* store = ConfigStore::Get();
                store->SetPath("/keyword");
                for (int i = 0; i < 5000; ++i)
                    store->Write(wxString::Format("%d", i), wxString::Format("new keyword %d", i));
                store->SetPath("/");
            },
            [] { return ConfigStore::Get()->Flush(); });
    }
}
