#include "catalogue/EngineRules.h"

#include "base/KeywordEncoding.h"

#include <gtest/gtest.h>

#include <climits>

namespace
{
std::unique_ptr<Engine> MakeEngine(int index, const wxString& name, bool enable = true)
{
    auto e = std::make_unique<Engine>();
    e->m_nIndex = index;
    e->m_strLanguage = "English";
    e->m_strCategory = "Web";
    e->m_strName = name;
    e->m_strUrl = "https://" + name + ".test/?q=*";
    e->m_bEnable = enable;
    return e;
}

EngineRules::Input ValidInput()
{
    EngineRules::Input in;
    in.language = " English ";
    in.category = "Web\t";
    in.name = " Name ";
    in.url = " https://n.test/?q=* ";
    in.encoding = "GBK";
    in.index = "5";
    in.enable = false;
    return in;
}
} // namespace

TEST(EngineRules, ParseIndex)
{
    const struct
    {
        const char* text;
        int value;
    } cases[] = {
        {"12", 12},        {"  -7", -7},     {"\t\n\v\f\r+3x", 3}, {"12abc", 12},
        {"abc", 0},        {"", 0},          {"- 1", 0},           {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN}, {"2147483648", INT_MAX}, {"-2147483648", INT_MIN},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.value, EngineRules::ParseIndex(c.text));
    }
    // Only the C blanks: a no-break space is not skipped, whatever the locale.
    EXPECT_EQ(0, EngineRules::ParseIndex(wxString(wxUniChar(0xA0)) + "4"));
}

TEST(EngineRules, CheckOrderTrimmingAndIndex)
{
    EngineManager catalogue;
    catalogue.AddEngine(MakeEngine(5, "five"));
    catalogue.AddEngine(MakeEngine(6, "six"));
    const Engine& own = *catalogue.m_engines[1];
    using P = EngineRules::Problem;
    auto check = [&](const EngineRules::Input& in) {
        Engine out;
        return EngineRules::Check(in, own, catalogue, out);
    };
    {
        SCOPED_TRACE("the first failing check wins");
        EngineRules::Input in;
        EXPECT_EQ(P::NoLanguage, check(in));
        in.language = "  ";
        EXPECT_EQ(P::NoLanguage, check(in));
        in.language = "L";
        EXPECT_EQ(P::NoCategory, check(in));
        in.category = "C";
        EXPECT_EQ(P::NoName, check(in));
        in.name = "N\x01";
        EXPECT_EQ(P::NoUrl, check(in));
        in.url = "https://x.test/";
        EXPECT_EQ(P::NoKeywordMark, check(in));
        in.url = "https://x.test/?q=*";
        EXPECT_EQ(P::ControlCharacter, check(in));
        in.name = "N";
        in.index = "5";
        EXPECT_EQ(P::IndexTaken, check(in));
    }
    {
        SCOPED_TRACE("characters XML cannot hold, in the name or the URL");
        for (wxUint32 bad : {0x01u, 0x08u, 0x1Fu, 0xFFFEu, 0xFFFFu, 0xD800u, 0xDFFFu})
        {
            EngineRules::Input in = ValidInput();
            in.url = "https://x.test/?q=*" + wxString(wxUniChar(bad));
            EXPECT_EQ(P::ControlCharacter, check(in)) << bad;
        }
        EngineRules::Input in = ValidInput();
        in.name = "a\tb\nc\rd";
        in.index = "6";
        EXPECT_EQ(P::None, check(in));
    }
    {
        SCOPED_TRACE("own index accepted, values trimmed, index text not");
        EngineRules::Input in = ValidInput();
        in.index = " 6 ";
        Engine out;
        ASSERT_EQ(P::None, EngineRules::Check(in, own, catalogue, out));
        EXPECT_EQ("English", out.m_strLanguage);
        EXPECT_EQ("Web", out.m_strCategory);
        EXPECT_EQ("Name", out.m_strName);
        EXPECT_EQ("https://n.test/?q=*", out.m_strUrl);
        EXPECT_EQ("GBK", out.m_strEncoding);
        EXPECT_EQ(6, out.m_nIndex);
        EXPECT_FALSE(out.m_bEnable);
    }
    EXPECT_EQ("The name and the URL cannot contain control characters.",
              EngineRules::Message(P::ControlCharacter));
}

