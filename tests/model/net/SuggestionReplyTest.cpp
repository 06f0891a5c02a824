#include "store/Preference.h"
#include "net/SuggestionReply.h"
#include "net/SuggestionRequest.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <wx/fileconf.h>
#include <wx/init.h>
#include <wx/mstream.h>

#include <string>
#include <vector>

namespace
{
wxArrayString ParseOk(const std::string& line)
{
    wxArrayString list;
    EXPECT_TRUE(SuggestionReply::Parse(line, list)) << line;
    return list;
}

std::vector<std::string> Utf8(const wxArrayString& list)
{
    std::vector<std::string> out;
    for (const wxString& s : list)
        out.push_back(s.utf8_string());
    return out;
}

SuggestionReply::LineResult ReadLine(const std::string& body, std::string& line,
                                     size_t maxBytes = SuggestionReply::MaxLineBytes)
{
    wxMemoryInputStream in(body.data(), body.size());
    return SuggestionReply::ReadFirstLine(in, line, {}, maxBytes);
}

std::string Entry(const std::string& text)
{
    return "<CompleteSuggestion><suggestion data=\"" + text + "\"/></CompleteSuggestion>";
}
} // namespace

TEST(SuggestionReplyTest, ParsesEntriesByTheReplyRules)
{
    using V = std::vector<std::string>;
    {
        SCOPED_TRACE("entries in order, with their texts");
        EXPECT_EQ(Utf8(ParseOk("<?xml version=\"1.0\"?><toplevel>" + Entry("abc") +
                               Entry("abc def") + Entry("caf\xC3\xA9 &amp; co") + "</toplevel>")),
                  (V{"abc", "abc def", "caf\xC3\xA9 & co"}));
    }
    {
        SCOPED_TRACE("a root other than toplevel gives nothing");
        EXPECT_TRUE(ParseOk("<results>" + Entry("a") + "</results>").empty());
    }
    {
        SCOPED_TRACE("names are compared without regard to case");
        EXPECT_EQ(Utf8(ParseOk("<TopLevel><completesuggestion><SUGGESTION DATA=\"x\"/>"
                               "</completesuggestion></TopLevel>")),
                  (V{"x"}));
    }
    {
        SCOPED_TRACE("the first element of another name ends the walk");
        EXPECT_EQ(Utf8(ParseOk("<toplevel>" + Entry("1") + Entry("2") + Entry("3") +
                               "<other/>" + Entry("4") + Entry("5") + "</toplevel>")),
                  (V{"1", "2", "3"}));
    }
    {
        SCOPED_TRACE("missing data attribute reads as a dash");
        EXPECT_EQ(Utf8(ParseOk("<toplevel><CompleteSuggestion><suggestion/></CompleteSuggestion>"
                               "</toplevel>")),
                  (V{"-"}));
    }
    {
        SCOPED_TRACE("only the first suggestion child counts, other children are skipped");
        EXPECT_EQ(Utf8(ParseOk("<toplevel><CompleteSuggestion><num_queries int=\"5\"/>"
                               "<suggestion data=\"first\"/><suggestion data=\"second\"/>"
                               "</CompleteSuggestion></toplevel>")),
                  (V{"first"}));
    }
    {
        SCOPED_TRACE("an entry without a suggestion child is skipped");
        EXPECT_EQ(Utf8(ParseOk("<toplevel>" + Entry("a") +
                               "<CompleteSuggestion><other/></CompleteSuggestion>" + Entry("b") +
                               "</toplevel>")),
                  (V{"a", "b"}));
    }
    {
        SCOPED_TRACE("blanks and comments between entries are not entries");
        EXPECT_EQ(Utf8(ParseOk("<toplevel> " + Entry("a") + " <!-- note --> " + Entry("b") +
                               "</toplevel>")),
                  (V{"a", "b"}));
    }
    {
        SCOPED_TRACE("not well-formed or empty: false and nothing");
        wxArrayString list;
        list.Add("stale");
        EXPECT_FALSE(SuggestionReply::Parse("<toplevel>" + Entry("a"), list));
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(SuggestionReply::Parse("", list));
        EXPECT_FALSE(SuggestionReply::Parse("plain text", list));
    }
}

