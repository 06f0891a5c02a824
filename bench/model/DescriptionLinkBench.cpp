// Finding the advertised description in a page whose link attribute is a
// run of '&' characters: the time per size shows whether entity decoding
// stays linear (each doubling should about double the time).
#include "exchange/DescriptionLink.h"

#include <benchmark/benchmark.h>

namespace
{
void BM_FindWithAmpersandAttribute(benchmark::State& state)
{
    const wxString html = wxS("<link title=\"") + wxString(static_cast<size_t>(state.range(0)), '&') +
                          wxS("\" rel=search type=application/opensearchdescription+xml "
                              "href=\"https://o.test/d.xml\">");
    for (auto _ : state)
    {
        const wxString found = DescriptionLink::Find(html, wxS("https://site.test/"));
        if (found.empty())
            state.SkipWithError("no link found");
        benchmark::DoNotOptimize(found);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
} // namespace

BENCHMARK(BM_FindWithAmpersandAttribute)
    ->RangeMultiplier(4)
    ->Range(1 << 16, 1 << 22)
    ->Unit(benchmark::kMillisecond);
