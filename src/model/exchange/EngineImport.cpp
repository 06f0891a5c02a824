#include "exchange/EngineImport.h"

#include "base/TerminalText.h"
#include "catalogue/EngineRules.h"
#include "catalogue/ShortcutQuery.h"
#include "exchange/ChromiumWebData.h"
#include "exchange/FirefoxSearchFile.h"
#include "exchange/OpenSearchDescription.h"

#include <wx/arrstr.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <set>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
enum class ReadResult
{
    Ok,
    Unreadable,
    NotRegular  // a FIFO, device or socket: opening or reading it could wait forever
};

// At most `limit` + 1 bytes, so that the caller can tell a file is too big.
// The file is opened without waiting and judged by what was opened.
ReadResult ReadUpTo(const wxString& path, size_t limit, std::string& bytes)
{
    bytes.clear();
    const int fd = ::open(path.fn_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        struct stat st{};
        return ::stat(path.fn_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)
                   ? ReadResult::NotRegular
                   : ReadResult::Unreadable;
    }
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    {
        const bool dir = S_ISDIR(st.st_mode);
        ::close(fd);
        return dir ? ReadResult::Unreadable : ReadResult::NotRegular;
    }
    char buffer[64 * 1024];
    while (bytes.size() <= limit)
    {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            ::close(fd);
            return ReadResult::Unreadable;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return ReadResult::Ok;
}

ImportMessage ReadProblem(ReadResult result)
{
    return result == ReadResult::NotRegular
               ? ImportMessage(wxTRANSLATE("Only ordinary files can be imported; this is a pipe, device or socket."))
               : ImportMessage(wxTRANSLATE("The file cannot be read."));
}

wxString Field(wxString text)
{
    text.Replace(wxS("\t"), wxS(" "));
    text.Replace(wxS("\r"), wxS(" "));
    text.Replace(wxS("\n"), wxS(" "));
    return TerminalText::Escape(text);
}

wxString FileAddress(const wxString& path)
{
    wxFileName name(path);
    name.MakeAbsolute();
    return wxFileName::FileNameToURL(name);
}
} // namespace

void EngineImport::AddFailure(const wxString& source, const ImportMessage& problem)
{
    Item item;
    item.source = source;
    item.problem = problem;
    m_items.push_back(std::move(item));
}

void EngineImport::AddFile(const wxString& path)
{
    std::string bytes;
    // The head tells the kind; a browser's database is not read whole.
    const ReadResult head = ReadUpTo(path, 16, bytes);
    if (head != ReadResult::Ok)
    {
        AddFailure(path, ReadProblem(head));
        return;
    }
    std::vector<BrowserEngine> engines;
    ImportMessage error, note;
    if (ChromiumWebData::HasMagic(bytes))
    {
        if (ChromiumWebData::Read(path, engines, error, &note))
            AddBrowserEngines(path, engines, note);
        else
            AddFailure(path, error);
        return;
    }
    if (FirefoxSearchFile::HasMagic(bytes))
    {
        const ReadResult whole = ReadUpTo(path, FirefoxSearchFile::MaxFileBytes, bytes);
        if (whole != ReadResult::Ok)
            AddFailure(path, ReadProblem(whole));
        else if (bytes.size() > FirefoxSearchFile::MaxFileBytes)
            AddFailure(path, ImportMessage(wxTRANSLATE("The file is too large.")));
        else if (FirefoxSearchFile::Read(bytes, engines, error, &note))
            AddBrowserEngines(path, engines, note);
        else
            AddFailure(path, error);
        return;
    }
    const ReadResult whole = ReadUpTo(path, MaxCatalogueBytes, bytes);
    if (whole != ReadResult::Ok)
    {
        AddFailure(path, ReadProblem(whole));
        return;
    }
    if (OpenSearchDescription::RootName(bytes).IsSameAs(wxS("ENGINES"), false))
    {
        if (bytes.size() > MaxCatalogueBytes)
            AddFailure(path, ImportMessage(wxTRANSLATE("The file is too large.")));
        else
            AddCatalogue(path);
        return;
    }
    AddDescription(bytes, FileAddress(path));
    m_items.back().source = path;
}