TEST(SuggestionReplyTest, RepliesCannotExpand)
{
    {
        SCOPED_TRACE("a document type, which could declare entities, is refused");
        // Ten levels of ten-fold expansion would be 10^10 characters.
        std::string line = "<?xml version=\"1.0\"?><!DOCTYPE toplevel [<!ENTITY l0 \"lollollol\">";
        for (int i = 1; i <= 10; ++i)
        {
            line += "<!ENTITY l" + std::to_string(i) + " \"";
            for (int j = 0; j < 10; ++j)
                line += "&l" + std::to_string(i - 1) + ";";
            line += "\">";
        }
        line += "]><toplevel>" + Entry("&l10;") + "</toplevel>";
        wxArrayString list;
        EXPECT_FALSE(SuggestionReply::Parse(line, list));
        EXPECT_TRUE(list.empty());
        EXPECT_FALSE(SuggestionReply::Parse("<!DOCTYPE toplevel><toplevel>" + Entry("a") +
                                                "</toplevel>",
                                            list));
    }
    {
        SCOPED_TRACE("predefined entities and character references still read");
        EXPECT_EQ(Utf8(ParseOk("<toplevel>" + Entry("&lt;a&gt; &amp; &quot;&#x4E2D;&#25991;") +
                               "</toplevel>")),
                  std::vector<std::string>{"<a> & \"\xE4\xB8\xAD\xE6\x96\x87"});
    }
    {
        SCOPED_TRACE("a 1 MB reply line: at most 20 entries of at most 1,024 characters");
        std::string line = "<toplevel>" + Entry(std::string(600 * 1024, 'a'));
        while (line.size() < 1000 * 1000)
            line += Entry("&amp;&amp;&amp;&#x4E2D;" + std::string(1100, 'b'));
        line += "</toplevel>";
        std::string read;
        ASSERT_EQ(ReadLine(line + "\n", read), SuggestionReply::LineResult::Line);
        const wxArrayString list = ParseOk(read);
        ASSERT_EQ(list.size(), SuggestionReply::MaxEntries);
        EXPECT_EQ(list[0], wxString(SuggestionReply::MaxEntryChars, 'a'));
        EXPECT_EQ(list[1].length(), SuggestionReply::MaxEntryChars);
        EXPECT_TRUE(list[1].StartsWith(wxString("&&&") + wxUniChar(0x4E2D) + "bbb"));
    }
}

TEST(SuggestionReplyTest, ParsesOpenSearchJson)
{
    using V = std::vector<std::string>;
    auto parse = [](const std::string& body, bool ok = true) {
        wxArrayString list;
        list.Add("stale");
        EXPECT_EQ(SuggestionReply::ParseJson(body, list), ok) << body;
        return Utf8(list);
    };
    {
        SCOPED_TRACE("the strings of the second element, whatever follows");
        EXPECT_EQ(parse(" [\"caf\", [\"caf\\u00e9\", \"cafe au lait\", \"\\ud83d\\ude00\"], "
                        "[\"d1\", \"d2\"], [\"http://a\"], {\"k\": [1]}]\r\n"),
                  (V{"caf\xC3\xA9", "cafe au lait", "\xF0\x9F\x98\x80"}));
        EXPECT_EQ(parse("\xEF\xBB\xBF[\"q\",[\"a\", 5, null, [\"nested\"], {\"x\":\"y\"}, \"b\"]]"),
                  (V{"a", "b"}));
        EXPECT_EQ(parse("[\"q\",[]]"), V{});
    }
    {
        SCOPED_TRACE("no list, or not JSON: false and nothing");
        for (const char* bad : {"", "[\"q\"]", "[\"q\", \"a\"]", "{\"q\": [\"a\"]}", "\"a\"",
                                "[\"q\", [\"a\"]", "[\"q\", [\"a\"]] x", "[\"q\", [\"\xC3\"]]",
                                "<toplevel/>"})
            EXPECT_EQ(parse(bad, false), V{});
    }
    {
        SCOPED_TRACE("bounded like the XML reply");
        std::string body = "[\"q\", [\"" + std::string(5000, 'x') + "\"";
        for (int i = 0; i < 100; ++i)
            body += ", \"s" + std::to_string(i) + "\"";
        body += "]]";
        const V list = parse(body);
        ASSERT_EQ(list.size(), SuggestionReply::MaxEntries);
        EXPECT_EQ(list[0], std::string(SuggestionReply::MaxEntryChars, 'x'));
        EXPECT_EQ(list[19], "s18");
    }
}

TEST(SuggestionReplyTest, DetectsTheFormat)
{
    using F = SuggestionReply::Format;
    EXPECT_EQ(SuggestionReply::Detect(" \r\n[\"q\",[]]"), F::Json);
    EXPECT_EQ(SuggestionReply::Detect("\xEF\xBB\xBF<toplevel/>"), F::Xml);
    EXPECT_EQ(SuggestionReply::Detect("\t<?xml version=\"1.0\"?>"), F::Xml);
    EXPECT_EQ(SuggestionReply::Detect(std::string("\xFF\xFE<\0", 4)), F::Xml);
    EXPECT_EQ(SuggestionReply::Detect("window.cb([\"q\"])"), F::Unknown);
    EXPECT_EQ(SuggestionReply::Detect("  \n"), F::Unknown);
}

