// Feeds arbitrary bytes as a result page's report: read, decided, and the
// addresses it names keyed and unwrapped, within the bounds the reader promises.
#include "base/WebAddress.h"
#include "found/ResultMerge.h"
#include "found/ResultReader.h"

#include <wx/init.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    WebAddress::RedirectTarget(text, "https://engine.example/search");
    ResultMerge::ComparisonKey(text);
    PageReport report;
    if (!report.Read(text))
        return 0;
    const std::vector<FoundResult> results = ResultReader::Read(report);
    if (results.size() > ResultReader::MaxResults)
        __builtin_trap();
    std::vector<EngineFound> engines(2);
    for (const FoundResult& result : results)
    {
        if (result.title.size() > ResultReader::MaxTitle * 4 || result.snippet.size() > ResultReader::MaxSnippet * 4 ||
            result.title.find_first_of(std::string("\0\x1b\n\t", 4)) != std::string::npos)
            __builtin_trap();
        engines[result.position % 2].results.push_back(result);
    }
    ResultMerge::Merge(engines);
    return 0;
}
