#include "found/ResultMerge.h"

#include "base/WebAddress.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace
{
void AppendUpperEscapes(std::string& out, std::string_view text)
{
    for (size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i];
        out += c;
        if (c == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])))
        {
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 1])));
            out += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i + 2])));
            i += 2;
        }
    }
}

bool IsHttps(const std::string& url)
{
    return url.size() > 6 && (url[4] == 's' || url[4] == 'S') && url[5] == ':';
}
} // namespace

bool ResultMerge::IsTrackingParameter(const std::string& raw)
{
    const std::string name = WebAddress::Lower(raw);
    static const std::unordered_set<std::string> names = {
        "fbclid", "gclid", "gclsrc", "dclid", "gbraid", "wbraid", "msclkid", "yclid", "mc_eid", "mc_cid",
        "igshid", "_ga", "_gl", "twclid", "ttclid", "srsltid", "_hsenc", "_hsmi", "mkt_tok", "oly_enc_id",
        "oly_anon_id", "vero_id", "spm"};
    return name.compare(0, 4, "utm_") == 0 || names.count(name) > 0;
}

// One pass over the address with no parts copied: the merge makes one key
// per result, 2,000 of them for 40 engines.
std::string ResultMerge::ComparisonKey(const std::string& url)
{
    const size_t colon = url.find("://");
    if (colon != 4 && colon != 5)
        return url;
    const char* const scheme = "https";
    for (size_t i = 0; i < colon; ++i)
        if ((url[i] | 0x20) != scheme[i])
            return url;
    const size_t start = colon + 3;
    size_t end = start;
    while (end < url.size() && url[end] != '/' && url[end] != '?' && url[end] != '#')
        ++end;
    std::string_view authority(url.data() + start, end - start);
    const size_t at = authority.rfind('@');
    if (at != std::string_view::npos)
        authority.remove_prefix(at + 1);
    std::string_view host = authority, port;
    const size_t portColon = authority.rfind(':');
    if (portColon != std::string_view::npos && authority.find(']', portColon) == std::string_view::npos)
    {
        host = authority.substr(0, portColon);
        port = authority.substr(portColon + 1);
    }
    std::string key;
    key.reserve(url.size());
    for (char c : host)
        key += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (!key.empty() && key.back() == '.')
        key.pop_back();
    if (key.compare(0, 4, "www.") == 0)
        key.erase(0, 4);
    else if (key.compare(0, 2, "m.") == 0)
        key.erase(0, 2);
    if (!port.empty() && port != "80" && port != "443")
        key.append(":").append(port);
    const size_t hash = url.find('#', end);
    const size_t stop = hash == std::string::npos ? url.size() : hash;
    size_t question = url.find('?', end);
    if (question == std::string::npos || question > stop)
        question = stop;
    const size_t pathStart = key.size();
    AppendUpperEscapes(key, std::string_view(url.data() + end, question - end));
    if (key.size() > pathStart && key.back() == '/')
        key.pop_back();
    std::vector<std::string_view> query;
    for (size_t i = question + 1; i < stop;)
    {
        size_t amp = url.find('&', i);
        if (amp == std::string::npos || amp > stop)
            amp = stop;
        const std::string_view pair(url.data() + i, amp - i);
        const std::string_view name = pair.substr(0, pair.find('='));
        const bool escaped = std::any_of(name.begin(), name.end(), [](char c) { return c == '%' || c == '+'; });
        if (!pair.empty() && !IsTrackingParameter(escaped ? WebAddress::PercentDecode(std::string(name), true)
                                                          : std::string(name)))
            query.push_back(pair);
        i = amp + 1;
    }
    std::sort(query.begin(), query.end());
    for (size_t i = 0; i < query.size(); ++i)
    {
        key += i ? '&' : '?';
        AppendUpperEscapes(key, query[i]);
    }
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
    size_t total = 0;
    for (const EngineFound& engine : engines)
        total += engine.results.size();
    byKey.reserve(total);
    entries.reserve(total);
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
