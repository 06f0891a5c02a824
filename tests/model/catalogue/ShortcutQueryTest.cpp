#include "catalogue/ShortcutQuery.h"

#include "catalogue/EngineRules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
struct Catalogue
{
    Engine* Add(const wxString& name, const wxString& shortcut, const wxString& lang = "English",
                const wxString& cat = "Web", bool enable = true)
    {
        auto e = std::make_unique<Engine>();
        e->m_nIndex = static_cast<int>(manager.m_engines.size());
        e->m_strLanguage = lang;
        e->m_strCategory = cat;
        e->m_strName = name;
        e->m_strUrl = "https://" + name + ".test/?q=*";
        e->m_strShortcut = shortcut;
        e->m_bEnable = enable;
        manager.m_engines.push_back(std::move(e));
        return manager.m_engines.back().get();
    }
    EngineManager manager;
};

std::vector<std::string> Names(const std::vector<const Engine*>& engines)
{
    std::vector<std::string> names;
    for (const Engine* e : engines)
        names.push_back(e->m_strName.ToStdString());
    return names;
}

std::string Utf8(const wxString& s)
{
    return std::string(s.utf8_str());
}
} // namespace

TEST(ShortcutRules, FormAndFullCaseFolding)
{
    for (const wxString& good : {wxString("w"), wxString("wzh"), wxString("a-b_c.9"),
                                 wxString::FromUTF8("百度"), wxString::FromUTF8("вики"),
                                 wxString::FromUTF8("हिंदी"), wxString('x', 16)})
    {
        SCOPED_TRACE(Utf8(good));
        EXPECT_TRUE(EngineRules::IsWellFormedShortcut(good));
    }
    for (const wxString& bad : {wxString(""), wxString('x', 17), wxString("a b"), wxString("w!"),
                                wxString("!w"), wxString("a/b"), wxString::FromUTF8("\xCC\x81" "a")})
    {
        SCOPED_TRACE(Utf8(bad));
        EXPECT_FALSE(EngineRules::IsWellFormedShortcut(bad));
    }
    // Full folding, not one character for one: what Lower() gets wrong.
    EXPECT_EQ(EngineRules::ShortcutKey("W"), EngineRules::ShortcutKey("w"));
    EXPECT_EQ(EngineRules::ShortcutKey("STRASSE"), EngineRules::ShortcutKey(wxString::FromUTF8("straße")));
    EXPECT_EQ(EngineRules::ShortcutKey(wxString::FromUTF8("ΣΟΦΟΣ")),
              EngineRules::ShortcutKey(wxString::FromUTF8("σοφος")));
    EXPECT_EQ(EngineRules::ShortcutKey(wxString::FromUTF8("e\xCC\x81")),
              EngineRules::ShortcutKey(wxString::FromUTF8("\xC3\x89")));
    EXPECT_NE(EngineRules::ShortcutKey("w"), EngineRules::ShortcutKey("wa"));
}

TEST(ShortcutQuery, TokensSelectEnginesAnywhereAndLeaveTheKeyword)
{
    Catalogue c;
    c.Add("Wiki", "w");
    c.Add("Maps", "M");
    c.Add("Street", wxString::FromUTF8("straße"));
    const ShortcutQuery q(c.manager);
    {
        SCOPED_TRACE("start, any case");
        const auto r = q.Parse("!W sea otter");
        EXPECT_EQ("sea otter", r.keyword);
        EXPECT_EQ(std::vector<std::string>{"Wiki"}, Names(r.searched));
        EXPECT_EQ("English", r.language);
        EXPECT_EQ("Web", r.category);
    }
    {
        SCOPED_TRACE("middle and end, blanks collapsed, each engine once");
        const auto r = q.Parse(wxString::FromUTF8("  sea \t!m otter\u3000 !STRASSE !M "));
        EXPECT_EQ("sea otter", r.keyword);
        EXPECT_EQ((std::vector<std::string>{"Maps", "Street"}), Names(r.searched));
    }
    {
        SCOPED_TRACE("unknown, lone and glued '!' are text; no token keeps the text as typed");
        const auto r = q.Parse("  !important  ! w!  x!w ");
        EXPECT_FALSE(r.HasShortcut());
        EXPECT_EQ("!important  ! w!  x!w", r.keyword);
        EXPECT_TRUE(r.Notes(false).empty());
    }
    {
        SCOPED_TRACE("nothing left to search");
        const auto r = q.Parse("!w !m");
        EXPECT_TRUE(r.HasShortcut());
        EXPECT_EQ("", r.keyword);
        EXPECT_EQ(std::vector<wxString>{"Type words to search after the shortcut."}, r.Notes(false));
    }
}

