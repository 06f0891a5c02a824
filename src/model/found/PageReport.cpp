#include "found/PageReport.h"

#include <nlohmann/json.hpp>

#include <cmath>

namespace
{
using Json = nlohmann::json;

const size_t MaxText = 2000;
const size_t MaxChain = 8;
const size_t MaxPieces = 12;

// Cut at a character boundary: the text is valid UTF-8 once parsed.
std::string Capped(std::string text, size_t limit)
{
    if (text.size() <= limit)
        return text;
    size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    text.resize(end);
    return text;
}

std::string Text(const Json& object, const char* key, size_t limit = MaxText)
{
    const auto it = object.find(key);
    return it != object.end() && it->is_string() ? Capped(it->get<std::string>(), limit) : std::string();
}

double Number(const Json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number())
        return 0;
    const double value = it->get<double>();
    if (!std::isfinite(value))
        return 0;
    return std::max(-1e7, std::min(1e7, value));
}

std::vector<std::string> Texts(const Json& object, const char* key, size_t count, size_t limit = MaxText)
{
    std::vector<std::string> texts;
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array())
        return texts;
    for (const Json& item : *it)
    {
        if (texts.size() >= count)
            break;
        if (item.is_string())
            texts.push_back(Capped(item.get<std::string>(), limit));
    }
    return texts;
}

PageReport::Box ReadBox(const Json& object)
{
    PageReport::Box box;
    box.x = Number(object, "x");
    box.y = Number(object, "y");
    box.w = std::max(0.0, Number(object, "w"));
    box.h = std::max(0.0, Number(object, "h"));
    return box;
}
} // namespace

bool PageReport::Read(const std::string& json, std::string* error)
{
    const Json report = Json::parse(json, nullptr, false);
    if (report.is_discarded() || !report.is_object())
    {
        if (error)
            *error = "not a JSON object";
        return false;
    }
    pageUrl = Text(report, "url");
    viewWidth = Number(report, "vw");
    viewHeight = Number(report, "vh");
    pageWidth = Number(report, "dw");
    pageHeight = Number(report, "dh");
    const auto truncatedIt = report.find("truncated");
    truncated = truncatedIt != report.end() && truncatedIt->is_boolean() && truncatedIt->get<bool>();

    blocks.clear();
    const auto blockList = report.find("blocks");
    if (blockList != report.end() && blockList->is_array())
    {
        for (const Json& item : *blockList)
        {
            if (blocks.size() >= MaxBlocks)
                break;
            Block block;
            if (item.is_object())
            {
                block.signature = Text(item, "sig", 200);
                block.box = ReadBox(item);
                block.repeats = static_cast<int>(std::max(1.0, Number(item, "rep")));
                block.labels = Texts(item, "labels", MaxPieces, 100);
                block.texts = Texts(item, "texts", MaxPieces);
                block.urls = Texts(item, "urls", 4);
            }
            // A malformed block keeps its place, so later indexes stay right.
            blocks.push_back(std::move(block));
        }
    }

    links.clear();
    const auto linkList = report.find("links");
    if (linkList != report.end() && linkList->is_array())
    {
        for (const Json& item : *linkList)
        {
            if (links.size() >= MaxLinks)
                break;
            if (!item.is_object())
                continue;
            Link link;
            link.href = Text(item, "href");
            link.text = Text(item, "text");
            link.heading = static_cast<int>(std::max(0.0, std::min(6.0, Number(item, "hd"))));
            link.box = ReadBox(item);
            link.fontSize = std::max(0.0, Number(item, "fs"));
            link.landmark = Text(item, "lm", 16);
            const auto fixedIt = item.find("fixed");
            link.fixed = fixedIt != item.end() && ((fixedIt->is_boolean() && fixedIt->get<bool>()) ||
                                                   (fixedIt->is_number() && fixedIt->get<double>() != 0));
            link.context = Texts(item, "ctx", 8, 100);
            const auto chain = item.find("chain");
            if (chain != item.end() && chain->is_array())
            {
                for (const Json& index : *chain)
                {
                    if (link.chain.size() >= MaxChain)
                        break;
                    if (index.is_number_integer() && index.get<long long>() >= 0 &&
                        index.get<long long>() < static_cast<long long>(blocks.size()))
                        link.chain.push_back(static_cast<int>(index.get<long long>()));
                }
            }
            links.push_back(std::move(link));
        }
    }
    return true;
}
