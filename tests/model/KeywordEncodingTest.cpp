#include "KeywordEncoding.h"

#include <gtest/gtest.h>

namespace
{
wxString Encode(const wxString& keyword, const wxString& encoding = wxString())
{
    wxString out = "stale";
    EncodeKeyword(keyword, encoding, out);
    return out;
}
} // namespace

TEST(KeywordEncoding, WorkedExamples)
{
    const struct
    {
        wxString keyword;
        const char* encoded;
    } cases[] = {
        {"abc def", "abc%20def"},
        {"a.b-c_d", "a%2eb%2dc%5fd"},
        {"A+B", "A%2bB"},
        {"50%", "50%25"},
        {"(x)*!~", "(x)*!~"},
        {wxString::FromUTF8("\xC3\xA9"), "%c3%a9"},
        {wxString::FromUTF8("\xE4\xB8\xAD"), "%e4%b8%ad"},
        {"a/b?c=d&e#f", "a%2fb%3fc%3dd%26e%23f"},
        {"", ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.encoded);
        EXPECT_EQ(c.encoded, Encode(c.keyword));
        EXPECT_EQ(c.encoded, Encode(c.keyword, "UTF-8"));
    }
}

TEST(KeywordEncoding, OnlyTheSixtyEightLiteralBytesPassThrough)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    // 68 bytes stay, the other 188 become %xx.
    EXPECT_EQ(68u + 188u * 3, UrlEncode(all).size());
    EXPECT_EQ("%00%2f%c3%ff%20%2d%2e%5f%2b%7f", UrlEncode(std::string("\0\x2f\xc3\xff -._+\x7f", 10)));
}

TEST(KeywordEncoding, NamedEncodings)
{
    const wxString zhong = wxString::FromUTF8("\xE4\xB8\xAD\xE6\x96\x87");  // two Han characters
    {
        SCOPED_TRACE("GB2312 engines get GB2312 bytes");
        EXPECT_EQ("%d6%d0%ce%c4", Encode(zhong, "GB2312"));
        EXPECT_EQ("abc%20%d6%d0%ce%c4", Encode("abc " + zhong, "gb2312"));
    }
    {
        SCOPED_TRACE("no GB2312 form falls back to UTF-8");
        const wxString mixed = wxString::FromUTF8("\xED\x95\x9C\xE4\xB8\xAD");  // Hangul, Han
        EXPECT_EQ("%ed%95%9c%e4%b8%ad", Encode(mixed, "GB2312"));
    }
    {
        SCOPED_TRACE("other names the converter knows, unknown names");
        EXPECT_EQ("%e9", Encode(wxString::FromUTF8("\xC3\xA9"), "ISO-8859-1"));
        EXPECT_EQ("%c3%a9", Encode(wxString::FromUTF8("\xC3\xA9"), "no-such-charset"));
        EXPECT_EQ("%e4%b8%ad%e6%96%87", Encode(zhong, ""));
    }
}

TEST(KeywordEncoding, LongKeywordsAreEncodedWhole)
{
    wxString keyword;
    for (int i = 0; i < 3000; ++i)
        keyword += wxString::FromUTF8("\xE4\xB8\xAD");
    keyword += "end";
    const wxString out = Encode(keyword, "UTF-8");
    ASSERT_EQ(3000u * 9 + 3, out.length());
    EXPECT_TRUE(out.EndsWith("%ad%e4%b8%adend"));
    EXPECT_EQ(3000u * 6 + 3, Encode(keyword, "GB2312").length());
}

TEST(KeywordEncoding, CharactersWithoutUtf8FormDoNotBreakTheQuery)
{
    wxString keyword = "a";
    keyword += wxUniChar(0xD800);  // unpaired surrogate
    keyword += "b";
    EXPECT_EQ("a%ef%bf%bdb", Encode(keyword));
}

TEST(KeywordEncoding, BuildSearchUrl)
{
    {
        SCOPED_TRACE("only the first star is replaced");
        EXPECT_EQ("https://e.test/s?q=abc%20def&lang=*",
                  BuildSearchUrl("https://e.test/s?q=*&lang=*", "abc def", "UTF-8"));
    }
    {
        SCOPED_TRACE("a star in the keyword is not a placeholder");
        EXPECT_EQ("https://e.test/?q=a*b&p=*", BuildSearchUrl("https://e.test/?q=*&p=*", "a*b", ""));
    }
    {
        SCOPED_TRACE("no star, empty keyword");
        EXPECT_EQ("https://e.test/home", BuildSearchUrl("https://e.test/home", "abc", "UTF-8"));
        EXPECT_EQ("https://e.test/?q=&x=1", BuildSearchUrl("https://e.test/?q=*&x=1", "", "UTF-8"));
    }
    {
        SCOPED_TRACE("encoding is applied");
        EXPECT_EQ("https://e.test/?wd=%d6%d0",
                  BuildSearchUrl("https://e.test/?wd=*", wxString::FromUTF8("\xE4\xB8\xAD"), "GB2312"));
    }
}
