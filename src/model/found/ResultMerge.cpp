#include "found/ResultMerge.h"

#include "base/WebAddress.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>

namespace
{
std::string UpperEscapes(const std::string& text)
{
    std::string out = text;
    for (size_t i = 0; i + 2 < out.size(); ++i)
        if (out[i] == '%' && std::isxdigit(static_cast<unsigned char>(out[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(out[i + 2])))
        {
            out[i + 1] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i + 1])));
            out[i + 2] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i + 2])));
            i += 2;
        }
    return out;
}

bool IsHttps(const std::string& url)
{
    return url.size() > 6 && WebAddress::Lower(url.substr(0, 6)) == "https:";
}
} // namespace

bool ResultMerge::IsTrackingParameter(const std::string& raw)
{
    const std::string name = WebAddress::Lower(raw);
    static const char* const names[] = {"fbclid", "gclid", "gclsrc", "dclid", "gbraid", "wbraid", "msclkid",
                                        "yclid", "mc_eid", "mc_cid", "igshid", "_ga", "_gl", "twclid",
                                        "ttclid", "srsltid", "_hsenc", "_hsmi", "mkt_tok", "oly_enc_id",
                                        "oly_anon_id", "vero_id", "spm"};
    if (name.compare(0, 4, "utm_") == 0)
        return true;
    return std::find(std::begin(names), std::end(names), name) != std::end(names);
}

std::string ResultMerge::ComparisonKey(const std::string& url)
{
    WebAddress::Parts parts;
    if (!WebAddress::Split(url, parts))
        return url;
    std::string host = parts.host;
    if (host.compare(0, 4, "www.") == 0)
        host.erase(0, 4);
    else if (host.compare(0, 2, "m.") == 0)
        host.erase(0, 2);
    std::string key = host;
    if (!parts.port.empty() && parts.port != "80" && parts.port != "443")
        key += ":" + parts.port;
    std::string path = UpperEscapes(parts.path);
    if (!path.empty() && path.back() == '/')
        path.pop_back();
    key += path;
    std::vector<std::string> query;
    size_t start = 0;
    while (start <= parts.query.size() && !parts.query.empty())
    {
        size_t end = parts.query.find('&', start);
        if (end == std::string::npos)
            end = parts.query.size();
        const std::string pair = parts.query.substr(start, end - start);
        const std::string name = pair.substr(0, pair.find('='));
        if (!pair.empty() && !IsTrackingParameter(WebAddress::PercentDecode(name, true)))
            query.push_back(UpperEscapes(pair));
        start = end + 1;
    }
    std::sort(query.begin(), query.end());
    for (size_t i = 0; i < query.size(); ++i)
        key += (i ? "&" : "?") + query[i];
    return key;
}

ResultMerge::List ResultMerge::Merge(const std::vector<EngineFound>& engines)
{
    List list;
    struct Entry
    {
        Merged merged;
        size_t firstEngine = 0;
        // (position, engine, result index) of each engine's best form.
        std::vector<std::tuple<int, size_t, size_t>> forms;
    };
    std::vector<Entry> entries;
    std::unordered_map<std::string, size_t> byKey;
    // Each engine's keys in its own order, for the agreement.
    std::vector<std::vector<size_t>> engineEntries(engines.size());
    for (size_t e = 0; e < engines.size(); ++e)
    {
        const std::vector<FoundResult>& results = engines[e].results;
        for (size_t r = 0; r < results.size(); ++r)
        {
            const FoundResult& result = results[r];
            // A wrapper kept as it is stands alone.
            const std::string key = result.mergeable ? ComparisonKey(result.url)
                                                     : "\n" + std::to_string(e) + "\n" + std::to_string(r);
            auto it = byKey.find(key);
            if (it == byKey.end())
            {
                it = byKey.emplace(key, entries.size()).first;
                entries.emplace_back();
                entries.back().firstEngine = e;
            }
            Entry& entry = entries[it->second];
            // An engine that lists one page twice counts with its best place.
            if (!entry.merged.foundBy.empty() && entry.merged.foundBy.back().first == e)
                continue;
            const int position = std::max(1, result.position);
            entry.merged.foundBy.emplace_back(e, position);
            entry.merged.score += 1.0 / (K + position);
            entry.forms.emplace_back(position, e, r);
            engineEntries[e].push_back(it->second);
        }
    }

    for (Entry& entry : entries)
    {
        std::sort(entry.forms.begin(), entry.forms.end());
        const auto& [position, engine, index] = entry.forms.front();
        entry.merged.bestPosition = position;
        const FoundResult& best = engines[engine].results[index];
        entry.merged.url = best.url;
        entry.merged.title = best.title;
        entry.merged.snippet = best.snippet;
        bool https = IsHttps(best.url);
        for (const auto& [otherPosition, otherEngine, otherIndex] : entry.forms)
        {
            const FoundResult& other = engines[otherEngine].results[otherIndex];
            if (!https && IsHttps(other.url))
            {
                entry.merged.url = other.url;
                https = true;
            }
            if (best.title.empty() && other.title.size() > entry.merged.title.size())
                entry.merged.title = other.title;
            if (best.snippet.empty() && other.snippet.size() > entry.merged.snippet.size())
                entry.merged.snippet = other.snippet;
        }
    }
    std::vector<size_t> order(entries.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const Entry& x = entries[a];
        const Entry& y = entries[b];
        if (std::abs(x.merged.score - y.merged.score) > 1e-12)
            return x.merged.score > y.merged.score;
        if (x.merged.bestPosition != y.merged.bestPosition)
            return x.merged.bestPosition < y.merged.bestPosition;
        return x.firstEngine < y.firstEngine;
    });
    list.results.reserve(order.size());
    for (size_t i : order)
        list.results.push_back(std::move(entries[i].merged));

    // Agreement, over the engines' own tops and their unique finds.
    std::vector<std::vector<size_t>> tops(engines.size());
    std::vector<int> engineCount(entries.size(), 0);
    for (size_t e = 0; e < engines.size(); ++e)
    {
        tops[e].assign(engineEntries[e].begin(),
                       engineEntries[e].begin() + static_cast<long>(std::min(TopShared, engineEntries[e].size())));
        std::sort(tops[e].begin(), tops[e].end());
        for (size_t entry : engineEntries[e])
            ++engineCount[entry];
    }
    list.uniqueCount.assign(engines.size(), 0);
    for (size_t e = 0; e < engines.size(); ++e)
    {
        for (size_t entry : engineEntries[e])
            list.uniqueCount[e] += engineCount[entry] == 1;
        for (size_t f = e + 1; f < engines.size(); ++f)
        {
            std::vector<size_t> shared;
            std::set_intersection(tops[e].begin(), tops[e].end(), tops[f].begin(), tops[f].end(),
                                  std::back_inserter(shared));
            list.agreement.push_back({e, f, static_cast<int>(shared.size())});
        }
    }
    return list;
}
