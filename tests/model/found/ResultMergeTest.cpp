// One page in many forms is one result; ranking by agreement and place;
// what each engine shares with the others; the printed forms.
#include "found/ResultMerge.h"
#include "found/ResultsOutput.h"

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

namespace
{
EngineFound Engine(const std::string& name, const std::vector<std::string>& urls)
{
    EngineFound engine{name, "results", 100, {}};
    for (const std::string& url : urls)
        engine.results.push_back({int(engine.results.size()) + 1, url, url, "T " + url, "S " + url, true});
    return engine;
}
} // namespace

TEST(ResultMerge, ComparisonKey)
{
    const std::pair<const char*, const char*> same[] = {
        {"http://www.example.org/a/", "https://example.org/a"},
        {"https://m.example.org:443/a#top", "https://example.org/a"},
        {"https://example.org/a?b=2&a=1&utm_source=x&fbclid=y", "https://example.org/a?a=1&b=2&gclid=z"},
        {"https://example.org/%e6%b5%b7", "https://example.org/%E6%B5%B7"}};
    for (const auto& [a, b] : same)
        EXPECT_EQ(ResultMerge::ComparisonKey(a), ResultMerge::ComparisonKey(b)) << a;
    const std::pair<const char*, const char*> apart[] = {
        {"https://example.org/p?id=1", "https://example.org/p?id=2"},
        {"https://example.org/Sea_otter", "https://example.org/Sea_otters"},
        {"https://example.org/a", "https://other.org/a"},
        {"https://example.org:8080/a", "https://example.org/a"}};
    for (const auto& [a, b] : apart)
        EXPECT_NE(ResultMerge::ComparisonKey(a), ResultMerge::ComparisonKey(b)) << a;
}

TEST(ResultMerge, RanksByAgreementAndPlace)
{
    std::vector<EngineFound> engines = {Engine("A", {"http://x.org/", "https://y.org/", "https://a-only.org/"}),
                                        Engine("B", {"https://b-only.org/", "https://www.x.org", "https://y.org/"}),
                                        Engine("C", {"https://c-only.org/", "https://x.org/?utm_medium=1"})};
    engines[1].results[1].title.clear();
    engines[0].results[0].title.clear();
    engines[0].results.push_back({4, "/redirect/opaque", "/redirect/opaque", "O", "", false});
    engines[1].results.push_back({4, "/redirect/opaque", "/redirect/opaque", "O", "", false});
    const ResultMerge::List list = ResultMerge::Merge(engines);
    std::vector<std::string> order;
    for (const auto& result : list.results)
        order.push_back(result.url);
    // x: 1/61+1/62+1/62; y: 1/62+1/63; then single finds: first places by engine order.
    const std::vector<std::string> expected = {"https://www.x.org", "https://y.org/", "https://b-only.org/",
                                               "https://c-only.org/", "https://a-only.org/", "/redirect/opaque",
                                               "/redirect/opaque"};
    EXPECT_EQ(expected, order);
    EXPECT_EQ(3u, list.results[0].foundBy.size());
    EXPECT_EQ("T https://x.org/?utm_medium=1", list.results[0].title);  // the best place's title was empty
    EXPECT_EQ("S http://x.org/", list.results[0].snippet);
    ASSERT_EQ(3u, list.agreement.size());
    EXPECT_EQ(2, list.agreement[0].sharedTop10);  // A-B: x, y
    EXPECT_EQ(1, list.agreement[1].sharedTop10);  // A-C: x
    EXPECT_EQ((std::vector<int>{2, 2, 1}), list.uniqueCount);

    engines[0].name = "A\tname\n\x1b[2J";
    engines[0].results[0].title = "tab\there\nline";
    const std::vector<wxString> lines = ResultsOutput::Lines(engines, ResultMerge::Merge(engines), 2);
    ASSERT_EQ(2u, lines.size());
    EXPECT_EQ(wxString("1\t3\thttps://www.x.org\ttab\\x09here\\x0aline\tA\\x09name\\x0a\\x1b[2J #1, B #2, C #2"),
              lines[0]);
    engines[0].results[0].snippet = "\xe2\x80\xae\xc2\x85";  // U+202E, U+0085: a terminal would act on them
    const std::string text = ResultsOutput::Json({"sea otter", "English", "Web"}, engines, ResultMerge::Merge(engines));
    EXPECT_EQ(std::string::npos, text.find_first_of("\n\x1b"));
    EXPECT_EQ(std::string::npos, text.find("\xe2\x80\xae"));
    const auto json = nlohmann::json::parse(text);
    EXPECT_EQ("\xe2\x80\xae\xc2\x85", json["results"][0]["snippet"]);
    EXPECT_EQ("A\tname\n\x1b[2J", json["engines"][0]["name"]);
    EXPECT_EQ(7u, json["results"].size());
    EXPECT_EQ(2, json["agreement"][0]["shared_top10"]);
}
