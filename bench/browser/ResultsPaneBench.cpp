// bench_results_pane: what adding one page's results costs the GUI thread
// with the All Results pane shown: 39 engines' pages already in, a 40th
// arrives with its 50 results; the merge, the rows and the redraw of the
// list on show. Run under a display (xvfb-run). The median is the figure
// (target: 16 ms or less).
#include "results/ResultList.h"
#include "results/ResultsPane.h"

#include "found/ResultMerge.h"

#include <benchmark/benchmark.h>

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/init.h>
#include <wx/sizer.h>

#include <string>
#include <vector>

namespace
{
constexpr int Engines = 40;
constexpr int PerEngine = 50;

// Engines that share some results, as real ones do: result r of engine e
// is one of 800 pages: many are found by several engines, most by one.
std::vector<EngineFound> MakeEngines()
{
    std::vector<EngineFound> engines;
    for (int e = 0; e < Engines; ++e)
    {
        EngineFound engine;
        engine.name = "Engine " + std::to_string(e);
        engine.outcome = "results";
        for (int r = 0; r < PerEngine; ++r)
        {
            FoundResult result;
            result.position = r + 1;
            const int page = (r * 7 + e * 31) % 800;
            result.url = "https://www.site" + std::to_string(page) + ".example/path/to/page-" + std::to_string(page);
            result.shownUrl = result.url;
            result.title = "A result page title of ordinary length number " + std::to_string(page);
            result.snippet = "A snippet of about two lines that says what the page holds, as engines show it, "
                             "for the page number " + std::to_string(page) + ".";
            engine.results.push_back(result);
        }
        engines.push_back(engine);
    }
    return engines;
}

void AddOnePage(benchmark::State& state)
{
    auto* frame = new wxFrame(nullptr, wxID_ANY, "results pane", wxDefaultPosition, wxSize(420, 760));
    auto* list = new ResultList(frame);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(list, 1, wxEXPAND);
    frame->SetSizer(sizer);
    frame->Show();
    frame->Layout();
    std::vector<EngineFound> all = MakeEngines();
    std::vector<EngineFound> before(all.begin(), all.end() - 1);
    for (auto _ : state)
    {
        state.PauseTiming();
        std::vector<EngineFound> engines = before;
        {
            const ResultMerge::List merged = ResultMerge::Merge(engines);
            std::vector<ResultList::Row> rows;
            for (const auto& result : merged.results)
                rows.push_back(ResultsPane::RowFor(result, engines));
            list->SetRows(std::move(rows));
            list->Update();
        }
        state.ResumeTiming();
        engines.push_back(all.back());
        const ResultMerge::List merged = ResultMerge::Merge(engines);
        std::vector<ResultList::Row> rows;
        rows.reserve(merged.results.size());
        for (const auto& result : merged.results)
            rows.push_back(ResultsPane::RowFor(result, engines));
        list->SetRows(std::move(rows));
        list->Update();
        benchmark::DoNotOptimize(list->GetItemCount());
    }
    state.counters["rows"] = static_cast<double>(list->GetItemCount());
    frame->Destroy();
}
BENCHMARK(AddOnePage)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
} // namespace

int main(int argc, char** argv)
{
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit())
        return 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return 0;
}
