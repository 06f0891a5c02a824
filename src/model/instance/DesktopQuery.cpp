#include "instance/DesktopQuery.h"

#include "catalogue/EngineManager.h"
#include "catalogue/ShortcutQuery.h"

#include <cwctype>

namespace
{
// One entry of the recent list, "<language><TAB><category>", split at the
// first tab.
const wxChar RecentSeparator = '\t';

wxString RecentEntry(const SearchGroup& group)
{
    return group.m_strLang + RecentSeparator + group.m_strCategory;
}

bool ParseRecent(const wxString& entry, SearchGroup& group)
{
    const int tab = entry.Find(RecentSeparator);
    if (tab == wxNOT_FOUND)
        return false;
    group.m_strLang = entry.Left(tab);
    group.m_strCategory = entry.Mid(tab + 1);
    return !group.m_strLang.empty() && !group.m_strCategory.empty();
}

wxString EscapePart(const wxString& part)
{
    wxString out;
    for (wxUniChar c : part)
    {
        if (c == '%')
            out += wxS("%25");
        else if (c == '/')
            out += wxS("%2F");
        else
            out += c;
    }
    return out;
}

bool UnescapePart(const wxString& part, wxString& out)
{
    out.clear();
    for (size_t i = 0; i < part.length(); ++i)
    {
        if (part[i] != '%')
        {
            out += part[i];
            continue;
        }
        const wxString code = part.Mid(i + 1, 2).Upper();
        if (code == wxS("25"))
            out += '%';
        else if (code == wxS("2F"))
            out += '/';
        else
            return false;
        i += 2;
    }
    return true;
}
} // namespace

bool SearchGroup::IsSameAs(const SearchGroup& other) const
{
    return m_strLang.IsSameAs(other.m_strLang, false) &&
           m_strCategory.IsSameAs(other.m_strCategory, false);
}

wxString DesktopQuery::CleanText(const wxString& text)
{
    wxString out;
    out.reserve(std::min(text.length(), MaxChars));
    bool space = false;
    size_t count = 0;
    for (wxUniChar c : text)
    {
        const wchar_t wc = static_cast<wchar_t>(c.GetValue());
        // NUL and other controls come from binary selections: blanks too.
        if (std::iswspace(wc) || std::iswcntrl(wc))
        {
            space = !out.empty();
            continue;
        }
        if (space)
        {
            if (count + 2 > MaxChars)
                break;
            out += ' ';
            ++count;
            space = false;
        }
        if (count == MaxChars)
            break;
        out += c;
        ++count;
    }
    return out;
}

DesktopQuery::Target DesktopQuery::Resolve(const wxString& text, const EngineManager& catalogue,
                                           const SearchGroup& current)
{
    Target target;
    target.group = current;
    target.words = CleanText(text);
    const ShortcutQuery::Result query = ShortcutQuery(catalogue).Parse(target.words);
    if (query.HasShortcut() && !query.searched.empty() && !query.keyword.empty())
    {
        target.group = SearchGroup{query.language, query.category};
        target.byShortcut = true;
    }
    return target;
}

size_t DesktopQuery::EnabledEngines(const EngineManager& catalogue, const SearchGroup& group)
{
    size_t count = 0;
    for (const auto& engine : catalogue.m_engines)
    {
        if (engine->m_bEnable && engine->m_strLanguage.IsSameAs(group.m_strLang, false) &&
            engine->m_strCategory.IsSameAs(group.m_strCategory, false))
            ++count;
    }
    return count;
}

std::vector<SearchGroup> DesktopQuery::OfferedGroups(const EngineManager& catalogue,
                                                     const SearchGroup& first,
                                                     const wxArrayString& recent)
{
    std::vector<SearchGroup> candidates{first};
    for (const wxString& entry : recent)
    {
        SearchGroup group;
        if (ParseRecent(entry, group))
            candidates.push_back(group);
    }
    std::vector<SearchGroup> offered;
    for (const SearchGroup& group : candidates)
    {
        if (offered.size() == MaxResults)
            break;
        bool seen = false;
        for (const SearchGroup& kept : offered)
            seen = seen || kept.IsSameAs(group);
        if (!seen && EnabledEngines(catalogue, group) > 0)
            offered.push_back(group);
    }
    return offered;
}

void DesktopQuery::NoteRecent(wxArrayString& recent, const SearchGroup& group)
{
    if (group.m_strLang.empty() || group.m_strCategory.empty())
        return;
    wxArrayString kept;
    kept.push_back(RecentEntry(group));
    for (const wxString& entry : recent)
    {
        SearchGroup old;
        if (kept.size() == MaxRecentGroups)
            break;
        if (ParseRecent(entry, old) && !old.IsSameAs(group))
            kept.push_back(entry);
    }
    recent = kept;
}

wxString DesktopQuery::ResultId(const Target& target)
{
    return EscapePart(target.group.m_strLang) + '/' + EscapePart(target.group.m_strCategory) +
           '/' + EscapePart(target.words);
}

bool DesktopQuery::ParseResultId(const wxString& id, Target& target)
{
    const wxArrayString parts = wxSplit(id, '/', '\0');
    return parts.size() == 3 && UnescapePart(parts[0], target.group.m_strLang) &&
           UnescapePart(parts[1], target.group.m_strCategory) &&
           UnescapePart(parts[2], target.words) && !target.group.m_strLang.empty() &&
           !target.group.m_strCategory.empty() && !target.words.empty();
}