TEST(SuggestionReplyTest, ReadsOnlyTheFirstLine)
{
    using R = SuggestionReply::LineResult;
    std::string line;
    {
        SCOPED_TRACE("LF, CR and CRLF end the line");
        EXPECT_EQ(ReadLine("<a/>\n<b/>", line), R::Line);
        EXPECT_EQ(line, "<a/>");
        EXPECT_EQ(ReadLine("<a/>\r<b/>", line), R::Line);
        EXPECT_EQ(line, "<a/>");
        EXPECT_EQ(ReadLine("<a/>\r\n<b/>", line), R::Line);
        EXPECT_EQ(line, "<a/>");
    }
    {
        SCOPED_TRACE("a multi-line document leaves an unparsable first line");
        EXPECT_EQ(ReadLine("<toplevel>\n" + Entry("a") + "\n</toplevel>\n", line), R::Line);
        wxArrayString list;
        EXPECT_FALSE(SuggestionReply::Parse(line, list));
        EXPECT_TRUE(list.empty());
    }
    {
        SCOPED_TRACE("no bytes at all, or a body that starts with a break");
        EXPECT_EQ(ReadLine("", line), R::Empty);
        EXPECT_EQ(ReadLine("\n<a/>", line), R::Line);
        EXPECT_EQ(line, "");
    }
    {
        SCOPED_TRACE("a body without a break is one line");
        EXPECT_EQ(ReadLine("<a/>", line), R::Line);
        EXPECT_EQ(line, "<a/>");
    }
    {
        SCOPED_TRACE("byte-order marks pick the encoding; UTF-8 otherwise, Latin-1 as fallback");
        EXPECT_EQ(ReadLine("\xEF\xBB\xBF<a x=\"\xC3\xA9\"/>\n", line), R::Line);
        EXPECT_EQ(line, "<a x=\"\xC3\xA9\"/>");
        // "<é/>" CR LF "<b/>" in UTF-16LE: its 0x0A/0x0D bytes are not split on blindly.
        const std::string utf16("\xFF\xFE<\x00\xE9\x00/\x00>\x00\r\x00\n\x00<\x00" "b\x00/\x00>\x00", 22);
        EXPECT_EQ(ReadLine(utf16, line), R::Line);
        EXPECT_EQ(line, "<\xC3\xA9/>");
        const std::string u0a0d("\xFF\xFE\x0A\x01\x0D\x01\n\x00", 8);  // U+010A U+010D LF
        EXPECT_EQ(ReadLine(u0a0d, line), R::Line);
        EXPECT_EQ(line, "\xC4\x8A\xC4\x8D");
        EXPECT_EQ(ReadLine("caf\xE9\n", line), R::Line);
        EXPECT_EQ(line, "caf\xC3\xA9");
    }
    {
        SCOPED_TRACE("a line longer than the cap is not kept");
        const std::string longLine(3 * 1024 * 1024, 'x');
        EXPECT_EQ(ReadLine(longLine + "\n", line), R::TooLong);
        EXPECT_TRUE(line.empty());
        EXPECT_EQ(ReadLine(std::string(100, 'y') + "\n", line, 99), R::TooLong);
        EXPECT_EQ(ReadLine(std::string(99, 'y') + "\n", line, 99), R::Line);
    }
    {
        SCOPED_TRACE("the caller can stop the reading");
        const std::string body(20000, 'z');
        wxMemoryInputStream in(body.data(), body.size());
        int reads = 0;
        EXPECT_EQ(SuggestionReply::ReadFirstLine(in, line, [&] { return ++reads < 3; }), R::Stopped);
        EXPECT_EQ(reads, 3);
    }
}

TEST(SuggestionReplyTest, SavingReplacesTheReplyFile)
{
    TempDir dir;
    const wxString path = dir.File("sugg_data.xml");
    ASSERT_TRUE(SuggestionReply::SaveLine(std::string(5000, 'x'), path));
    ASSERT_TRUE(SuggestionReply::SaveLine("<toplevel/>", path));
    EXPECT_EQ(ReadFileBytes(path.utf8_string()), "<toplevel/>");
    EXPECT_FALSE(SuggestionReply::SaveLine("x", dir.File("missing/sugg_data.xml")));
}

