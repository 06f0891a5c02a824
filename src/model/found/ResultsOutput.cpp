#include "found/ResultsOutput.h"

#include "base/TerminalText.h"

#include <nlohmann/json.hpp>

namespace
{
wxString Field(const std::string& text)
{
    return TerminalText::Escape(wxString::FromUTF8(text.data(), text.size()));
}

size_t Shown(size_t count, size_t limit)
{
    return limit == 0 ? count : std::min(count, limit);
}
} // namespace

std::vector<wxString> ResultsOutput::Lines(const std::vector<EngineFound>& engines, const ResultMerge::List& merged,
                                           size_t limit)
{
    std::vector<wxString> lines;
    const size_t count = Shown(merged.results.size(), limit);
    lines.reserve(count);
    for (size_t i = 0; i < count; ++i)
    {
        const ResultMerge::Merged& result = merged.results[i];
        wxString foundBy;
        for (const auto& [engine, position] : result.foundBy)
        {
            if (!foundBy.empty())
                foundBy += wxS(", ");
            foundBy += Field(engine < engines.size() ? engines[engine].name : std::string()) +
                       wxString::Format(wxS(" #%d"), position);
        }
        lines.push_back(wxString::Format(wxS("%zu\t%zu\t"), i + 1, result.foundBy.size()) + Field(result.url) +
                        wxS("\t") + Field(result.title) + wxS("\t") + foundBy);
    }
    return lines;
}

std::string ResultsOutput::Json(const Query& query, const std::vector<EngineFound>& engines,
                                const ResultMerge::List& merged, size_t limit)
{
    using nlohmann::json;
    json document = json::object();
    document["words"] = query.words;
    document["language"] = query.language;
    document["category"] = query.category;
    json engineList = json::array();
    for (size_t e = 0; e < engines.size(); ++e)
    {
        const EngineFound& engine = engines[e];
        json results = json::array();
        for (const FoundResult& result : engine.results)
            results.push_back({{"position", result.position}, {"url", result.url}, {"title", result.title},
                               {"snippet", result.snippet}});
        engineList.push_back({{"name", engine.name},
                              {"outcome", engine.outcome},
                              {"ms", engine.ms},
                              {"unique", e < merged.uniqueCount.size() ? merged.uniqueCount[e] : 0},
                              {"results", std::move(results)}});
    }
    document["engines"] = std::move(engineList);
    json results = json::array();
    for (size_t i = 0; i < Shown(merged.results.size(), limit); ++i)
    {
        const ResultMerge::Merged& result = merged.results[i];
        json foundBy = json::array();
        for (const auto& [engine, position] : result.foundBy)
            foundBy.push_back({{"engine", engine < engines.size() ? engines[engine].name : std::string()},
                               {"position", position}});
        results.push_back({{"rank", i + 1},
                           {"url", result.url},
                           {"title", result.title},
                           {"snippet", result.snippet},
                           {"found_by", std::move(foundBy)}});
    }
    document["results"] = std::move(results);
    json agreement = json::array();
    for (const ResultMerge::Agreement& pair : merged.agreement)
        agreement.push_back({{"engines", {engines[pair.first].name, engines[pair.second].name}},
                             {"shared_top10", pair.sharedTop10}});
    document["agreement"] = std::move(agreement);
    // Text read from pages is valid UTF-8 by the time it gets here; a byte
    // that is not is replaced rather than breaking the document.
    return document.dump(1, ' ', false, json::error_handler_t::replace);
}
