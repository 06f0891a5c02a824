#include "found/ResultsOutput.h"

#include "base/TerminalText.h"

#include <nlohmann/json.hpp>

#include <cstdio>

namespace
{
wxString Field(const std::string& text)
{
    return TerminalText::Escape(wxString::FromUTF8(text.data(), text.size()));
}

// One line that a terminal shows as it is: what TerminalText would escape
// (C1 controls, marks that reorder text) becomes a JSON escape, which
// means the same to a JSON reader. The document's own characters are ASCII,
// so these can only be inside strings.
std::string EscapeUnsafe(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        wxUint32 code = length == 1 ? c : c & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < text.size(); ++k)
            code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (code >= 0x7F && TerminalText::IsUnsafe(code) && code <= 0xFFFF)
        {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(code));
            out += escape;
        }
        else
            out.append(text, i, length);
        i += length;
    }
    return out;
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
    return EscapeUnsafe(document.dump(-1, ' ', false, json::error_handler_t::replace));
}
