#include "outcome/PageSignals.h"

#include <nlohmann/json.hpp>

namespace
{
// A hostile page may hand back anything: only the expected shapes are kept,
// and no list grows past what the classifier needs.
const size_t MaxItems = 500;
const size_t MaxText = 2048;

std::string Text(const nlohmann::json& value)
{
    if (!value.is_string())
        return {};
    std::string text = value.get<std::string>();
    if (text.size() > MaxText)
        text.resize(MaxText);
    return text;
}

int Number(const nlohmann::json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_number())
        return 0;
    const double value = it->get<double>();
    return value > 1e6 ? 1000000 : value < 0 ? 0 : static_cast<int>(value);
}

std::vector<std::string> Texts(const nlohmann::json& object, const char* key)
{
    std::vector<std::string> texts;
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array())
        return texts;
    for (const auto& item : *it)
    {
        if (texts.size() >= MaxItems)
            break;
        if (item.is_string())
            texts.push_back(Text(item));
    }
    return texts;
}

std::vector<PageSignals::Box> Boxes(const nlohmann::json& object, const char* key)
{
    std::vector<PageSignals::Box> boxes;
    const auto it = object.find(key);
    if (it == object.end() || !it->is_array())
        return boxes;
    for (const auto& item : *it)
    {
        if (boxes.size() >= MaxItems)
            break;
        if (!item.is_object())
            continue;
        PageSignals::Box box;
        box.what = Text(item.value("what", nlohmann::json()));
        box.width = Number(item, "w");
        box.height = Number(item, "h");
        boxes.push_back(box);
    }
    return boxes;
}
} // namespace

bool PageSignals::ReadProbe(const std::string& json)
{
    const nlohmann::json report = nlohmann::json::parse(json, nullptr, false);
    if (report.is_discarded() || !report.is_object())
        return false;
    probed = true;
    links = Texts(report, "links");
    chromeLinks = Texts(report, "chrome");
    frames = Boxes(report, "frames");
    widgets = Boxes(report, "widgets");
    const auto coverage = report.find("overlay");
    overlayCoverage = coverage != report.end() && coverage->is_number() ? coverage->get<double>() : 0;
    if (!(overlayCoverage >= 0))
        overlayCoverage = 0;
    if (overlayCoverage > 1)
        overlayCoverage = 1;
    overlayButtons = Texts(report, "overlayButtons");
    pageButtons = Texts(report, "pageButtons");
    const auto url = report.find("url");
    if (url != report.end() && url->is_string())
        pageUrl = Text(*url);
    return true;
}
