#include "base/KeywordEncoding.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <unistd.h>
#include <vector>

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

namespace
{
// The percent-encoded keywords as python3's codecs produce them, with the
// same UTF-8 fallback and escaping rule; empty when python3 is missing.
std::vector<std::string> ReferenceEncodings(const std::vector<std::pair<wxString, wxString>>& cases)
{
    std::string input;
    for (const auto& c : cases)
    {
        const wxScopedCharBuffer utf8 = c.first.utf8_str();
        input += c.second.ToStdString() + " ";
        for (size_t i = 0; i < utf8.length(); ++i)
            input += wxString::Format("%02x", static_cast<unsigned char>(utf8.data()[i])).ToStdString();
        input += "\n";
    }
    char path[] = "/tmp/orvane-enc-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0 || write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size()))
        return {};
    close(fd);
    const std::string command =
        "python3 -c 'import sys\n"
        "keep = set(b\"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!()*~\\x27\")\n"
        "for line in open(sys.argv[1]):\n"
        "  enc, hexed = (line.split() + [\"\"])[:2]\n"
        "  t = bytes.fromhex(hexed).decode()\n"
        "  try: b = t.encode(enc)\n"
        "  except UnicodeEncodeError: b = t.encode()\n"
        "  print(\"\".join(chr(c) if c in keep else \"%%%02x\" % c for c in b))' " +
        std::string(path) + " 2>/dev/null";
    std::vector<std::string> out;
    if (FILE* pipe = popen(command.c_str(), "r"))
    {
        char line[8192];
        while (fgets(line, sizeof line, pipe))
        {
            std::string text(line);
            if (!text.empty() && text.back() == '\n')
                text.pop_back();
            out.push_back(text);
        }
        pclose(pipe);
    }
    unlink(path);
    return out;
}
} // namespace

TEST(KeywordEncoding, EveryListedEncodingMatchesAnIndependentConverter)
{
    // One keyword the code page has (a stateful one ends inside its
    // two-byte mode), and one it lacks, which goes as UTF-8.
    const struct
    {
        const char* encoding;
        const char* keyword;
    } samples[] = {
        {"UTF-8", "中文 é"},          {"GB2312", "中文搜索"},         {"GBK", "中文搜索镕碁"},
        {"GB18030", "中文😀€"},        {"Big5", "中文搜尋"},           {"Big5-HKSCS", "中文嘅"},
        {"Shift_JIS", "日本語検索ｶﾅ"}, {"EUC-JP", "日本語検索"},       {"ISO-2022-JP", "abc 日本語"},
        {"EUC-KR", "한국어 검색"},     {"windows-1250", "Příliš žluťoučký"},
        {"windows-1251", "Привет мир"}, {"windows-1252", "café € œ"}, {"windows-1256", "مرحبا"},
        {"KOI8-R", "Привет"},          {"KOI8-U", "Привіт ґ"},         {"ISO-8859-1", "café ñ"},
        {"ISO-8859-2", "Łódź"},        {"ISO-8859-5", "Привет"},       {"ISO-8859-7", "Ελληνικά"},
        {"ISO-8859-9", "İstanbul ş"}, {"ISO-8859-15", "€ œ Ÿ"},
    };
    ASSERT_EQ(EncodingNamesCount, WXSIZEOF(samples));
    std::vector<std::pair<wxString, wxString>> cases;
    for (size_t i = 0; i < EncodingNamesCount; ++i)
    {
        EXPECT_EQ(samples[i].encoding, EncodingNames[i]);
        cases.emplace_back(wxString::FromUTF8(samples[i].keyword), EncodingNames[i]);
        cases.emplace_back(wxString::FromUTF8("a 中 \xF0\x9F\x98\x80 ÿ"), EncodingNames[i]);
    }
    const std::vector<std::string> expected = ReferenceEncodings(cases);
    if (expected.empty())
        GTEST_SKIP() << "python3 is not available";
    ASSERT_EQ(cases.size(), expected.size());
    for (size_t i = 0; i < cases.size(); ++i)
    {
        SCOPED_TRACE(cases[i].second);
        EXPECT_EQ(expected[i], Encode(cases[i].first, cases[i].second).ToStdString());
    }
}
