#include "instance/DesktopQuery.h"

#include "catalogue/EngineManager.h"

#include <gtest/gtest.h>

namespace
{
void AddEngine(EngineManager& catalogue, const wchar_t* language, const wchar_t* category,
               bool enabled)
{
    auto engine = std::make_unique<Engine>();
    engine->m_nIndex = static_cast<int>(catalogue.m_engines.size());
    engine->m_strLanguage = language;
    engine->m_strCategory = category;
    engine->m_strName = "e";
    engine->m_strUrl = "http://127.0.0.1/?q=*";
    engine->m_bEnable = enabled;
    catalogue.m_engines.push_back(std::move(engine));
}

wxArrayString Strings(std::initializer_list<const wchar_t*> items)
{
    wxArrayString list;
    for (const wchar_t* item : items)
        list.push_back(item);
    return list;
}

wxArrayString Names(const std::vector<SearchGroup>& groups)
{
    wxArrayString names;
    for (const SearchGroup& group : groups)
        names.push_back(group.m_strLang + "/" + group.m_strCategory);
    return names;
}
} // namespace

TEST(DesktopQuery, CleanTextTrimsJoinsAndCuts)
{
    {
        SCOPED_TRACE("whitespace runs, line ends and controls become one space");
        EXPECT_EQ("sea otter den", DesktopQuery::CleanText(" \t sea\r\n\n otter\x01 den \n"));
        EXPECT_EQ("", DesktopQuery::CleanText(" \n\t "));
    }
    {
        SCOPED_TRACE("cut at the limit, counted in characters, no blank left at the end");
        const wxString wide(wxUniChar(0x6C34), DesktopQuery::MaxChars + 20);  // 水
        const wxString cut = DesktopQuery::CleanText(wide);
        EXPECT_EQ(DesktopQuery::MaxChars, cut.length());
        EXPECT_EQ(wide.Left(DesktopQuery::MaxChars), cut);
        const wxString edge = wxString('a', DesktopQuery::MaxChars - 1) + " b";
        EXPECT_EQ(wxString('a', DesktopQuery::MaxChars - 1), DesktopQuery::CleanText(edge));
        const wxString emoji = wxString::FromUTF8("\xF0\x9F\xA6\xA6 otter");  // outside the BMP
        EXPECT_EQ(emoji, DesktopQuery::CleanText(emoji));
    }
}

TEST(DesktopQuery, OfferedGroupsAndRecentList)
{
    EngineManager catalogue;
    AddEngine(catalogue, L"English", L"Web", true);
    AddEngine(catalogue, L"English", L"Images", true);
    AddEngine(catalogue, L"Deutsch", L"Web", false);  // no enabled engine
    AddEngine(catalogue, L"Deutsch", L"Web", false);
    AddEngine(catalogue, L"Français", L"Web", true);
    AddEngine(catalogue, L"日本語", L"ウェブ", true);

    wxArrayString recent;
    for (const SearchGroup& group : {SearchGroup{L"日本語", L"ウェブ"}, SearchGroup{L"Français", L"Web"},
                                     SearchGroup{L"Deutsch", L"Web"}, SearchGroup{L"english", L"web"},
                                     SearchGroup{L"English", L"Images"}})
        DesktopQuery::NoteRecent(recent, group);
    {
        SCOPED_TRACE("current first, then recent ones, once each, none without engines, at most three");
        const auto offered =
            DesktopQuery::OfferedGroups(catalogue, SearchGroup{L"English", L"Web"}, recent);
        const wxArrayString expected = Strings({L"English/Web", L"English/Images", L"Français/Web"});
        EXPECT_EQ(expected, Names(offered));
    }
    {
        SCOPED_TRACE("a current group without engines is not offered; junk entries are skipped");
        const wxArrayString junk = Strings({L"no tab here", L"\tWeb", L"日本語\tウェブ"});
        const auto offered =
            DesktopQuery::OfferedGroups(catalogue, SearchGroup{L"Deutsch", L"Web"}, junk);
        EXPECT_EQ(Strings({L"日本語/ウェブ"}), Names(offered));
    }
    {
        SCOPED_TRACE("the recent list keeps the newest ten, a group once");
        wxArrayString many;
        for (int i = 0; i < 15; ++i)
            DesktopQuery::NoteRecent(many, SearchGroup{wxString::Format("L%d", i), L"Web"});
        DesktopQuery::NoteRecent(many, SearchGroup{"l12", "WEB"});
        ASSERT_EQ(DesktopQuery::MaxRecentGroups, many.size());
        EXPECT_EQ("l12\tWEB", many[0]);
        EXPECT_EQ("L14\tWeb", many[1]);
        EXPECT_EQ(wxNOT_FOUND, many.Index("L12\tWeb"));
        EXPECT_EQ(wxNOT_FOUND, many.Index("L4\tWeb"));
    }
}

TEST(DesktopQuery, ResultIdsRoundTrip)
{
    const DesktopQuery::Target target{{"a/b", "100%"}, "x/y %2F z"};
    const wxString id = DesktopQuery::ResultId(target);
    EXPECT_EQ(3u, wxSplit(id, '/', '\0').size());
    DesktopQuery::Target back;
    ASSERT_TRUE(DesktopQuery::ParseResultId(id, back));
    EXPECT_EQ(target.group.m_strLang, back.group.m_strLang);
    EXPECT_EQ(target.group.m_strCategory, back.group.m_strCategory);
    EXPECT_EQ(target.words, back.words);
    for (const char* bad : {"", "a/b", "a/b/c/d", "a/b/%41", "/b/c", "a/b/"})
    {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(DesktopQuery::ParseResultId(bad, back));
    }
}

TEST(DesktopQuery, ShortcutWordsChooseTheGroup)
{
    EngineManager catalogue;
    AddEngine(catalogue, L"English", L"Web", true);
    AddEngine(catalogue, L"English", L"Reference", true);
    catalogue.m_engines[1]->m_strShortcut = "W";
    const SearchGroup current{"English", "Web"};

    SCOPED_TRACE("a shortcut moves the search to its engine's group, words kept whole");
    DesktopQuery::Target target = DesktopQuery::Resolve("  sea\notter !w ", catalogue, current);
    EXPECT_EQ("English/Reference", target.group.m_strLang + "/" + target.group.m_strCategory);
    EXPECT_EQ("sea otter !w", target.words);
    EXPECT_TRUE(target.byShortcut);

    SCOPED_TRACE("no shortcut, an unknown one, or nothing left to search: the current group");
    for (const char* text : {"sea otter", "!nope sea otter", "!w"})
    {
        target = DesktopQuery::Resolve(text, catalogue, current);
        EXPECT_EQ("Web", target.group.m_strCategory) << text;
        EXPECT_FALSE(target.byShortcut) << text;
    }
}
