#include "catalogue/ShortcutQuery.h"

#include "catalogue/EngineRules.h"

#include <wx/intl.h>

#include <unicode/uchar.h>

#include <algorithm>

namespace
{
bool Contains(const std::vector<const Engine*>& list, const Engine* engine)
{
    return std::find(list.begin(), list.end(), engine) != list.end();
}

wxString Say(const char* msgid, bool translated)
{
    return translated ? wxString(wxGetTranslation(msgid)) : wxString(msgid);
}

// Replaced by hand: a translation with a stray '%' must not break formatting.
wxString Fill(wxString format, const wxString& arg)
{
    format.Replace(wxS("%s"), arg, false);
    return format;
}

wxString Names(const std::vector<const Engine*>& engines)
{
    wxString names;
    for (const Engine* engine : engines)
    {
        if (!names.empty())
            names << wxS(", ");
        names << engine->m_strName;
    }
    return names;
}
} // namespace

ShortcutQuery::ShortcutQuery(const EngineManager& catalogue)
{
    for (const auto& engine : catalogue.m_engines)
    {
        if (!EngineRules::IsWellFormedShortcut(engine->m_strShortcut))
            continue;
        // The first engine keeps a shortcut that later ones repeat.
        m_byKey.emplace(EngineRules::ShortcutKey(engine->m_strShortcut), engine.get());
    }
}

bool ShortcutQuery::IsSeparator(wxUniChar c)
{
    return u_isUWhiteSpace(static_cast<UChar32>(c.GetValue()));
}

const Engine* ShortcutQuery::Find(const wxString& shortcut) const
{
    if (!EngineRules::IsWellFormedShortcut(shortcut))
        return nullptr;
    const auto found = m_byKey.find(EngineRules::ShortcutKey(shortcut));
    return found == m_byKey.end() ? nullptr : found->second;
}

bool ShortcutQuery::IsUsed(const Engine& engine) const
{
    return !engine.m_strShortcut.empty() && Find(engine.m_strShortcut) == &engine;
}

ShortcutQuery::Result ShortcutQuery::Parse(const wxString& text) const
{
    Result result;
    std::vector<wxString> words;
    size_t tokens = 0;
    wxString word;
    auto endWord = [&]() {
        if (word.empty())
            return;
        const Engine* engine = nullptr;
        if (word.length() > 1 && word[0] == '!' && tokens < MaxTokens)
            engine = Find(word.Mid(1));
        if (engine)
        {
            ++tokens;
            if (!Contains(result.selected, engine))
                result.selected.push_back(engine);
        }
        else
            words.push_back(word);
        word.clear();
    };
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
    {
        if (IsSeparator(*it))
            endWord();
        else
            word += *it;
    }
    endWord();

    if (result.selected.empty())
    {
        // Exactly the search there was before shortcuts.
        result.keyword = text;
        result.keyword.Trim(true).Trim(false);
        return result;
    }
    for (const wxString& w : words)
    {
        if (!result.keyword.empty())
            result.keyword << ' ';
        result.keyword << w;
    }

    const Engine* first = nullptr;
    for (const Engine* engine : result.selected)
    {
        if (!engine->m_bEnable)
        {
            result.disabled.push_back(engine);
            continue;
        }
        if (!first)
        {
            first = engine;
            result.language = engine->m_strLanguage;
            result.category = engine->m_strCategory;
        }
        // Groups match without regard to case, as the catalogue's queries do.
        if (engine->m_strLanguage.IsSameAs(result.language, false) &&
            engine->m_strCategory.IsSameAs(result.category, false))
            result.searched.push_back(engine);
        else
            result.otherGroup.push_back(engine);
    }
    return result;
}

std::vector<wxString> ShortcutQuery::Result::Notes(bool translated) const
{
    std::vector<wxString> notes;
    if (!HasShortcut())
        return notes;
    if (keyword.empty())
    {
        notes.push_back(Say(wxTRANSLATE("Type words to search after the shortcut."), translated));
        return notes;
    }
    if (!otherGroup.empty())
        // TRANSLATORS: followed by the names of engines a shortcut chose in another language or category
        notes.push_back(Fill(Say(wxTRANSLATE("Not in this group: %s"), translated), Names(otherGroup)));
    for (const Engine* engine : disabled)
        // TRANSLATORS: an engine a shortcut chose, which is disabled
        notes.push_back(Fill(Say(wxTRANSLATE("\"%s\" is disabled."), translated), engine->m_strName));
    return notes;
}

std::vector<const Engine*> ShortcutQuery::Complete(const wxString& prefix, size_t limit) const
{
    std::vector<const Engine*> engines;
    const wxString key = EngineRules::ShortcutKey(prefix);
    if (key.empty())
        return engines;
    for (auto it = m_byKey.lower_bound(key);
         it != m_byKey.end() && engines.size() < limit && it->first.StartsWith(key); ++it)
    {
        if (it->second->m_bEnable)
            engines.push_back(it->second);
    }
    return engines;
}

bool ShortcutQuery::ShortcutWordAt(const wxString& text, size_t caret, size_t& start, size_t& end,
                                   wxString& prefix)
{
    const size_t length = text.length();
    caret = std::min(caret, length);
    start = caret;
    while (start > 0 && !IsSeparator(text[start - 1]))
        --start;
    end = caret;
    while (end < length && !IsSeparator(text[end]))
        ++end;
    if (end - start < 2 || text[start] != '!')
        return false;
    prefix = text.Mid(start + 1, end - start - 1);
    return true;
}
