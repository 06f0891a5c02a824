// The classifier's own cost per page: reading a probe report of a large
// result page (400 visible links, most behind the engine's redirect links,
// a few frames and buttons) and deciding its outcome.
#include "outcome/OutcomeClassifier.h"

#include <benchmark/benchmark.h>

#include <string>

namespace
{
std::string LargeReport()
{
    std::string json = R"({"url":"https://www.engine.example/search?q=sea+otter","links":[)";
    for (int i = 0; i < 400; ++i)
    {
        if (i)
            json += ",";
        json += i % 3 == 0 ? "\"https://www.engine.example/url?q=https%3A%2F%2Fsite" + std::to_string(i) +
                                 ".example%2Fpage&sa=U\""
                           : "\"https://site" + std::to_string(i) + ".example/page\"";
    }
    json += R"(],"frames":[{"what":"https://www.google.com/recaptcha/api2/anchor?size=invisible","w":256,"h":60}],)"
            R"("widgets":[{"what":"div.grecaptcha-badge","w":256,"h":60}],"overlay":0.1,)"
            R"("overlayButtons":["Accept","Reject"],"pageButtons":["Search","Tools"]})";
    return json;
}
} // namespace

static void BM_ClassifyLargeResultPage(benchmark::State& state)
{
    const std::string report = LargeReport();
    for (auto _ : state)
    {
        PageSignals signals;
        signals.answered = true;
        signals.status = 200;
        signals.ReadProbe(report);
        benchmark::DoNotOptimize(OutcomeClassifier::Classify(signals, 0));
    }
}
BENCHMARK(BM_ClassifyLargeResultPage)->Unit(benchmark::kMicrosecond);
