#include "Preference.h"
#include "SuggestionReply.h"
#include "SuggestionRequest.h"
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

TEST(SuggestionReplyTest, EntityExpansionIsBounded)
{
    // Ten levels of ten-fold expansion would be 10^10 characters.
    std::string line = "<?xml version=\"1.0\"?><!DOCTYPE toplevel [<!ENTITY l0 \"lollollol\">";
    for (int i = 1; i <= 10; ++i)
    {
        line += "<!ENTITY l" + std::to_string(i) + " \"";
        for (int j = 0; j < 10; ++j)
            line += "&l" + std::to_string(i - 1) + ";";
        line += "\">";
    }
    line += "]><toplevel><CompleteSuggestion><suggestion data=\"&l10;\"/></CompleteSuggestion>"
            "</toplevel>";
    wxArrayString list;
    SuggestionReply::Parse(line, list);
    for (const wxString& s : list)
        EXPECT_LT(s.length(), 100u * 1000 * 1000);
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

TEST(SuggestionRequestTest, BuildsThePathWithTheEncodedKeyword)
{
    EXPECT_EQ(SuggestionRequest::BuildPath("abc", "en"),
              "/complete/search?hl=en&output=toolbar&qu=abc");
    EXPECT_EQ(SuggestionRequest::BuildPath(wxString::FromUTF8("caf\xC3\xA9 au lait"), "zh-CN"),
              "/complete/search?hl=zh-CN&output=toolbar&qu=caf%c3%a9%20au%20lait");
    EXPECT_EQ(SuggestionRequest::BuildPath(wxString::FromUTF8("\xE4\xB8\xAD"), "ja-JP"),
              "/complete/search?hl=ja-JP&output=toolbar&qu=%e4%b8%ad");
    // A stored code outside the offered three is still sent as it is.
    EXPECT_EQ(SuggestionRequest::BuildPath("a", "xx$sugg_lang$"),
              "/complete/search?hl=xx$sugg_lang$&output=toolbar&qu=a");
}

TEST(SuggestionRequestTest, ReadsTheServiceHost)
{
    wxInitializer wx;
    {
        SCOPED_TRACE("host or host:port");
        wxString host = "unchanged";
        unsigned short port = 1;
        EXPECT_TRUE(SuggestionRequest::ParseServer("example.org", host, port));
        EXPECT_EQ(host, "example.org");
        EXPECT_EQ(port, 80);
        EXPECT_TRUE(SuggestionRequest::ParseServer(" 127.0.0.1:8081 ", host, port));
        EXPECT_EQ(host, "127.0.0.1");
        EXPECT_EQ(port, 8081);
    }
    {
        SCOPED_TRACE("malformed values leave the server alone");
        for (const char* bad : {"", "  ", ":80", "host:", "host:0", "host:65536", "host:-1",
                                "host:+80", "host:8x", "a b:80", "http://host"})
        {
            wxString host = "kept";
            unsigned short port = 7;
            EXPECT_FALSE(SuggestionRequest::ParseServer(bad, host, port)) << bad;
            EXPECT_EQ(host, "kept");
            EXPECT_EQ(port, 7);
        }
    }
    {
        SCOPED_TRACE("the store names the service; the default when missing or malformed");
        wxFileConfig config("", "", "", "", 0);
        wxString host;
        unsigned short port = 0;
        SuggestionRequest::ReadServer(config, host, port);
        EXPECT_EQ(host, PreferenceDefault::SuggHost);
        EXPECT_EQ(port, 80);
        config.SetPath("/keyword");  // the key stands at the root whatever the current path
        config.Write("/sugg_host", "localhost:9");
        SuggestionRequest::ReadServer(config, host, port);
        EXPECT_EQ(host, "localhost");
        EXPECT_EQ(port, 9);
        config.Write("/sugg_host", "localhost:99999");
        SuggestionRequest::ReadServer(config, host, port);
        EXPECT_EQ(host, PreferenceDefault::SuggHost);
        EXPECT_EQ(port, 80);
    }
}
