#include "catalogue/EngineManager.h"

#include "catalogue/EngineRules.h"
#include "store/SafeFile.h"
#include "catalogue/XmlLoader.h"

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/stream.h>
#include <wx/wxcrt.h>
#include <wx/xml/xml.h>

#include <algorithm>

namespace
{
bool IsEngineElement(const wxXmlNode* node)
{
    return node->GetType() == wxXML_ELEMENT_NODE && node->GetName().IsSameAs(wxS("ENGINE"), false);
}

// The value slot for a field element, or null for ID and unknown names.
wxString* FieldFor(const wxString& tag, wxString& index, wxString& language, wxString& category,
                   wxString& name, wxString& url, wxString& encoding, wxString& enable,
                   wxString& suggestUrl, wxString& shortcut)
{
    static const wxString names[] = {wxS("INDEX"),    wxS("LANGUAGE"), wxS("CATEGORY"),
                                     wxS("NAME"),     wxS("URL"),      wxS("ENCODING"),
                                     wxS("ENABLE"),   wxS("SUGGEST_URL"), wxS("SHORTCUT")};
    wxString* slots[] = {&index,    &language, &category,    &name,    &url,
                         &encoding, &enable,   &suggestUrl, &shortcut};
    // Files written by the program use upper case; try the exact match first.
    for (size_t i = 0; i < WXSIZEOF(names); ++i)
        if (tag == names[i])
            return slots[i];
    for (size_t i = 0; i < WXSIZEOF(names); ++i)
        if (tag.length() == names[i].length() && tag.IsSameAs(names[i], false))
            return slots[i];
    return nullptr;
}

// The text of the first text or CDATA child, as wxXmlNode::GetNodeContent.
const wxString& NodeContent(const wxXmlNode* element)
{
    for (const wxXmlNode* n = element->GetChildren(); n; n = n->GetNext())
        if (n->GetType() == wxXML_TEXT_NODE || n->GetType() == wxXML_CDATA_SECTION_NODE)
            return n->GetContent();
    static const wxString empty;
    return empty;
}

wxXmlNode* NewField(const wxString& name, const wxString& value)
{
    wxXmlNode* field = new wxXmlNode(wxXML_ELEMENT_NODE, name);
    field->AddChild(new wxXmlNode(wxXML_TEXT_NODE, wxString(), value));
    return field;
}

wxXmlNode* NewEngineElement(const Engine& engine, size_t position)
{
    wxXmlNode* element = new wxXmlNode(wxXML_ELEMENT_NODE, wxS("ENGINE"));
    // Children are chained by hand: AddChild walks the whole child list.
    wxXmlNode* fields[] = {
        NewField(wxS("ID"), wxString::Format(wxS("%lu"), static_cast<unsigned long>(position + 10001))),
        NewField(wxS("INDEX"), wxString::Format(wxS("%d"), engine.m_nIndex)),
        NewField(wxS("LANGUAGE"), engine.m_strLanguage),
        NewField(wxS("CATEGORY"), engine.m_strCategory),
        NewField(wxS("NAME"), engine.m_strName),
        NewField(wxS("URL"), engine.m_strUrl),
        NewField(wxS("ENCODING"), engine.m_strEncoding),
        NewField(wxS("ENABLE"), engine.m_bEnable ? wxS("1") : wxS("0")),
    };
    element->AddChild(fields[0]);
    for (size_t i = 1; i < WXSIZEOF(fields); ++i)
        element->InsertChildAfter(fields[i], fields[i - 1]);
    // Optional and after the fields every reader knows: readers that do not
    // know them skip them, and a catalogue without them is written exactly
    // as before.
    wxXmlNode* last = fields[WXSIZEOF(fields) - 1];
    if (!engine.m_strShortcut.empty())
    {
        // As stored, even when it breaks the rules: the user may repair it.
        wxXmlNode* shortcut = NewField(wxS("SHORTCUT"), engine.m_strShortcut);
        element->InsertChildAfter(shortcut, last);
        last = shortcut;
    }
    if (!engine.m_strSuggestUrl.empty())
        element->InsertChildAfter(NewField(wxS("SUGGEST_URL"), engine.m_strSuggestUrl), last);
    return element;
}

} // namespace