TEST(ShortcutQuery, GroupsDisabledEnginesAndLimits)
{
    Catalogue c;
    c.Add("Off", "off", "English", "Web", false);
    c.Add("Baidu", "bd", "Chinese", "Web");
    c.Add("Wiki", "w", "English", "Web");
    c.Add("Zhwiki", "wzh", "chinese", "WEB");
    c.Add("Images", "img", "Chinese", "Images");
    {
        SCOPED_TRACE("the first enabled engine's group; the others are named");
        const auto r = ShortcutQuery(c.manager).Parse("!off !bd !w !wzh !img otter");
        EXPECT_EQ("Chinese", r.language);
        EXPECT_EQ("Web", r.category);
        EXPECT_EQ((std::vector<std::string>{"Baidu", "Zhwiki"}), Names(r.searched));
        EXPECT_EQ((std::vector<std::string>{"Wiki", "Images"}), Names(r.otherGroup));
        EXPECT_EQ(std::vector<std::string>{"Off"}, Names(r.disabled));
        EXPECT_EQ((std::vector<wxString>{"Not in this group: Wiki, Images", "\"Off\" is disabled."}),
                  r.Notes(false));
    }
    {
        SCOPED_TRACE("only disabled engines: nothing to search");
        const auto r = ShortcutQuery(c.manager).Parse("!off otter");
        EXPECT_TRUE(r.searched.empty());
        EXPECT_EQ(std::vector<wxString>{"\"Off\" is disabled."}, r.Notes(false));
    }
    {
        SCOPED_TRACE("tokens past the limit stay in the keyword");
        wxString text;
        for (size_t i = 0; i < ShortcutQuery::MaxTokens; ++i)
            text << "!w ";
        text << "!bd otter";
        const auto r = ShortcutQuery(c.manager).Parse(text);
        EXPECT_EQ("!bd otter", r.keyword);
        EXPECT_EQ(std::vector<std::string>{"Wiki"}, Names(r.searched));
    }
}

TEST(ShortcutQuery, BrokenAndDuplicateShortcutsSelectNothing)
{
    Catalogue c;
    Engine* first = c.Add("First", "dup");
    Engine* second = c.Add("Second", "DUP");
    Engine* broken = c.Add("Broken", "a b");
    Engine* tooLong = c.Add("Long", wxString('l', 17));
    const ShortcutQuery q(c.manager);
    EXPECT_TRUE(q.IsUsed(*first));
    EXPECT_FALSE(q.IsUsed(*second));
    EXPECT_FALSE(q.IsUsed(*broken));
    EXPECT_FALSE(q.IsUsed(*tooLong));
    EXPECT_EQ(std::vector<std::string>{"First"}, Names(q.Parse("!Dup x").searched));
    EXPECT_FALSE(q.Parse("!" + wxString('l', 17) + " x").HasShortcut());

    SCOPED_TRACE("the dialog's check: the engine keeps its own, others are refused");
    wxString stored;
    const Engine* holder = nullptr;
    EXPECT_EQ(EngineRules::ShortcutProblem::None,
              EngineRules::CheckShortcut(" dup ", *first, c.manager, stored, holder));
    EXPECT_EQ("dup", stored);
    EXPECT_EQ(EngineRules::ShortcutProblem::Taken,
              EngineRules::CheckShortcut("Dup", *second, c.manager, stored, holder));
    EXPECT_EQ(first, holder);
    EXPECT_EQ(EngineRules::ShortcutProblem::Malformed,
              EngineRules::CheckShortcut("a b", *broken, c.manager, stored, holder));
    EXPECT_EQ(EngineRules::ShortcutProblem::None,
              EngineRules::CheckShortcut("", *broken, c.manager, stored, holder));
}

TEST(ShortcutQuery, CompletesTheWordBeingTyped)
{
    Catalogue c;
    c.Add("Wiki", "w");
    c.Add("Zhwiki", "wzh");
    c.Add("Off", "wx", "English", "Web", false);
    c.Add("Maps", "m");
    for (int i = 0; i < 30; ++i)
        c.Add(wxString::Format("x%d", i), wxString::Format("x%02d", i));
    const ShortcutQuery q(c.manager);
    EXPECT_EQ((std::vector<std::string>{"Wiki", "Zhwiki"}), Names(q.Complete("W", 20)));
    EXPECT_EQ(20u, q.Complete("x", 20).size());
    EXPECT_TRUE(q.Complete("q", 20).empty());

    size_t start = 0, end = 0;
    wxString prefix;
    ASSERT_TRUE(ShortcutQuery::ShortcutWordAt("sea !wz", 7, start, end, prefix));
    EXPECT_EQ(4u, start);
    EXPECT_EQ(7u, end);
    EXPECT_EQ("wz", prefix);
    EXPECT_FALSE(ShortcutQuery::ShortcutWordAt("sea !", 5, start, end, prefix));
    EXPECT_FALSE(ShortcutQuery::ShortcutWordAt("!w sea", 6, start, end, prefix));
}
