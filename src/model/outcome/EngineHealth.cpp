#include "outcome/EngineHealth.h"

#include "catalogue/Engine.h"
#include "store/ConfigStore.h"
#include "store/PrivateFolder.h"
#include "store/SafeFile.h"

#include <wx/ffile.h>
#include <wx/filename.h>

#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include <algorithm>
#include <set>

namespace
{
// Far above what 20 outcomes of a few thousand engines take; a larger
// file is not ours.
const wxFileOffset MaxFileBytes = 8 * 1024 * 1024;
const size_t MaxEngines = 20000;

std::string Utf8(const wxString& text)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    return std::string(utf8.data(), utf8.length());
}

bool SameGroup(const std::string& a, const wxString& b)
{
    return wxString::FromUTF8(a.c_str()).IsSameAs(b, false);
}
} // namespace

EngineHealth::EngineHealth(const wxString& path) : m_path(path.empty() ? DefaultPath() : path)
{
}

wxString EngineHealth::DefaultPath()
{
    return ConfigStore::Folder() + "/engine_health.json";
}

bool EngineHealth::Load()
{
    m_records.clear();
    m_strSetAside.clear();
    m_bKeepFile = false;
    if (!wxFileName::FileExists(m_path))
        return true;
    if (Read())
        return true;
    m_records.clear();
    // Only a plain file of ours is moved; a link or a special file stays
    // where it is and is replaced as before.
    struct stat info;
    if (lstat(m_path.fn_str(), &info) == 0 && S_ISREG(info.st_mode))
    {
        const wxString backup = SafeFile::FreeBackupName(m_path);
        if (wxRenameFile(m_path, backup, false))
            m_strSetAside = backup;
        else
            m_bKeepFile = true;
    }
    return false;
}

bool EngineHealth::Read()
{
    wxFFile file(m_path, "rb");
    if (!file.IsOpened() || file.Length() > MaxFileBytes)
        return false;
    std::string bytes(static_cast<size_t>(file.Length()), '\0');
    if (!bytes.empty() && file.Read(&bytes[0], bytes.size()) != bytes.size())
        return false;
    const nlohmann::json doc = nlohmann::json::parse(bytes, nullptr, false);
    if (doc.is_discarded() || !doc.is_object() || !doc.contains("engines") || !doc["engines"].is_array())
        return false;
    for (const auto& item : doc["engines"])
    {
        if (m_records.size() >= MaxEngines)
            break;
        if (!item.is_object())
            continue;
        EngineRecord record;
        for (auto field : {std::make_pair("name", &record.name), std::make_pair("url", &record.url),
                           std::make_pair("language", &record.language),
                           std::make_pair("category", &record.category)})
        {
            const auto it = item.find(field.first);
            if (it != item.end() && it->is_string())
                *field.second = it->get<std::string>();
        }
        const auto outcomes = item.find("outcomes");
        if (outcomes == item.end() || !outcomes->is_array())
            continue;
        for (const auto& o : *outcomes)
        {
            Entry entry;
            if (!o.is_object() || !o.contains("outcome") || !o["outcome"].is_string() ||
                !ParseOutcome(o["outcome"].get<std::string>(), entry.outcome))
                continue;
            if (o.contains("time") && o["time"].is_number_integer())
                entry.when = static_cast<std::time_t>(o["time"].get<long long>());
            if (o.contains("links") && o["links"].is_number_integer())
                entry.links = std::max(0, std::min(100000, o["links"].get<int>()));
            record.entries.push_back(entry);
        }
        if (record.entries.size() > Kept)
            record.entries.erase(record.entries.begin(), record.entries.end() - Kept);
        if (!record.entries.empty())
            m_records.push_back(std::move(record));
    }
    return true;
}

bool EngineHealth::Save(const EngineArray& engines)
{
    if (m_bKeepFile)
        return false;
    // A deleted engine's history goes with it.
    m_records.erase(std::remove_if(m_records.begin(), m_records.end(),
                                   [&](const EngineRecord& record) {
                                       return std::none_of(engines.begin(), engines.end(), [&](const Engine* e) {
                                           return SameGroup(record.language, e->m_strLanguage) &&
                                                  SameGroup(record.category, e->m_strCategory) &&
                                                  (record.url == Utf8(e->m_strUrl) ||
                                                   record.name == Utf8(e->m_strName));
                                       });
                                   }),
                    m_records.end());
    nlohmann::json list = nlohmann::json::array();
    for (const EngineRecord& record : m_records)
    {
        nlohmann::json outcomes = nlohmann::json::array();
        for (const Entry& entry : record.entries)
            outcomes.push_back({{"outcome", OutcomeName(entry.outcome)},
                                {"time", static_cast<long long>(entry.when)},
                                {"links", entry.links}});
        list.push_back({{"name", record.name},
                        {"url", record.url},
                        {"language", record.language},
                        {"category", record.category},
                        {"outcomes", outcomes}});
    }
    const nlohmann::json doc = {{"version", 1}, {"engines", list}};
    PrivateFolder::Make(wxFileName(m_path).GetPath());
    // Bytes a page gave us never end up unescaped: dump replaces bad UTF-8.
    return SafeFile::Replace(m_path, doc.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n",
                             SafeFile::Access::Private);
}

