// The reader on reports recorded from the fixture pages (the GUI test
// records them), and on reports a hostile page could hand back.
#include "found/ResultReader.h"

#include "ResultFixtures.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

TEST(ResultReader, RecordedFixtureReports)
{
    ResultScore score;
    for (const ResultFixture& fixture : LoadResultFixtures())
    {
        SCOPED_TRACE(fixture.name);
        std::ifstream in(std::string(ORVANE_SOURCE_DIR) + "/tests/model/found/reports/" + fixture.name + ".json");
        std::stringstream text;
        text << in.rdbuf();
        PageReport report;
        ASSERT_TRUE(report.Read(text.str()));
        std::vector<std::pair<std::string, std::string>> read;
        for (const FoundResult& result : ResultReader::Read(report))
        {
            read.emplace_back(result.url, result.title);
            EXPECT_LE(result.snippet.size(), ResultReader::MaxSnippet * 4);
        }
        const std::string origin = report.pageUrl.substr(0, report.pageUrl.find('/', 8));
        score.Add(fixture, origin, read);
    }
    for (const std::string& fault : score.Faults())
        ADD_FAILURE() << fault;
    EXPECT_GE(score.Precision(), 0.95);
    EXPECT_GE(score.Recall(), 0.95);
}

TEST(ResultReader, HostileReports)
{
    const std::string heading = R"({"href":"https://a.example/","text":"A","hd":3,"x":10,"y":10,"w":100,"h":20)";
    const std::pair<const char*, std::string> cases[] = {
        {"no JSON", "<html>"},
        {"wrong shapes", R"({"url":7,"links":{"a":1},"blocks":"x"})"},
        {"chain out of range", R"({"url":"https://e.example/s","blocks":[],"links":[)" + heading + R"(,"chain":[5,-1,1e300]}]})"},
        {"endless numbers", R"({"url":"https://e.example/s","links":[{"href":"https://a.example/","hd":1e308,"x":-1e308,"w":1e308,"h":1e308}]})"},
        {"controls in the title", R"({"url":"https://e.example/s","links":[{"href":"https://a.example/",)"
                                  R"("text":"A\u0000\u001b[31m B\t\n","hd":2,"x":1,"y":1,"w":9,"h":9}]})"}};
    for (const auto& [label, json] : cases)
    {
        SCOPED_TRACE(label);
        PageReport report;
        if (!report.Read(json))
            continue;
        for (const FoundResult& result : ResultReader::Read(report))
            EXPECT_EQ(std::string::npos, result.title.find_first_of(std::string("\0\x1b\t\n", 4))) << result.title;
    }
    EXPECT_EQ("A [31m B", ResultReader::Clean("A\x1b[31m\xc2\x85 B\t\n", 300));
    EXPECT_EQ(std::string("\xe6\xb5\xb7\xe7\x8d\xad"), ResultReader::Clean("\xe6\xb5\xb7\xe7\x8d\xad\xe6\xb5\xb7", 2));
}
