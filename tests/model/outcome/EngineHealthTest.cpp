// Each engine's recent outcomes: bounded, private, following an engine
// through an edit of its name or address, gone with the engine.
#include "outcome/EngineHealth.h"

#include "catalogue/Engine.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <map>

#include <sys/stat.h>

namespace
{
Engine MakeEngine(const char* name, const char* url)
{
    Engine engine;
    engine.m_strName = name;
    engine.m_strUrl = url;
    engine.m_strLanguage = "English";
    engine.m_strCategory = "Web";
    return engine;
}
} // namespace

TEST(EngineHealth, FailingMeansThreeFailuresErrorsOrBotChecksInARow)
{
    // R results, E empty, C consent, F failed, H error status, B bot check.
    const std::map<char, PageOutcome> kinds = {{'R', PageOutcome::Results}, {'E', PageOutcome::Empty},
                                               {'C', PageOutcome::Consent}, {'F', PageOutcome::Failed},
                                               {'H', PageOutcome::HttpError}, {'B', PageOutcome::BotCheck}};
    for (const auto& [outcomes, failing] : std::map<std::string, bool>{
             {"FHB", true}, {"RFFF", true}, {"EEE", false}, {"FEF", false}, {"BBC", false}, {"FFFR", false}, {"FF", false}})
    {
        SCOPED_TRACE(outcomes);
        std::vector<EngineHealth::Entry> history;
        for (char kind : outcomes)
            history.push_back({kinds.at(kind), 0, 0});
        EXPECT_EQ(EngineHealth::IsFailing(history), failing);
    }
}

TEST(EngineHealth, KeepsTheLastOutcomesPrivatelyAndFollowsEdits)
{
    TempDir dir;
    const wxString path = wxString(dir.File("conf/engine_health.json"));
    Engine alpha = MakeEngine("Alpha", "https://alpha.example/?q=*");
    Engine beta = MakeEngine("Beta", "https://beta.example/?q=*");
    {
        EngineHealth health(path);
        ASSERT_TRUE(health.Load());
        for (int i = 0; i < 25; ++i)
            health.Record(alpha, i < 22 ? PageOutcome::Results : PageOutcome::BotCheck, 10 + i, 1000 + i);
        health.Record(beta, PageOutcome::Empty, 0, 5);
        ASSERT_TRUE(health.Save({&alpha, &beta}));
    }
    struct stat st{};
    ASSERT_EQ(0, ::stat(dir.File("conf/engine_health.json").c_str(), &st));
    EXPECT_EQ(0600u, st.st_mode & 0777u);

    EngineHealth health(path);
    ASSERT_TRUE(health.Load());
    {
        SCOPED_TRACE("bounded, oldest dropped, failing after three without results");
        const auto history = health.History(alpha);
        ASSERT_EQ(EngineHealth::Kept, history.size());
        EXPECT_EQ(1005, history.front().when);
        EXPECT_EQ(17, EngineHealth::ResultCount(history));
        EXPECT_TRUE(EngineHealth::IsFailing(history));
        EXPECT_EQ(23, health.UsualLinks(alpha));  // the median of 15..31
    }
    {
        SCOPED_TRACE("a renamed engine keeps its history, so does one with a new address");
        Engine renamed = alpha;
        renamed.m_strName = "Alpha Search";
        EXPECT_EQ(EngineHealth::Kept, health.History(renamed).size());
        Engine moved = beta;
        moved.m_strUrl = "https://beta.example/search?q=*";
        EXPECT_EQ(1u, health.History(moved).size());
    }
    {
        SCOPED_TRACE("a deleted engine's history goes at the next save");
        ASSERT_TRUE(health.Save({&alpha}));
        EngineHealth again(path);
        ASSERT_TRUE(again.Load());
        EXPECT_TRUE(again.History(beta).empty());
        EXPECT_FALSE(again.History(alpha).empty());
    }
    {
        SCOPED_TRACE("a file that is not ours is an empty history, not a crash");
        WriteFileBytes(dir.File("conf/engine_health.json"), "{\"engines\":[{\"outcomes\":[{\"outcome\":\"boom\"}]},7]}");
        EngineHealth broken(path);
        EXPECT_TRUE(broken.Load());
        EXPECT_TRUE(broken.History(alpha).empty());
        WriteFileBytes(dir.File("conf/engine_health.json"), "not json");
        EXPECT_FALSE(broken.Load());
        SCOPED_TRACE("and is kept aside, never overwritten by the next save");
        EXPECT_EQ(wxString(dir.File("conf/engine_health.json.bak")), broken.GetSetAside());
        EXPECT_EQ("not json", ReadFileBytes(dir.File("conf/engine_health.json.bak")));
        EXPECT_TRUE(broken.Save({&alpha}));
        EngineHealth next(path);
        EXPECT_TRUE(next.Load());
        EXPECT_TRUE(next.GetSetAside().empty());
    }
}

TEST(EngineHealth, EnginesWithOneAddressNeverShareARecord)
{
    TempDir dir;
    EngineManager catalogue;
    for (const char* name : {"One", "Two", "Three"})
        catalogue.m_engines.push_back(std::make_unique<Engine>(MakeEngine(name, "https://same.example/?q=*")));
    EngineHealth health(wxString(dir.File("engine_health.json")));
    health.SetCatalogue(&catalogue);
    for (const auto& engine : catalogue.m_engines)
        health.Record(*engine, PageOutcome::Results, 5, 1);
    for (const auto& engine : catalogue.m_engines)
        EXPECT_EQ(1u, health.History(*engine).size()) << engine->m_strName;
    // Renamed, it is still the only one with its old record's pair gone.
    catalogue.m_engines[1]->m_strName = "Deux";
    EXPECT_EQ(1u, health.History(*catalogue.m_engines[1]).size());
}
