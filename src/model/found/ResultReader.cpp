#include "found/ResultReader.h"

#include "base/WebAddress.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <set>

namespace
{
// Redirect services name their hosts and paths alike; the engine's own site
// is always tried as well.
const std::set<std::string> RedirectNames = {"r", "rd", "l", "redir", "redirect", "click", "clk", "ck",
                                             "out", "go", "away", "link", "url"};
// Some text of its own beside the link marks a block without a heading as a result.
const size_t BlockTextFloor = 20;
// Links this close in height on one line, at least three, are a strip.
const double SameLine = 4;

std::string FirstLabel(const std::string& text, char separator)
{
    const size_t start = text.empty() || text[0] != separator ? 0 : 1;
    const size_t end = text.find(separator, start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

bool IsWrapperShaped(const WebAddress::Parts& parts)
{
    return RedirectNames.count(FirstLabel(parts.host, '.')) > 0 ||
           RedirectNames.count(WebAddress::Lower(FirstLabel(parts.path, '/'))) > 0;
}

// An opaque redirect carries a token no reader could invent.
bool HasToken(const std::string& text)
{
    size_t run = 0;
    for (char c : text)
    {
        const bool tokenChar = std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
        run = tokenChar ? run + 1 : 0;
        if (run >= 16)
            return true;
    }
    return false;
}

size_t CodePoints(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(),
                                             [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// "example.org › wiki" or "https://example.org/...": how pages show a result's address.
bool LooksLikeAddress(const std::string& text)
{
    if (text.empty() || text.size() > 200)
        return false;
    if (text.compare(0, 7, "http://") == 0 || text.compare(0, 8, "https://") == 0)
        return true;
    const std::string first = text.substr(0, text.find(' '));
    const size_t dot = first.find('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 >= first.size() ||
        !std::isalpha(static_cast<unsigned char>(first[dot + 1])))
        return false;
    const bool oneWord = first.size() == text.size();
    const bool breadcrumb = text.find("\xe2\x80\xba") != std::string::npos || text.find(" > ") != std::string::npos;
    return oneWord || breadcrumb;
}

struct Candidate
{
    size_t link = 0;
    std::string target;
    std::string site;  // for grouping; the wrapper itself for an opaque one
    bool mergeable = true;
    int block = -1;
};

std::string LongestSnippet(const PageReport::Block* block, const std::string& title, std::string& shown)
{
    std::string snippet;
    if (!block)
        return snippet;
    for (const std::string& piece : block->texts)
    {
        const std::string text = ResultReader::Clean(piece, 2 * ResultReader::MaxSnippet);
        if (text.empty() || text == title || ResultReader::IsAdLabel(text))
            continue;
        if (shown.empty() && LooksLikeAddress(text))
        {
            shown = text;
            continue;
        }
        if (CodePoints(text) > CodePoints(snippet))
            snippet = text;
    }
    return ResultReader::Clean(snippet, ResultReader::MaxSnippet);
}

size_t BlockTextSize(const PageReport::Block& block)
{
    size_t size = 0;
    for (const std::string& piece : block.texts)
        if (!LooksLikeAddress(piece))
            size = std::max(size, CodePoints(ResultReader::Clean(piece, 1000)));
    return size;
}

bool OnOneLineWithOthers(const PageReport& report, size_t index)
{
    const PageReport::Box& box = report.links[index].box;
    int others = 0;
    for (size_t i = 0; i < report.links.size(); ++i)
    {
        const PageReport::Box& other = report.links[i].box;
        if (i != index && other.w >= 1 && std::abs(other.y - box.y) <= SameLine && std::abs(other.h - box.h) <= SameLine)
            ++others;
    }
    return others >= 2;
}
} // namespace

bool ResultReader::IsAdLabel(const std::string& raw)
{
    if (raw.size() > 120)
        return false;
    const std::string text = WebAddress::Lower(Clean(raw, 60));
    if (text.empty() || text.size() > 60)
        return false;
    static const char* const words[] = {
        "ad", "ads", "sponsored", "sponsored results", "sponsored links", "advertisement", "promoted",
        "anzeige", "anzeigen", "gesponsert", "annonce", "annonces", "sponsoris\xc3\xa9", "publicidad",
        "patrocinado", "pubblicit\xc3\xa0", "reklame", "advertentie", "\xd1\x80\xd0\xb5\xd0\xba\xd0\xbb\xd0\xb0\xd0\xbc\xd0\xb0",
        "\xe5\xb9\xbf\xe5\x91\x8a" /* 广告 */, "\xe5\xbb\xa3\xe5\x91\x8a" /* 廣告 */,
        "\xe5\xba\x83\xe5\x91\x8a" /* 広告 */, "\xea\xb4\x91\xea\xb3\xa0" /* 광고 */,
        "\xe8\xb5\x9e\xe5\x8a\xa9" /* 赞助 */, "\xe6\x8e\xa8\xe5\xb9\xbf" /* 推广 */};
    for (const char* word : words)
    {
        const size_t size = std::char_traits<char>::length(word);
        if (text.compare(0, size, word) != 0)
            continue;
        if (text.size() == size)
            return true;
        // "Ad · example.com", "Sponsored:", but not "Adobe" or "Address".
        const unsigned char next = static_cast<unsigned char>(text[size]);
        if (!std::isalnum(next) && (next < 0x80 || static_cast<unsigned char>(word[0]) >= 0x80 ||
                                    text.compare(size, 2, "\xc2\xb7") == 0))
            return true;
    }
    return false;
}

bool ResultReader::IsAdClickPath(const std::string& url)
{
    WebAddress::Parts parts;
    if (!WebAddress::Split(url, parts))
        return false;
    static const std::set<std::string> segments = {"aclk", "aclick", "adclick", "ad_click", "pagead", "adclk",
                                                   "adurl", "ads"};
    size_t start = 0;
    const std::string path = WebAddress::Lower(parts.path);
    while (start < path.size())
    {
        size_t end = path.find('/', start + 1);
        if (end == std::string::npos)
            end = path.size();
        std::string segment = path.substr(start + 1, end - start - 1);
        const size_t dot = segment.find('.');
        if (dot != std::string::npos)
            segment.erase(dot);
        if (segments.count(segment))
            return true;
        start = end;
    }
    const std::string query = "&" + WebAddress::Lower(parts.query);
    return query.find("&ad_domain=") != std::string::npos || query.find("&ad_provider=") != std::string::npos ||
           query.find("&adurl=") != std::string::npos;
}

std::string ResultReader::Clean(const std::string& text, size_t limit)
{
    std::string out;
    out.reserve(std::min(text.size(), limit * 4));
    size_t count = 0;
    bool space = false;
    for (size_t i = 0; i < text.size() && count < limit;)
    {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        if (i + length > text.size())
            break;
        // C1 controls are two bytes: U+0080..U+009F.
        const bool c1 = c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
        const bool nbsp = c == 0xC2 && static_cast<unsigned char>(text[i + 1]) == 0xA0;
        if (c >= 0x80 && c < 0xC0)
        {
            ++i;  // a stray continuation byte
            continue;
        }
        if (c < 0x20 || c == 0x7F || c1 || nbsp || c == ' ')
        {
            space = !out.empty();
            i += length;
            continue;
        }
        if (space)
        {
            out += ' ';
            ++count;
            space = false;
            if (count >= limit)
                break;
        }
        out.append(text, i, length);
        ++count;
        i += length;
    }
    return out;
}

std::vector<FoundResult> ResultReader::Read(const PageReport& report)
{
    std::vector<FoundResult> results;
    const std::string pageSite = WebAddress::SiteOf(report.pageUrl);
    const double pageWidth = report.pageWidth > 0 ? report.pageWidth : 1e7;
    const double pageHeight = report.pageHeight > 0 ? report.pageHeight : 1e7;

    // Links that could be results at all, with their targets.
    std::vector<Candidate> candidates;
    for (size_t i = 0; i < report.links.size(); ++i)
    {
        const PageReport::Link& link = report.links[i];
        const PageReport::Box& box = link.box;
        if (box.w < 1 || box.h < 1 || box.x + box.w <= 0 || box.y + box.h <= 0 || box.x >= pageWidth ||
            box.y >= pageHeight)
            continue;
        if (link.fixed || link.landmark == "header" || link.landmark == "nav" || link.landmark == "footer" ||
            link.landmark == "aside")
            continue;
        WebAddress::Parts parts;
        if (!WebAddress::Split(link.href, parts) || IsAdClickPath(link.href))
            continue;
        Candidate candidate;
        candidate.link = i;
        candidate.target = link.href;
        candidate.site = WebAddress::SiteOfHost(parts.host);
        const bool ownSite = candidate.site == pageSite;
        if (ownSite || IsWrapperShaped(parts))
        {
            const std::string target = WebAddress::RedirectTarget(link.href, report.pageUrl);
            if (!target.empty())
            {
                candidate.target = target;
                candidate.site = WebAddress::SiteOf(target);
            }
            else if (ownSite)
            {
                // An opaque wrapper: the block may carry the address itself.
                if (!IsWrapperShaped(parts) || !HasToken(parts.path + "?" + parts.query))
                    continue;
                for (size_t k = 0; k < link.chain.size() && candidate.target == link.href; ++k)
                    for (const std::string& url : report.blocks[static_cast<size_t>(link.chain[k])].urls)
                        if (WebAddress::IsWebAddress(url) && WebAddress::SiteOf(url) != pageSite)
                        {
                            candidate.target = url;
                            break;
                        }
                candidate.mergeable = candidate.target != link.href;
                candidate.site = candidate.mergeable ? WebAddress::SiteOf(candidate.target) : link.href;
            }
        }
        if (candidate.site.empty() || candidate.site == pageSite || IsAdClickPath(candidate.target))
            continue;
        candidates.push_back(candidate);
    }

    // Each candidate's block: the outermost repeated block around it whose
    // candidates all lead to its site and hold one heading at most, so a
    // result keeps its sitelinks but two results never share a block.
    std::map<int, std::vector<size_t>> inBlock;
    for (size_t c = 0; c < candidates.size(); ++c)
        for (int b : report.links[candidates[c].link].chain)
            inBlock[b].push_back(c);
    for (Candidate& candidate : candidates)
    {
        for (int b : report.links[candidate.link].chain)
        {
            int headings = 0;
            bool oneSite = true;
            for (size_t other : inBlock[b])
            {
                oneSite = oneSite && candidates[other].site == candidate.site;
                headings += report.links[candidates[other].link].heading > 0;
            }
            if (!oneSite || headings > 1)
                break;
            candidate.block = b;
        }
    }

    // One result per block: its heading link, else its most prominent link.
    std::vector<size_t> chosen;
    std::map<int, size_t> blockChoice;
    for (size_t c = 0; c < candidates.size(); ++c)
    {
        const int b = candidates[c].block;
        if (b < 0)
        {
            chosen.push_back(c);
            continue;
        }
        const auto it = blockChoice.find(b);
        if (it == blockChoice.end())
        {
            blockChoice[b] = chosen.size();
            chosen.push_back(c);
            continue;
        }
        const PageReport::Link& held = report.links[candidates[chosen[it->second]].link];
        const PageReport::Link& link = report.links[candidates[c].link];
        const bool better = held.heading == 0 && (link.heading > 0 || link.fontSize > held.fontSize);
        if (better)
            chosen[it->second] = c;
    }

    struct Pick
    {
        size_t candidate;
        const PageReport::Block* block;
    };
    std::vector<Pick> picks;
    for (size_t c : chosen)
    {
        const Candidate& candidate = candidates[c];
        const PageReport::Link& link = report.links[candidate.link];
        const PageReport::Block* block =
            candidate.block >= 0 ? &report.blocks[static_cast<size_t>(candidate.block)] : nullptr;
        if (Clean(link.text, MaxTitle).empty())
            continue;
        if (link.heading == 0 && (!block || block->repeats < 2 || BlockTextSize(*block) < BlockTextFloor ||
                                  OnOneLineWithOthers(report, candidate.link)))
            continue;
        // Ads: a label in the block or around the link.
        bool ad = std::any_of(link.context.begin(), link.context.end(), IsAdLabel);
        for (size_t k = 0; !ad && k < link.chain.size(); ++k)
        {
            const PageReport::Block& around = report.blocks[static_cast<size_t>(link.chain[k])];
            ad = std::any_of(around.labels.begin(), around.labels.end(), IsAdLabel);
            if (link.chain[k] == candidate.block)
                break;
        }
        if (!ad)
            picks.push_back({c, block});
    }

    // A read cut short may have stopped inside the last block, before its
    // heading: its pick could be the wrong link.
    if (report.truncated && !picks.empty())
        picks.pop_back();

    // Carousels: three or more picked blocks side by side on one line.
    std::vector<bool> keep(picks.size(), true);
    for (size_t p = 0; p < picks.size(); ++p)
    {
        const PageReport::Box& box = report.links[candidates[picks[p].candidate].link].box;
        int beside = 0;
        for (size_t q = 0; q < picks.size(); ++q)
        {
            const PageReport::Box& other = report.links[candidates[picks[q].candidate].link].box;
            if (q != p && std::abs(other.y - box.y) <= SameLine && std::abs(other.x - box.x) >= 1)
                ++beside;
        }
        keep[p] = beside < 2;
    }
    // Side columns: results stack in the main column, where most of them
    // start and end; a pick wholly beside it, right or left (right-to-left
    // pages), by a good margin, is in another column.
    std::vector<double> lefts, rights;
    for (size_t p = 0; p < picks.size(); ++p)
        if (keep[p])
        {
            const PageReport::Box& box = report.links[candidates[picks[p].candidate].link].box;
            lefts.push_back(box.x);
            rights.push_back(box.x + box.w);
        }
    auto median = [](std::vector<double>& values) {
        if (values.empty())
            return 0.0;
        std::nth_element(values.begin(), values.begin() + static_cast<long>(values.size() / 2), values.end());
        return values[values.size() / 2];
    };
    const double mainLeft = median(lefts), mainRight = median(rights);
    const double margin = 0.2 * (report.viewWidth > 0 ? report.viewWidth : 1000);
    auto beside = [&](const PageReport::Box& box) {
        return box.x > mainRight + margin || box.x + box.w < mainLeft - margin;
    };

    std::set<std::string> seen;
    for (size_t p = 0; p < picks.size() && results.size() < MaxResults; ++p)
    {
        const Candidate& candidate = candidates[picks[p].candidate];
        const PageReport::Link& link = report.links[candidate.link];
        if (!keep[p] || beside(link.box) || !seen.insert(candidate.target).second)
            continue;
        FoundResult result;
        result.position = static_cast<int>(results.size()) + 1;
        result.url = candidate.target;
        result.mergeable = candidate.mergeable;
        result.title = Clean(link.text, MaxTitle);
        result.snippet = LongestSnippet(picks[p].block, result.title, result.shownUrl);
        result.shownUrl = result.shownUrl.empty() ? result.url : Clean(result.shownUrl, MaxTitle);
        results.push_back(std::move(result));
    }
    return results;
}