EngineHealth::EngineRecord* EngineHealth::Find(const Engine& engine)
{
    const std::string url = Utf8(engine.m_strUrl);
    const std::string name = Utf8(engine.m_strName);
    std::vector<EngineRecord*> byUrl, byName;
    for (EngineRecord& record : m_records)
    {
        if (!SameGroup(record.language, engine.m_strLanguage) || !SameGroup(record.category, engine.m_strCategory))
            continue;
        if (record.url == url && record.name == name)
            return &record;
        if (record.url == url)
            byUrl.push_back(&record);
        else if (record.name == name)
            byName.push_back(&record);
    }
    if (byUrl.empty() && byName.empty())
        return nullptr;
    // An edited engine keeps its history, unless the record still belongs
    // to another engine of the group (the same address under another name).
    std::set<std::pair<std::string, std::string>> claimed;
    if (m_pCatalogue)
    {
        for (const auto& other : m_pCatalogue->m_engines)
            if (other.get() != &engine && other->m_strLanguage.IsSameAs(engine.m_strLanguage, false) &&
                other->m_strCategory.IsSameAs(engine.m_strCategory, false))
                claimed.emplace(Utf8(other->m_strUrl), Utf8(other->m_strName));
    }
    for (const std::vector<EngineRecord*>* candidates : {&byUrl, &byName})
        for (EngineRecord* record : *candidates)
            if (!claimed.count({record->url, record->name}))
                return record;
    return nullptr;
}

const EngineHealth::EngineRecord* EngineHealth::Find(const Engine& engine) const
{
    return const_cast<EngineHealth*>(this)->Find(engine);
}

void EngineHealth::Record(const Engine& engine, PageOutcome outcome, int links, std::time_t when)
{
    EngineRecord* record = Find(engine);
    if (!record)
    {
        m_records.emplace_back();
        record = &m_records.back();
    }
    // The record follows the engine's current name and address.
    record->name = Utf8(engine.m_strName);
    record->url = Utf8(engine.m_strUrl);
    record->language = Utf8(engine.m_strLanguage);
    record->category = Utf8(engine.m_strCategory);
    record->entries.push_back({outcome, when, links});
    if (record->entries.size() > Kept)
        record->entries.erase(record->entries.begin(), record->entries.end() - Kept);
}

void EngineHealth::Amend(const Engine& engine, PageOutcome outcome, int links)
{
    EngineRecord* record = Find(engine);
    if (!record || record->entries.empty())
    {
        Record(engine, outcome, links, std::time(nullptr));
        return;
    }
    record->entries.back().outcome = outcome;
    record->entries.back().links = links;
}

std::vector<EngineHealth::Entry> EngineHealth::History(const Engine& engine) const
{
    const EngineRecord* record = Find(engine);
    return record ? record->entries : std::vector<Entry>();
}

int EngineHealth::UsualLinks(const Engine& engine) const
{
    std::vector<int> counts;
    for (const Entry& entry : History(engine))
        if (entry.outcome == PageOutcome::Results)
            counts.push_back(entry.links);
    if (counts.empty())
        return 0;
    std::nth_element(counts.begin(), counts.begin() + counts.size() / 2, counts.end());
    return counts[counts.size() / 2];
}

int EngineHealth::ResultCount(const std::vector<Entry>& history)
{
    return static_cast<int>(std::count_if(history.begin(), history.end(),
                                          [](const Entry& e) { return e.outcome == PageOutcome::Results; }));
}

bool EngineHealth::IsFailing(const std::vector<Entry>& history)
{
    if (history.size() < Failing)
        return false;
    // An engine that found nothing for odd words, or asked for consent, still
    // answers; one that fails, errs or checks for bots each time may not.
    return std::all_of(history.end() - Failing, history.end(), [](const Entry& e) {
        return e.outcome == PageOutcome::Failed || e.outcome == PageOutcome::HttpError ||
               e.outcome == PageOutcome::BotCheck;
    });
}