void EngineImport::AddProfile(const BrowserProfiles::Profile& profile)
{
    AddFile(profile.file);
}

void EngineImport::AddBrowserEngines(const wxString& path, std::vector<BrowserEngine>& engines,
                                     const ImportMessage& note)
{
    if (engines.empty())
    {
        AddFailure(path, ImportMessage(wxTRANSLATE("The browser's engine file holds no engines.")));
        return;
    }
    for (BrowserEngine& found : engines)
    {
        Item item;
        item.source = path;
        item.engine = std::make_unique<Engine>(std::move(found.engine));
        item.problem = found.problem;
        m_items.push_back(std::move(item));
    }
    // What was left unread is said once, after what was read.
    if (!note.IsEmpty())
        AddFailure(path, note);
}

void EngineImport::AddDescription(const std::string& bytes, const wxString& address)
{
    OpenSearchDescription description;
    ImportMessage problem;
    auto engine = std::make_unique<Engine>();
    if (!description.Parse(bytes, problem))
    {
        AddFailure(address, problem);
        return;
    }
    Item item;
    item.source = address;
    if (!description.ToEngine(address, *engine, problem))
    {
        // The name is known: the report names the engine, not the file.
        engine->m_strName = description.m_strShortName;
        engine->m_strUrl.clear();
        item.problem = problem;
    }
    item.engine = std::move(engine);
    m_items.push_back(std::move(item));
}

void EngineImport::AddCatalogue(const wxString& path)
{
    EngineManager file;
    file.SetFileName(path);
    file.Load();
    if (file.WasUnreadable())
    {
        AddFailure(path, ImportMessage(wxTRANSLATE("The catalogue file is not well-formed XML.")));
        return;
    }
    if (file.m_engines.empty())
    {
        AddFailure(path, ImportMessage(wxTRANSLATE("The catalogue file holds no engines.")));
        return;
    }
    for (auto& engine : file.m_engines)
    {
        Item item;
        item.source = path;
        item.fromCatalogue = true;
        item.problem = CheckRecord(*engine);
        engine->m_bMark = false;
        if (!EngineRules::IsWebAddress(engine->m_strSuggestUrl))
            engine->m_strSuggestUrl.clear();  // as a description's would be
        item.engine = std::move(engine);
        m_items.push_back(std::move(item));
    }
    file.m_engines.clear();
}

ImportMessage EngineImport::CheckRecord(const Engine& engine)
{
    if (engine.m_strName.empty())
        return ImportMessage(wxTRANSLATE("An engine without a name cannot be added."));
    if (engine.m_strUrl.find('*') == wxString::npos)
        return ImportMessage(
            wxTRANSLATE("The search address of \"%s\" has no '*' where the keyword goes."),
            engine.m_strName);
    if (!EngineRules::IsWebAddress(engine.m_strUrl))
        return ImportMessage(
            wxTRANSLATE("The search address of \"%s\" is not an http or https address."),
            engine.m_strName);
    if (EngineRules::HasForbiddenCharacter(engine.m_strName) ||
        EngineRules::HasForbiddenCharacter(engine.m_strUrl) ||
        EngineRules::HasForbiddenCharacter(engine.m_strLanguage) ||
        EngineRules::HasForbiddenCharacter(engine.m_strCategory))
        return ImportMessage(
            wxTRANSLATE("The name or the search address of \"%s\" contains control characters."),
            engine.m_strName);
    return ImportMessage();
}

wxString EngineImport::Likeness(const wxString& url)
{
    wxString address = url.BeforeFirst('#');
    const wxString query = address.AfterFirst('?');
    address = address.BeforeFirst('?');
    const int scheme = address.Find(wxS("://"));
    if (scheme == wxNOT_FOUND || query.empty())
        return wxString();
    const size_t hostStart = static_cast<size_t>(scheme) + 3;
    const size_t pathStart = std::min(address.find('/', hostStart), address.length());
    wxString searched;
    for (const wxString& pair : wxSplit(query, '&', '\0'))
    {
        if (pair.AfterFirst('=').Contains(wxS("*")))
        {
            searched = pair.BeforeFirst('=');
            break;
        }
    }
    if (searched.empty())
        return wxString();
    return address.Left(pathStart).Lower() + address.Mid(pathStart) + wxS("?") + searched;
}