TEST(EngineRules, OnlyWebAddressesAreEngines)
{
    EngineManager catalogue;
    const Engine own;
    for (const char* url : {"javascript:alert(1)//*", "JavaScript:void(*)", "file:///etc/*", "/usr/share/*",
                            "data:text/html,*", "ftp://f.test/*", "http:///*", "https:*", "www.test/?q=*"})
    {
        SCOPED_TRACE(url);
        EngineRules::Input in = ValidInput();
        in.url = url;
        Engine out;
        EXPECT_EQ(EngineRules::Problem::NotWebAddress, EngineRules::Check(in, own, catalogue, out));
        EXPECT_FALSE(EngineRules::IsWebAddress(url));
    }
    for (const char* url : {"http://a.test/?q=*", "HTTPS://[::1]:8080/s/*", "https://*.test/"})
    {
        SCOPED_TRACE(url);
        EngineRules::Input in = ValidInput();
        in.url = url;
        Engine out;
        EXPECT_EQ(EngineRules::Problem::None, EngineRules::Check(in, own, catalogue, out));
    }
}

TEST(EngineRules, NewCopyNeighbourAndOrder)
{
    EngineManager catalogue;
    EXPECT_EQ(0, EngineRules::NewEngine(catalogue)->m_nIndex);
    catalogue.AddEngine(MakeEngine(INT_MAX, "max", false));
    catalogue.m_engines[0]->m_strSuggestUrl = "https://s.test/{searchTerms}";
    EXPECT_EQ(INT_MAX, EngineRules::NextFreeIndex(catalogue));
    const auto copy = EngineRules::MakeCopy(*catalogue.m_engines[0], catalogue);
    EXPECT_EQ("max(Copy)", copy->m_strName);
    EXPECT_FALSE(copy->m_bEnable);
    EXPECT_EQ("https://s.test/{searchTerms}", copy->m_strSuggestUrl);

    catalogue.DeleteAll();
    catalogue.AddEngine(MakeEngine(3, "c"));
    catalogue.AddEngine(MakeEngine(1, "a"));
    catalogue.AddEngine(MakeEngine(3, "c2"));
    EngineArray list = catalogue.GetEngines("english", "WEB", true);
    ASSERT_EQ(3u, list.size());
    EXPECT_EQ("a", list[0]->m_strName);
    EXPECT_EQ("c", list[1]->m_strName);  // equal indexes keep catalogue order
    EXPECT_EQ(list[1], EngineRules::Neighbour(list, list[0], +1));
    EXPECT_EQ(nullptr, EngineRules::Neighbour(list, list[0], -1));
    EXPECT_EQ(nullptr, EngineRules::Neighbour(list, list[2], +1));
    EXPECT_EQ(nullptr, EngineRules::Neighbour(list, nullptr, +1));

    using R = EngineRules;
    EXPECT_EQ(0, R::Compare(list[1], list[2], R::COLUMN_INDEX));
    EXPECT_EQ(-1, R::Compare(list[0], list[1], R::COLUMN_INDEX));
    EXPECT_EQ(1, R::Compare(list[1], list[0], R::COLUMN_NAME));
    EXPECT_EQ(-1, R::Compare(nullptr, list[0], R::COLUMN_NAME));
    list[0]->m_bEnable = false;
    EXPECT_EQ(1, R::Compare(list[1], list[0], R::COLUMN_STATUS));
    EXPECT_EQ(0, R::Compare(list[1], list[0], 99));
}

TEST(EngineRules, EncodingPosition)
{
    EXPECT_EQ(0, EngineRules::EncodingPosition(""));
    EXPECT_EQ(0, EngineRules::EncodingPosition("utf-8"));
    EXPECT_EQ(6, EngineRules::EncodingPosition("SHIFT_JIS"));
    EXPECT_EQ("Shift_JIS", EncodingNames[6]);
    EXPECT_EQ(-1, EngineRules::EncodingPosition("shift-jis"));
    EXPECT_EQ(-1, EngineRules::EncodingPosition("gb_2312-80"));
}
