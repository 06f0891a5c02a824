// What reading results costs in the model: one large result page's report
// (about 150 KB of page, 100 result blocks with sitelinks, ads, strips, all
// behind the engine's redirect links) read and decided; and 40 engines' 50
// results each merged into one list with their agreement.
#include "found/ResultMerge.h"
#include "found/ResultReader.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
std::string Link(const std::string& href, const std::string& text, int heading, int x, int y, int fontSize,
                 const std::string& chain)
{
    return R"({"href":")" + href + R"(","text":")" + text + R"(","hd":)" + std::to_string(heading) +
           R"(,"x":)" + std::to_string(x) + R"(,"y":)" + std::to_string(y) + R"(,"w":300,"h":20,"fs":)" +
           std::to_string(fontSize) + R"(,"lm":"","fixed":false,"ctx":["1."],"chain":[)" + chain + "]}";
}

std::string BenchReport()
{
    const std::string engine = "https://www.engine.example";
    std::string links, blocks;
    for (int i = 0; i < 100; ++i)
    {
        const std::string n = std::to_string(i), site = "https%3A%2F%2Fsite" + n + ".example%2F";
        const std::string block = std::to_string(i);
        if (i)
            links += ",", blocks += ",";
        const bool ad = i % 25 == 0;
        blocks += R"({"sig":"div.g","x":20,"y":)" + std::to_string(200 + 120 * i) +
                  R"(,"w":600,"h":110,"rep":100,"labels":[)" + (ad ? std::string(R"("Ad",)") : "") +
                  R"("site)" + n + R"(.example"],"texts":["site)" + n +
                  R"(.example \u203a sea-otter","Sea otters are marine mammals of the northern Pacific; page )" + n +
                  R"( tells of their diet, range and habitat.","Jun 3, 2024"],"urls":[]})";
        links += Link(engine + "/url?q=" + site + "sea-otter&sa=U&ved=2ahUKEwj" + n, "Sea otter page " + n, 3, 20,
                      200 + 120 * i, 18, block) + ",";
        links += Link(engine + "/url?q=" + site + "diet", "Diet", 0, 20, 260 + 120 * i, 13, block) + ",";
        links += Link(engine + "/url?q=" + site + "range", "Range", 0, 80, 260 + 120 * i, 13, block);
    }
    for (int i = 0; i < 40; ++i)
        links += "," + Link("https://corp" + std::to_string(i % 8) + ".example/", "About", 0, 20 + 60 * (i % 8),
                            i < 20 ? 10 : 12300, 12, "");
    return R"({"url":"https://www.engine.example/search?q=sea+otter","vw":1000,"vh":700,"dw":1000,"dh":12400,)"
           R"("links":[)" + links + R"(],"blocks":[)" + blocks + "]}";
}

std::vector<EngineFound> FortyEngines()
{
    std::vector<EngineFound> engines;
    for (int e = 0; e < 40; ++e)
    {
        EngineFound engine{"Engine " + std::to_string(e), "results", 900, {}};
        for (int r = 0; r < 50; ++r)
        {
            // Overlapping pools, written in different forms.
            const int page = (r * 7 + e * 3) % 300;
            const std::string url = std::string(e % 2 ? "https://www." : "http://") + "site" + std::to_string(page) +
                                    ".example/path/" + std::to_string(page) + (e % 3 ? "/?utm_source=x&b=2&a=1" : "?a=1&b=2");
            engine.results.push_back({r + 1, url, url, "Title of page " + std::to_string(page),
                                      "A snippet about page " + std::to_string(page) + " that goes on a little.", true});
        }
        engines.push_back(std::move(engine));
    }
    return engines;
}
} // namespace

static void BM_ReadBenchPageReport(benchmark::State& state)
{
    const std::string json = BenchReport();
    size_t found = 0;
    for (auto _ : state)
    {
        PageReport report;
        report.Read(json);
        found = ResultReader::Read(report).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["report_kb"] = double(json.size()) / 1024;
    state.counters["results"] = double(found);
}
BENCHMARK(BM_ReadBenchPageReport)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

static void BM_MergeFortyEngines(benchmark::State& state)
{
    const std::vector<EngineFound> engines = FortyEngines();
    size_t merged = 0;
    for (auto _ : state)
    {
        merged = ResultMerge::Merge(engines).results.size();
        benchmark::DoNotOptimize(merged);
    }
    state.counters["merged"] = double(merged);
}
BENCHMARK(BM_MergeFortyEngines)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