void EngineImport::CheckDuplicates(const EngineManager& catalogue, const wxString& language,
                                   const wxString& category)
{
    // Groups compare without regard to case, as the catalogue's queries do.
    auto key = [](const wxString& lang, const wxString& cat, const wxString& url) {
        return (lang.Lower() + wxS('\t') + cat.Lower() + wxS('\t') + url).ToStdWstring();
    };
    std::unordered_set<std::wstring> urls, likenesses;
    for (const auto& engine : catalogue.m_engines)
    {
        urls.insert(key(engine->m_strLanguage, engine->m_strCategory, engine->m_strUrl));
        const wxString likeness = Likeness(engine->m_strUrl);
        if (!likeness.empty())
            likenesses.insert(key(engine->m_strLanguage, engine->m_strCategory, likeness));
    }
    std::vector<size_t> chosen;
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        Item& item = m_items[i];
        // Every route's engines meet the record rules here, whoever made them.
        if (item.engine && item.problem.IsEmpty())
            item.problem = CheckRecord(*item.engine);
        const bool was = item.duplicate, wasProbable = item.probable;
        item.duplicate = false;
        item.probable = false;
        item.shortcutNote = ImportMessage();
        const bool addable = item.engine && item.problem.IsEmpty();
        if (addable)
        {
            const Engine& engine = *item.engine;
            // As Apply will place it.
            const bool ownLang = item.fromCatalogue && !engine.m_strLanguage.empty();
            const bool ownCat = item.fromCatalogue && !engine.m_strCategory.empty();
            const wxString lang = ownLang ? engine.m_strLanguage : language;
            const wxString cat = ownCat ? engine.m_strCategory : category;
            item.duplicate = !urls.insert(key(lang, cat, engine.m_strUrl)).second;
            const wxString likeness = Likeness(engine.m_strUrl);
            if (!likeness.empty())
                item.probable = !likenesses.insert(key(lang, cat, likeness)).second && !item.duplicate;
        }
        if (!m_bChecked || was != item.duplicate || wasProbable != item.probable)
            item.chosen = addable && !item.duplicate && !item.probable;
        if (item.chosen)
            chosen.push_back(i);
    }
    m_bChecked = true;
    // Shown before the person adds them; Apply judges again what is chosen then.
    NoteTakenShortcuts(catalogue, chosen);
}