TEST(SuggestionRequestTest, BuildsTheAddress)
{
    {
        SCOPED_TRACE("classic path: the language's bytes outside the unreserved set encoded");
        EXPECT_EQ(SuggestionRequest::BuildPath(wxString::FromUTF8("caf\xC3\xA9 au lait"), "zh-CN"),
                  "/complete/search?hl=zh-CN&output=toolbar&qu=caf%c3%a9%20au%20lait");
        EXPECT_EQ(SuggestionRequest::BuildPath("a", "x y\r\nHost: evil$&"),
                  "/complete/search?hl=x%20y%0d%0aHost%3a%20evil%24%26&output=toolbar&qu=a");
    }
    {
        SCOPED_TRACE("templates");
        EXPECT_EQ(SuggestionRequest::FillTemplate(
                      "https://s.example/ac?q={searchTerms}&hl={language}&ie={inputEncoding}"
                      "&p={startPage?}&x={other}",
                      wxString::FromUTF8("\xE4\xB8\xAD a"), "zh-CN"),
                  "https://s.example/ac?q=%e4%b8%ad%20a&hl=zh-CN&ie=UTF-8&p=&x={other}");
        EXPECT_TRUE(SuggestionRequest::IsTemplate("HTTP://127.0.0.1:8/?q={searchTerms}"));
        for (const char* bad : {"https://s.example/ac?q=", "ftp://s.example/{searchTerms}",
                                "https:///{searchTerms}", "https://s.example/ {searchTerms}",
                                "s.example/{searchTerms}"})
            EXPECT_FALSE(SuggestionRequest::IsTemplate(bad)) << bad;
    }
}

TEST(SuggestionRequestTest, ReadsTheServiceOfALanguage)
{
    wxInitializer wx;
    using Service = SuggestionRequest::Service;
    auto read = [](wxConfigBase& config, const wxString& lang, Service& service) {
        wxString setting;
        const bool ok = SuggestionRequest::ReadService(config, lang, service, setting);
        return ok ? wxString("ok") : "bad: " + setting;
    };
    {
        SCOPED_TRACE("host, host:port, [IPv6]:port");
        wxString host = "unchanged";
        unsigned short port = 1;
        EXPECT_TRUE(SuggestionRequest::ParseServer("example.org", host, port));
        EXPECT_EQ(host, "example.org");
        EXPECT_EQ(port, 80);
        EXPECT_TRUE(SuggestionRequest::ParseServer(" [::1]:8080 ", host, port));
        EXPECT_EQ(host, "::1");
        EXPECT_EQ(port, 8080);
        EXPECT_TRUE(SuggestionRequest::ParseServer("[fe80::1]", host, port));
        EXPECT_EQ(port, 80);
    }
    {
        SCOPED_TRACE("malformed values leave the server alone");
        for (const char* bad : {"", "  ", ":80", "host:", "host:0", "host:65536", "host:-1",
                                "host:+80", "host:8x", "a b:80", "http://host", "[::1", "[::1]x",
                                "[host]:80", "::1", "user@host", "host/path", "host?x"})
        {
            wxString host = "kept";
            unsigned short port = 7;
            EXPECT_FALSE(SuggestionRequest::ParseServer(bad, host, port)) << bad;
            EXPECT_EQ(host, "kept");
            EXPECT_EQ(port, 7);
        }
    }
    {
        SCOPED_TRACE("the store names the service of each language");
        wxFileConfig config("", "", "", "", 0);
        Service service;
        EXPECT_EQ(read(config, "en", service), "ok");
        EXPECT_TRUE(service.classic);
        EXPECT_EQ(service.Url("a", "en"), wxString("http://") + PreferenceDefault::SuggHost +
                                              "/complete/search?hl=en&output=toolbar&qu=a");
        config.SetPath("/keyword");  // the keys stand at the root whatever the current path
        config.Write("/sugg_host", "[::1]:9");
        config.Write("/sugg_url_ja-JP", "");
        config.Write("/sugg_url_zh-CN", "https://s.example/ac?q={searchTerms}");
        EXPECT_EQ(read(config, "ja-JP", service), "ok");
        EXPECT_EQ(service.Url("a", "ja-JP"), "http://[::1]:9/complete/search?hl=ja-JP&output=toolbar&qu=a");
        EXPECT_EQ(read(config, "zh-CN", service), "ok");
        EXPECT_FALSE(service.classic);
        EXPECT_EQ(service.Url("b", "zh-CN"), "https://s.example/ac?q=b");
        config.Write("/sugg_url_zh-CN", "https://s.example/ac");
        EXPECT_EQ(read(config, "zh-CN", service), "bad: https://s.example/ac");
        config.Write("/sugg_host", "localhost:99999");
        EXPECT_EQ(read(config, "en", service), "bad: localhost:99999");
    }
}