EngineManager::EngineManager() = default;

EngineManager::~EngineManager()
{
    ClearFiltered();
    DeleteAll();
}

void EngineManager::Load()
{
    // Problems are not shown to the user: an unreadable catalogue is empty.
    wxLogNull noLog;
    ClearFiltered();
    DeleteAll();
    m_pRoot = nullptr;
    m_bUnreadableFile = false;
    if (!wxFileName::FileExists(m_strFileName))
        return;
    if (!XmlLoader::Load(m_doc, m_strFileName))
    {
        m_bUnreadableFile = true;
        return;
    }
    m_pRoot = m_doc.GetRoot();
    if (!m_pRoot || !m_pRoot->GetName().IsSameAs(wxS("ENGINES"), false))
    {
        m_bUnreadableFile = true;
        return;
    }

    for (const wxXmlNode* node = m_pRoot->GetChildren(); node && IsEngineElement(node);
         node = node->GetNext())
    {
        wxString index, language, category, name, url, encoding, enable, suggestUrl, shortcut;
        for (const wxXmlNode* field = node->GetChildren(); field; field = field->GetNext())
        {
            if (field->GetType() != wxXML_ELEMENT_NODE)
                continue;
            if (wxString* target = FieldFor(field->GetName(), index, language, category, name,
                                            url, encoding, enable, suggestUrl, shortcut))
                *target = NodeContent(field);
        }

        auto engine = std::make_unique<Engine>();
        engine->m_nIndex = EngineRules::ParseIndex(index);
        engine->m_strLanguage = std::move(language);
        engine->m_strCategory = std::move(category);
        engine->m_strName = std::move(name);
        if (url.find(wxS("&#38;")) != wxString::npos)
            url.Replace(wxS("&#38;"), wxS("&"));
        engine->m_strUrl = std::move(url);
        engine->m_strEncoding = encoding.empty() ? wxString(wxS("UTF-8")) : std::move(encoding);
        engine->m_bEnable = !enable.IsSameAs(wxS("0"), false);
        engine->m_strSuggestUrl = std::move(suggestUrl);
        engine->m_strShortcut = std::move(shortcut);
        m_engines.push_back(std::move(engine));
    }
}

bool EngineManager::Save()
{
    if (!m_bModified)
        return true;
    wxLogNull noLog;

    const wxString fileName = m_strFileName;
    if (m_bUnreadableFile && wxFileName::FileExists(fileName))
    {
        // Never overwrite a catalogue we could not read: the user may repair it.
        if (!wxCopyFile(fileName, SafeFile::FreeBackupName(fileName), false))
            return false;
    }
    if (!m_pRoot || m_bUnreadableFile)
    {
        m_doc = wxXmlDocumentEx();
        m_doc.SetVersion("1.0");
        m_doc.SetFileEncoding("UTF-8");
        m_pRoot = new wxXmlNode(wxXML_ELEMENT_NODE, "ENGINES");
        m_doc.SetRoot(m_pRoot);
        m_bUnreadableFile = false;
    }

    // Replace the run of ENGINE elements that Load read, in place, so that
    // whatever follows it stays where it was and every engine is read back once.
    while (wxXmlNode* first = m_pRoot->GetChildren())
    {
        if (!IsEngineElement(first))
            break;
        m_pRoot->RemoveChild(first);
        delete first;
    }
    wxXmlNode* previous = nullptr;
    for (size_t i = 0; i < m_engines.size(); ++i)
    {
        wxXmlNode* element = NewEngineElement(*m_engines[i], i);
        if (previous)
            m_pRoot->InsertChildAfter(element, previous);
        else if (wxXmlNode* first = m_pRoot->GetChildren())
            m_pRoot->InsertChild(element, first);
        else
            m_pRoot->AddChild(element);
        previous = element;
    }

    return SafeFile::Replace(fileName, [this](wxOutputStream& out) { return m_doc.Save(out, 1); });
}

