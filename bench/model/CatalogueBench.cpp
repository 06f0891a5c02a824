// Load, query and save times of the engine catalogue, and our XML writer
// against the toolkit's wxXmlDocument::Save on the same document.
#include "catalogue/EngineManager.h"

#include <benchmark/benchmark.h>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/init.h>
#include <wx/xml/xml.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

namespace
{
const wxString kLanguages[] = {"English", "Chinese", "Japanese"};
const wxString kCategories[] = {"Web", "Images", "News", "Video", "Reference", "Shopping", "Tech"};

wxString BenchFolder()
{
    static const wxString folder = [] {
        wxString dir = wxFileName::CreateTempFileName("orvane-bench");
        wxRemoveFile(dir);
        wxMkdir(dir);
        return dir;
    }();
    return folder;
}

wxString CatalogueFile(int64_t count)
{
    return BenchFolder() + wxString::Format("/config-%lld.xml", static_cast<long long>(count));
}

// Writes a catalogue of `count` engines once per size; names mix ASCII and
// CJK and the URLs carry '&' so escaping and conversion are exercised.
const wxString& EnsureCatalogue(int64_t count)
{
    static std::map<int64_t, wxString> made;
    auto it = made.find(count);
    if (it != made.end())
        return it->second;
    EngineManager m;
    m.SetFileName(CatalogueFile(count));
    for (int64_t i = 0; i < count; ++i)
    {
        auto e = std::make_unique<Engine>();
        e->m_nIndex = static_cast<int>(i);
        e->m_strLanguage = kLanguages[i % 3];
        e->m_strCategory = kCategories[(i / 3) % 7];
        e->m_strName = wxString::Format("Engine %lld ", static_cast<long long>(i)) +
                       wxString::FromUTF8("\xE6\x90\x9C\xE7\xB4\xA2");
        e->m_strUrl = wxString::Format("https://e%lld.example/search?q=*&lang=en&n=%lld",
                                       static_cast<long long>(i), static_cast<long long>(i));
        e->m_strEncoding = i % 5 == 0 ? "GB2312" : "UTF-8";
        e->m_bEnable = i % 4 != 0;
        m.m_engines.push_back(std::move(e));
    }
    m.m_bModified = true;
    if (!m.Save())
        std::fprintf(stderr, "could not write %s\n", static_cast<const char*>(m.GetFileName().utf8_str()));
    return made[count] = m.GetFileName();
}

void BM_Load(benchmark::State& state)
{
    const wxString& file = EnsureCatalogue(state.range(0));
    for (auto _ : state)
    {
        auto m = std::make_unique<EngineManager>();
        m->SetFileName(file);
        m->Load();
        benchmark::DoNotOptimize(m->m_engines.data());
        state.PauseTiming();
        if (static_cast<int64_t>(m->m_engines.size()) != state.range(0))
            state.SkipWithError("catalogue did not load");
        m.reset();  // tearing down the tree is not part of loading
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_GetEngines(benchmark::State& state)
{
    EngineManager m;
    m.SetFileName(EnsureCatalogue(state.range(0)));
    m.Load();
    for (auto _ : state)
        benchmark::DoNotOptimize(m.GetEngines("chinese", "NEWS", true).size());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The whole exit-time save: rebuild the ENGINE elements, write a temporary
// file, flush it to disk and rename it over the catalogue.
void BM_Save(benchmark::State& state)
{
    EngineManager m;
    m.SetFileName(EnsureCatalogue(state.range(0)));
    m.Load();
    m.m_bModified = true;
    m.SetFileName(BenchFolder() + "/save.xml");
    for (auto _ : state)
    {
        if (!m.Save())
            state.SkipWithError("save failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The document writers alone, same document, same kind of target file.
template <bool Toolkit> void BM_WriteDocument(benchmark::State& state)
{
    wxXmlDocumentEx doc;
    doc.Load(EnsureCatalogue(state.range(0)));
    const wxString out = BenchFolder() + (Toolkit ? "/wx.xml" : "/ours.xml");
    for (auto _ : state)
    {
        const bool ok = Toolkit ? doc.wxXmlDocument::Save(out, 1) : doc.Save(out, 1);
        if (!ok)
            state.SkipWithError("write failed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_WriteDocumentOurs(benchmark::State& state) { BM_WriteDocument<false>(state); }
void BM_WriteDocumentToolkit(benchmark::State& state) { BM_WriteDocument<true>(state); }

#define SIZES ->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)
BENCHMARK(BM_Load) SIZES;
BENCHMARK(BM_GetEngines) SIZES;
BENCHMARK(BM_Save) SIZES;
BENCHMARK(BM_WriteDocumentOurs) SIZES;
BENCHMARK(BM_WriteDocumentToolkit) SIZES;

// Keeps each run's time so that the writers can be compared at the end.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Iteration && !run.error_occurred)
                times[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
    std::map<std::string, double> times;
};
} // namespace

int main(int argc, char** argv)
{
    wxInitializer init;
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nXML writer, ours / wxXmlDocument::Save (1.0 = as fast, lower is faster)\n");
    for (const char* size : {"1000", "10000", "100000"})
    {
        const auto ours = reporter.times.find(std::string("BM_WriteDocumentOurs/") + size);
        const auto wx = reporter.times.find(std::string("BM_WriteDocumentToolkit/") + size);
        if (ours != reporter.times.end() && wx != reporter.times.end() && wx->second > 0)
            std::printf("  %7s engines: ours %9.3f ms, toolkit %9.3f ms, ratio %.2f\n", size,
                        ours->second, wx->second, ours->second / wx->second);
    }
    benchmark::Shutdown();
    wxFileName::Rmdir(BenchFolder(), wxPATH_RMDIR_RECURSIVE);
    return 0;
}
