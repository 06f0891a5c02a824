#include "ResultFixtures.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <dirent.h>
#include <fstream>
#include <map>
#include <sstream>

namespace
{
std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
} // namespace

std::vector<ResultFixture> LoadResultFixtures()
{
    const std::string folder = std::string(ORVANE_SOURCE_DIR) + "/tests/fixtures/results/";
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str()))
    {
        while (dirent* entry = readdir(dir))
        {
            const std::string name = entry->d_name;
            if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0)
                names.push_back(name.substr(0, name.size() - 5));
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    std::vector<ResultFixture> fixtures;
    for (const std::string& name : names)
    {
        ResultFixture fixture;
        fixture.name = name;
        fixture.html = ReadFile(folder + name + ".html");
        const nlohmann::json expected = nlohmann::json::parse(ReadFile(folder + name + ".json"));
        for (const auto& result : expected.at("results"))
            fixture.expected.emplace_back(result.at("url").get<std::string>(), result.at("title").get<std::string>());
        if (expected.contains("never"))
            fixture.never = expected["never"].get<std::vector<std::string>>();
        fixtures.push_back(std::move(fixture));
    }
    return fixtures;
}

void ResultScore::Add(const ResultFixture& fixture, const std::string& origin,
                      const std::vector<std::pair<std::string, std::string>>& read)
{
    std::map<std::string, std::pair<size_t, std::string>> expected;  // url -> (order, title)
    for (size_t i = 0; i < fixture.expected.size(); ++i)
    {
        const auto& [url, title] = fixture.expected[i];
        expected[url[0] == '/' ? origin + url : url] = {i, title};
    }
    m_expected += expected.size();
    m_read += read.size();
    size_t lastOrder = 0;
    bool first = true;
    for (const auto& [url, title] : read)
    {
        const auto it = expected.find(url);
        if (std::find(fixture.never.begin(), fixture.never.end(), url) != fixture.never.end())
        {
            ++m_hardFaults;
            m_faults.push_back(fixture.name + ": read a link it must not: " + url);
        }
        if (it == expected.end())
        {
            m_faults.push_back(fixture.name + ": not a result: " + url);
            continue;
        }
        ++m_correct;
        if (!first && it->second.first < lastOrder)
        {
            ++m_hardFaults;
            m_faults.push_back(fixture.name + ": out of order: " + url);
        }
        first = false;
        lastOrder = it->second.first;
        if (title != it->second.second)
        {
            ++m_hardFaults;
            m_faults.push_back(fixture.name + ": title \"" + title + "\", expected \"" + it->second.second + "\"");
        }
        expected.erase(it);
    }
    for (const auto& missed : expected)
        m_faults.push_back(fixture.name + ": missed " + missed.first);
}