const EngineArray& EngineManager::GetEngines(const wxString& language,
                                             const wxString& category, bool includeDisabled)
{
    m_filtered.clear();
    for (const auto& engine : m_engines)
    {
        if (!includeDisabled && !engine->m_bEnable)
            continue;
        if (engine->m_strLanguage.IsSameAs(language, false) &&
            engine->m_strCategory.IsSameAs(category, false))
            m_filtered.push_back(engine.get());
    }
    EngineRules::SortByIndex(m_filtered);
    return m_filtered;
}

size_t EngineManager::GetEnabledCount() const
{
    return static_cast<size_t>(std::count_if(m_engines.begin(), m_engines.end(),
                                             [](const auto& e) { return e->m_bEnable; }));
}

void EngineManager::GetLanguages(wxArrayString& languages) const
{
    for (const auto& engine : m_engines)
    {
        if (languages.Index(engine->m_strLanguage, false) == wxNOT_FOUND)
            languages.Add(engine->m_strLanguage);
    }
}

void EngineManager::GetCategories(wxArrayString& categories, const wxString& language) const
{
    for (const auto& engine : m_engines)
    {
        if (!language.empty() && !engine->m_strLanguage.IsSameAs(language, false))
            continue;
        if (categories.Index(engine->m_strCategory, false) == wxNOT_FOUND)
            categories.Add(engine->m_strCategory);
    }
}

bool EngineManager::IndexExists(int index) const
{
    return std::any_of(m_engines.begin(), m_engines.end(),
                       [index](const auto& e) { return e->m_nIndex == index; });
}

int EngineManager::GetMaxIndex() const
{
    int maxIndex = -1;
    for (const auto& engine : m_engines)
        maxIndex = std::max(maxIndex, engine->m_nIndex);
    return maxIndex;
}

void EngineManager::MarkAll(bool value)
{
    for (const auto& engine : m_engines)
        engine->m_bMark = value;
}

void EngineManager::AddEngine(std::unique_ptr<Engine> engine)
{
    if (!engine)
        return;
    MarkAll(false);
    engine->m_bMark = true;
    m_strCurLang = engine->m_strLanguage;
    m_strCurCategory = engine->m_strCategory;
    m_engines.push_back(std::move(engine));
    NotifyChanged();
}

void EngineManager::AddEngines(std::vector<std::unique_ptr<Engine>> engines)
{
    engines.erase(std::remove(engines.begin(), engines.end(), nullptr), engines.end());
    if (engines.empty())
        return;
    MarkAll(false);
    m_strCurLang = engines.back()->m_strLanguage;
    m_strCurCategory = engines.back()->m_strCategory;
    m_engines.reserve(m_engines.size() + engines.size());
    for (auto& engine : engines)
    {
        engine->m_bMark = true;
        m_engines.push_back(std::move(engine));
    }
    NotifyChanged();
}

void EngineManager::EngineChanged(Engine* engine)
{
    if (!engine)
        return;
    MarkAll(false);
    engine->m_bMark = true;
    m_strCurLang = engine->m_strLanguage;
    m_strCurCategory = engine->m_strCategory;
    NotifyChanged();
}

void EngineManager::RemoveEngine(Engine* engine)
{
    auto it = std::find_if(m_engines.begin(), m_engines.end(),
                           [engine](const auto& e) { return e.get() == engine; });
    if (it == m_engines.end())
        return;
    MarkAll(false);
    m_strCurLang = engine->m_strLanguage;
    m_strCurCategory = engine->m_strCategory;
    // The last query's result must not keep a pointer to a destroyed engine.
    m_filtered.erase(std::remove(m_filtered.begin(), m_filtered.end(), engine), m_filtered.end());
    m_engines.erase(it);
    NotifyChanged();
}

void EngineManager::SwapIndex(Engine* engine, Engine* neighbour)
{
    if (!engine || !neighbour || engine == neighbour)
        return;
    std::swap(engine->m_nIndex, neighbour->m_nIndex);
    EngineChanged(engine);
}

void EngineManager::ClearFiltered()
{
    m_filtered.clear();
}

void EngineManager::DeleteAll()
{
    m_filtered.clear();
    while (!m_engines.empty())
        m_engines.pop_back();
}

void EngineManager::NotifyChanged()
{
    m_bModified = true;
    if (m_pObserver)
        m_pObserver->OnEngineChanged();
}
