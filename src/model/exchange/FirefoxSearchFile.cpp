#include "exchange/FirefoxSearchFile.h"

#include "catalogue/EngineRules.h"
#include "exchange/ImportLimits.h"
#include "exchange/OpenSearchDescription.h"

#include <wx/intl.h>

#include <lz4.h>
#include <nlohmann/json.hpp>

#include <cstring>

namespace
{
const char Magic[8] = {'m', 'o', 'z', 'L', 'z', '4', '0', '\0'};
constexpr size_t HeaderBytes = sizeof Magic + 4;

using Json = nlohmann::json;

wxString Text(const Json& object, const char* key)
{
    const auto it = object.find(key);
    if (it == object.end() || !it->is_string())
        return wxString();
    const std::string& value = it->get_ref<const std::string&>();
    return wxString::FromUTF8Unchecked(value.data(), value.size());
}

// A stored _urls entry as an OpenSearch Url, so that both imports expand
// templates and parameters by one rule.
OpenSearchDescription::Url ToUrl(const Json& stored)
{
    OpenSearchDescription::Url url;
    url.type = Text(stored, "type");
    url.method = Text(stored, "method");
    url.templ = Text(stored, "template");
    const auto params = stored.find("params");
    if (params != stored.end() && params->is_array())
    {
        for (const Json& param : *params)
        {
            if (!param.is_object())
                continue;
            // Entries without a value (a "purpose" or "condition" only) are
            // the browser's own bookkeeping.
            OpenSearchDescription::Param p{Text(param, "name"), Text(param, "value")};
            if (!p.name.empty() && param.contains("value"))
                url.params.push_back(std::move(p));
        }
    }
    return url;
}

BrowserEngine ToEngine(const Json& entry)
{
    BrowserEngine result;
    Engine& engine = result.engine;
    wxString name = Text(entry, "_name");
    name.Trim(true).Trim(false);
    const auto meta = entry.find("_metaData");
    wxString alias = meta != entry.end() && meta->is_object() ? Text(*meta, "alias") : wxString();
    alias.Trim(true).Trim(false);

    OpenSearchDescription description;
    description.m_strShortName = name;
    description.m_strInputEncoding = Text(entry, "queryCharset").Trim(true).Trim(false);
    if (EngineRules::HasForbiddenCharacter(description.m_strInputEncoding))
        description.m_strInputEncoding.clear();
    // The result page is the text/html entry, else the first without a
    // type; the suggestion entry comes along. Other types (keyword search,
    // images) are not result pages.
    std::vector<OpenSearchDescription::Url> stored;
    const auto urls = entry.find("_urls");
    if (urls != entry.end() && urls->is_array())
    {
        for (const Json& url : *urls)
            if (url.is_object())
                stored.push_back(ToUrl(url));
    }
    const OpenSearchDescription::Url* page = nullptr;
    for (const auto& url : stored)
        if (!page && url.type.IsSameAs(wxS("text/html"), false))
            page = &url;
    for (const auto& url : stored)
        if (!page && url.type.empty())
            page = &url;
    if (page)
        description.m_urls.push_back(*page);
    for (const auto& url : stored)
        if (url.type.IsSameAs(wxS("application/x-suggestions+json"), false))
            description.m_urls.push_back(url);

    Engine named;
    named.m_strName = name;
    if (name.empty())
        result.problem = ImportMessage(wxTRANSLATE("An engine without a name cannot be added."));
    else if (!ImportLimits::Check(named, result.problem))
        name = ImportLimits::ShortName(name);
    else if (stored.empty())
        result.problem = ImportMessage(wxTRANSLATE("The browser does not store this engine's address."));
    else if (description.ToEngine(wxString(), engine, result.problem))
    {
        engine.m_strShortcut = alias;
        ImportLimits::Check(engine, result.problem);
    }
    engine.m_strName = name;
    if (!result.problem.IsEmpty())
        engine.m_strUrl.clear();
    return result;
}
} // namespace