size_t EngineImport::Apply(EngineManager& catalogue, const wxString& language,
                           const wxString& category, bool languageForAll, bool categoryForAll)
{
    std::set<int> used;
    for (const auto& engine : catalogue.m_engines)
        used.insert(engine->m_nIndex);
    long long last = catalogue.GetMaxIndex();
    auto next = [&last]() {
        last = std::min<long long>(last + 1, INT_MAX);
        return static_cast<int>(last);
    };

    // Every chosen engine's group first: index order matters within a group.
    std::vector<size_t> chosen;
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        Item& item = m_items[i];
        if (item.chosen && item.engine && item.problem.IsEmpty())
            item.problem = CheckRecord(*item.engine);  // even without CheckDuplicates
        if (!item.chosen || !item.engine || !item.problem.IsEmpty())
            continue;
        Engine& engine = *item.engine;
        if (!item.fromCatalogue || languageForAll || engine.m_strLanguage.empty())
            engine.m_strLanguage = language;
        if (!item.fromCatalogue || categoryForAll || engine.m_strCategory.empty())
            engine.m_strCategory = category;
        chosen.push_back(i);
    }

    // Catalogue engines keep free indexes. Within one group they are taken
    // in index order, and once one has to move, the later ones move too, so
    // the group's order survives; new indexes come after every used one.
    std::vector<size_t> order;
    for (size_t i : chosen)
        if (m_items[i].fromCatalogue)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        return m_items[a].engine->m_nIndex < m_items[b].engine->m_nIndex;
    });
    std::vector<std::pair<wxString, wxString>> movedGroups;
    auto groupMoved = [&movedGroups](const Engine& e) {
        for (const auto& g : movedGroups)
            if (g.first.IsSameAs(e.m_strLanguage, false) && g.second.IsSameAs(e.m_strCategory, false))
                return true;
        return false;
    };
    for (size_t i : order)
    {
        Engine& engine = *m_items[i].engine;
        if (groupMoved(engine) || used.count(engine.m_nIndex) > 0)
        {
            if (!groupMoved(engine))
                movedGroups.emplace_back(engine.m_strLanguage, engine.m_strCategory);
            engine.m_nIndex = next();
        }
        used.insert(engine.m_nIndex);
        last = std::max<long long>(last, engine.m_nIndex);
    }

    KeepFreeShortcuts(catalogue, chosen);

    m_added.assign(m_items.size(), false);
    std::vector<std::unique_ptr<Engine>> engines;
    for (size_t i : chosen)
    {
        Engine& engine = *m_items[i].engine;
        if (!m_items[i].fromCatalogue)
            engine.m_nIndex = next();
        m_added[i] = true;
        engines.push_back(std::make_unique<Engine>(engine));
    }
    const size_t count = engines.size();
    catalogue.AddEngines(std::move(engines));
    return count;
}

void EngineImport::NoteTakenShortcuts(const EngineManager& catalogue,
                                      const std::vector<size_t>& chosen)
{
    const ShortcutQuery inUse(catalogue);
    std::set<wxString> taken;  // by engines of this import
    for (size_t i : chosen)
    {
        Item& item = m_items[i];
        item.shortcutNote = ImportMessage();
        wxString shortcut = item.engine->m_strShortcut;
        shortcut.Trim(true).Trim(false);
        if (shortcut.empty())
            continue;
        if (!EngineRules::IsWellFormedShortcut(shortcut))
            item.shortcutNote = ImportMessage(
                wxTRANSLATE("The shortcut \"%s\" is not valid; the engine was added without it."),
                shortcut);
        else if (inUse.Find(shortcut) || !taken.insert(EngineRules::ShortcutKey(shortcut)).second)
            item.shortcutNote = ImportMessage(
                wxTRANSLATE("The shortcut \"%s\" is already used; the engine was added without it."),
                shortcut);
    }
}

void EngineImport::KeepFreeShortcuts(const EngineManager& catalogue,
                                     const std::vector<size_t>& chosen)
{
    NoteTakenShortcuts(catalogue, chosen);
    for (size_t i : chosen)
    {
        Engine& engine = *m_items[i].engine;
        engine.m_strShortcut.Trim(true).Trim(false);
        if (!m_items[i].shortcutNote.IsEmpty())
            engine.m_strShortcut.clear();
    }
}

std::vector<wxString> EngineImport::ReportLines() const
{
    std::vector<wxString> lines;
    for (size_t i = 0; i < m_items.size(); ++i)
    {
        const Item& item = m_items[i];
        const wxString name = Field(item.engine ? item.engine->m_strName : item.source);
        if (i < m_added.size() && m_added[i])
        {
            lines.push_back(wxS("added\t") + name + wxS("\t") + Field(item.engine->m_strUrl));
            if (!item.shortcutNote.IsEmpty())
                lines.push_back(wxS("dropped\t") + name + wxS("\t") +
                                Field(item.shortcutNote.Text(false)));
        }
        else if (!item.problem.IsEmpty())
            lines.push_back(wxS("skipped\t") + name + wxS("\t") + Field(item.problem.Text(false)));
        else if (item.duplicate)
            lines.push_back(wxS("skipped\t") + name + wxS("\tduplicate"));
        else if (item.probable)
            lines.push_back(wxS("skipped\t") + name + wxS("\tprobably in catalogue"));
        else
            lines.push_back(wxS("skipped\t") + name + wxS("\tnot chosen"));
    }
    return lines;
}
