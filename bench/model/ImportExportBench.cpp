// Importing 1,000 OpenSearch descriptions into a catalogue and exporting the
// engines back as 1,000 descriptions: one iteration is the whole round.
// Target: under 1 s.
#include "exchange/EngineExport.h"
#include "exchange/EngineImport.h"
#include "catalogue/EngineManager.h"

#include <benchmark/benchmark.h>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <string>
#include <vector>

namespace
{
wxString MakeFolder(const char* prefix)
{
    wxString dir = wxFileName::CreateTempFileName(prefix);
    wxRemoveFile(dir);
    wxMkdir(dir);
    return dir;
}

// Real-world sized descriptions: a result page with Params, a suggestion
// address, an image, a few kilobytes in all with the comments sites carry.
std::vector<wxString> WriteDescriptions(int count)
{
    const wxString folder = MakeFolder("orvane-bench-os");
    std::vector<wxString> files;
    for (int i = 0; i < count; ++i)
    {
        const std::string n = std::to_string(i);
        const std::string xml =
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<!-- " + std::string(1500, 'x') + " -->\n"
            "<OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\" "
            "xmlns:moz=\"http://www.mozilla.org/2006/browser/search/\">\n"
            "  <ShortName>Site " + n + " \xE6\x90\x9C\xE7\xB4\xA2</ShortName>\n"
            "  <Description>Search site number " + n + " for anything at all</Description>\n"
            "  <InputEncoding>" + (i % 3 ? "UTF-8" : "Shift_JIS") + "</InputEncoding>\n"
            "  <Image width=\"16\" height=\"16\" type=\"image/x-icon\">https://s" + n + ".example/favicon.ico</Image>\n"
            "  <Url type=\"application/x-suggestions+json\" template=\"https://s" + n + ".example/ac?q={searchTerms}\"/>\n"
            "  <Url type=\"text/html\" method=\"get\" template=\"https://s" + n + ".example/search\">\n"
            "    <Param name=\"q\" value=\"{searchTerms}\"/>\n"
            "    <Param name=\"page\" value=\"{startPage?}\"/>\n"
            "    <moz:MozParam name=\"client\" condition=\"purpose\" purpose=\"searchbar\" value=\"x\"/>\n"
            "  </Url>\n"
            "  <moz:SearchForm>https://s" + n + ".example/</moz:SearchForm>\n"
            "</OpenSearchDescription>\n";
        const wxString path = folder + wxString::Format("/d%d.xml", i);
        wxFile out(path, wxFile::write);
        out.Write(xml.data(), xml.size());
        files.push_back(path);
    }
    return files;
}

void BM_ImportAndExportDescriptions(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    static const std::vector<wxString> files = WriteDescriptions(count);
    size_t added = 0, written = 0;
    // Removed only at the end: ext4 makes creating files slow for a while
    // after many were deleted, which the next round would pay for.
    std::vector<wxString> outputs;
    for (auto _ : state)
    {
        state.PauseTiming();
        const wxString out = MakeFolder("orvane-bench-out");
        outputs.push_back(out);
        EngineManager catalogue;
        state.ResumeTiming();

        EngineImport import;
        for (const wxString& file : files)
            import.AddFile(file);
        import.CheckDuplicates(catalogue, "English", "Web");
        added = import.Apply(catalogue, "English", "Web");

        std::vector<const Engine*> engines;
        for (const auto& engine : catalogue.m_engines)
            engines.push_back(engine.get());
        std::vector<wxString> paths;
        ImportMessage error;
        EngineExport::WriteOpenSearch(engines, out, paths, error);
        written = paths.size();
    }
    for (const wxString& out : outputs)
        wxFileName::Rmdir(out, wxPATH_RMDIR_RECURSIVE);
    state.counters["imported"] = static_cast<double>(added);
    state.counters["exported"] = static_cast<double>(written);
}
} // namespace

BENCHMARK(BM_ImportAndExportDescriptions)->Arg(1000)->Unit(benchmark::kMillisecond)->MinTime(2.0);