bool FirefoxSearchFile::HasMagic(const std::string& bytes)
{
    return bytes.size() >= sizeof Magic && std::memcmp(bytes.data(), Magic, sizeof Magic) == 0;
}

bool FirefoxSearchFile::Decompress(const std::string& bytes, std::string& json, ImportMessage& error)
{
    if (!HasMagic(bytes) || bytes.size() < HeaderBytes)
    {
        error = ImportMessage(wxTRANSLATE("The browser's engine file is truncated or damaged."));
        return false;
    }
    const auto* size = reinterpret_cast<const unsigned char*>(bytes.data() + sizeof Magic);
    const unsigned long long expected = size[0] | (size[1] << 8) | (size[2] << 16) |
                                        (static_cast<unsigned long long>(size[3]) << 24);
    const size_t compressed = bytes.size() - HeaderBytes;
    if (expected > MaxDecompressedBytes || compressed > static_cast<size_t>(LZ4_MAX_INPUT_SIZE))
    {
        error = ImportMessage(wxTRANSLATE("The browser's engine file is larger than 32 MiB."));
        return false;
    }
    json.assign(static_cast<size_t>(expected), '\0');
    // The safe decoder never writes past the buffer nor reads past the input.
    const int written = LZ4_decompress_safe(bytes.data() + HeaderBytes, json.data(),
                                            static_cast<int>(compressed), static_cast<int>(expected));
    if (written < 0 || static_cast<unsigned long long>(written) != expected)
    {
        json.clear();
        error = ImportMessage(wxTRANSLATE("The browser's engine file is truncated or damaged."));
        return false;
    }
    return true;
}

bool FirefoxSearchFile::Read(const std::string& bytes, std::vector<BrowserEngine>& engines,
                             ImportMessage& error, ImportMessage* note)
{
    engines.clear();
    std::string text;
    if (!Decompress(bytes, text, error))
        return false;
    // What an engine needs, by depth: engines[] { _name, queryCharset,
    // _metaData { alias }, _urls[] { type, method, template, params[] {
    // name, value } } }. Everything else is dropped as it is read, so a
    // deep or huge part costs no memory and no recursion.
    size_t entries = 0;
    bool tooMany = false, inEngines = false;
    auto keep = [&](int depth, Json::parse_event_t event, Json& parsed) -> bool {
        if (depth > ImportLimits::MaxJsonDepth)
            return false;
        switch (event)
        {
        case Json::parse_event_t::key:
        {
            const std::string& key = parsed.get_ref<const std::string&>();
            switch (depth)
            {
            case 1:
                inEngines = key == "engines";
                return inEngines;
            case 3:
                return key == "_name" || key == "queryCharset" || key == "_metaData" || key == "_urls";
            case 4:
                return key == "alias";
            case 5:
                return key == "type" || key == "method" || key == "template" || key == "params";
            case 7:
                return key == "name" || key == "value";
            default:
                return false;
            }
        }
        case Json::parse_event_t::object_start:
            if (depth == 2 && inEngines && ++entries > ImportLimits::MaxEngines)
            {
                tooMany = true;
                return false;
            }
            return depth <= 6;
        case Json::parse_event_t::array_start:
            return depth <= 5;
        default:
            return true;
        }
    };
    const Json root = Json::parse(text, keep, false);
    text.clear();
    text.shrink_to_fit();
    const auto list = root.is_object() ? root.find("engines") : root.end();
    if (root.is_discarded() || !root.is_object() || list == root.end() || !list->is_array())
    {
        error = ImportMessage(wxTRANSLATE("The browser's engine file does not hold an engine list."));
        return false;
    }
    for (const Json& entry : *list)
    {
        if (entry.is_object())
            engines.push_back(ToEngine(entry));
    }
    if (tooMany && note)
        *note = ImportLimits::TooManyEngines();
    return true;
}
