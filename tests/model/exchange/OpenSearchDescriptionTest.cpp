#include "exchange/DescriptionLink.h"
#include "exchange/OpenSearchDescription.h"

#include <gtest/gtest.h>

namespace
{
const char* const kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// The engine for a description read from `base`, or the reason it was refused.
struct Mapped
{
    Mapped(const std::string& xml, const wxString& base = "https://site.test/os/desc.xml")
    {
        OpenSearchDescription description;
        ok = description.Parse(xml, problem) && description.ToEngine(base, engine, problem);
    }
    bool ok = false;
    Engine engine;
    ImportMessage problem;
    std::string Problem() const { return problem.Text(false).ToStdString(); }
};

std::string Description(const std::string& body)
{
    return kDecl + std::string("<OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\">\n") +
           body + "</OpenSearchDescription>\n";
}
} // namespace

TEST(OpenSearchDescription, RealWorldShapes)
{
    {
        SCOPED_TRACE("a site's description: result page, suggestions, an image and a self link");
        Mapped m(Description(
            "  <ShortName>Example Search</ShortName>\n"
            "  <Description>Search example.test</Description>\n"
            "  <InputEncoding>UTF-8</InputEncoding>\n"
            "  <Image height=\"16\" width=\"16\" type=\"image/x-icon\">https://site.test/favicon.ico</Image>\n"
            "  <Url type=\"application/opensearchdescription+xml\" rel=\"self\" template=\"https://site.test/os/desc.xml\"/>\n"
            "  <Url type=\"application/x-suggestions+json\" template=\"https://site.test/ac?q={searchTerms}&amp;n={count?}\"/>\n"
            "  <Url type=\"text/html\" method=\"get\" template=\"https://site.test/search?q={searchTerms}&amp;src=os\"/>\n"));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ("Example Search", m.engine.m_strName);
        EXPECT_EQ("https://site.test/search?q=*&src=os", m.engine.m_strUrl);
        EXPECT_EQ("UTF-8", m.engine.m_strEncoding);
        EXPECT_EQ("https://site.test/ac?q={searchTerms}&n={count?}", m.engine.m_strSuggestUrl);
    }
    {
        SCOPED_TRACE("the browser plug-in form: prefixed names, Params, MozParam, legacy encoding");
        Mapped m(std::string("<?xml version=\"1.0\" encoding=\"windows-1252\"?>\n"
                             "<SearchPlugin xmlns=\"http://www.mozilla.org/2006/browser/search/\" "
                             "xmlns:os=\"http://a9.com/-/spec/opensearch/1.1/\">\n"
                             "<os:ShortName>Caf\xE9 Wiki</os:ShortName>\n"
                             "<os:InputEncoding>windows-1252</os:InputEncoding>\n"
                             "<os:InputEncoding>UTF-8</os:InputEncoding>\n"
                             "<os:Url type=\"text/html\" method=\"GET\" template=\"https://wiki.test/w/index.php\">\n"
                             "  <os:Param name=\"search\" value=\"{searchTerms}\"/>\n"
                             "  <MozParam name=\"client\" condition=\"pref\" pref=\"x\"/>\n"
                             "  <os:Param name=\"enc\" value=\"{inputEncoding}\"/>\n"
                             "</os:Url>\n"
                             "</SearchPlugin>\n"));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ(wxString::FromUTF8("Caf\xC3\xA9 Wiki"), m.engine.m_strName);
        EXPECT_EQ("https://wiki.test/w/index.php?search=*&enc=windows-1252", m.engine.m_strUrl);
        EXPECT_EQ("windows-1252", m.engine.m_strEncoding);
        EXPECT_EQ("", m.engine.m_strSuggestUrl);
    }
    {
        SCOPED_TRACE("no text/html: the first GET address, method in any case; name kept whole");
        Mapped m(Description("<ShortName>A name far longer than sixteen</ShortName>"
                             "<InputEncoding>Shift_JIS</InputEncoding>"
                             "<Url type=\"application/rss+xml\" method=\"post\" template=\"https://r.test/p?q={searchTerms}\"/>"
                             "<Url type=\"application/atom+xml\" method=\"gEt\" template=\"https://r.test/a?q={searchTerms}&amp;ie={inputEncoding}\"/>"));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ("A name far longer than sixteen", m.engine.m_strName);
        EXPECT_EQ("https://r.test/a?q=*&ie=Shift_JIS", m.engine.m_strUrl);
        EXPECT_EQ("Shift_JIS", m.engine.m_strEncoding);
    }
}

TEST(OpenSearchDescription, TemplateParametersAndParams)
{
    {
        SCOPED_TRACE("every parameter; a literal star cannot take the keyword's place");
        Mapped m(Description(
            "<ShortName>P</ShortName><InputEncoding>EUC-JP</InputEncoding>"
            "<Url type=\"text/html\" pageOffset=\"0\" indexOffset=\"7\" template=\"https://p.test/a*b/"
            "s?x=*&amp;q={searchTerms}&amp;o={startPage?}&amp;p={startPage}&amp;i={startIndex}&amp;c={count}"
            "&amp;ie={inputEncoding}&amp;oe={outputEncoding}&amp;l={language}&amp;g={geo:box}&amp;u={unknown}\"/>"));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ("https://p.test/a%2ab/s?x=%2a&q=*&o=&p=0&i=7&c=20&ie=EUC-JP&oe=UTF-8&l=&g=&u=",
                  m.engine.m_strUrl);
    }
    {
        SCOPED_TRACE("offsets default to 1, braces that are no parameter stay");
        Mapped m(Description("<ShortName>D</ShortName><Url type=\"text/html\" "
                             "template=\"https://d.test/?q={searchTerms}&amp;p={startPage}&amp;i={startIndex}&amp;b={}&amp;c={x\"/>"));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ("https://d.test/?q=*&p=1&i=1&b={}&c={x", m.engine.m_strUrl);
    }
    const struct
    {
        const char* templ;
        const char* url;
    } joins[] = {
        {"https://j.test/s", "https://j.test/s?q=*&t=a%2a"},
        {"https://j.test/s?", "https://j.test/s?q=*&t=a%2a"},
        {"https://j.test/s?a=1", "https://j.test/s?a=1&q=*&t=a%2a"},
        {"https://j.test/s?a=1&amp;", "https://j.test/s?a=1&q=*&t=a%2a"},
    };
    for (const auto& j : joins)
    {
        SCOPED_TRACE(j.templ);
        Mapped m(Description(std::string("<ShortName>J</ShortName><Url type=\"text/html\" template=\"") +
                             j.templ +
                             "\"><Param name=\"q\" value=\"{searchTerms}\"/><Param name=\"t\" value=\"a*\"/>"
                             "<Param value=\"nameless\"/></Url>"));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ(j.url, m.engine.m_strUrl);
    }
    {
        SCOPED_TRACE("relative templates resolve against the description's address");
        const std::string body = "<ShortName>R</ShortName>"
                                 "<Url type=\"text/html\" template=\"../find?q={searchTerms}\"/>"
                                 "<Url type=\"application/x-suggestions+json\" template=\"/ac?q={searchTerms}\"/>";
        Mapped m(Description(body));
        ASSERT_TRUE(m.ok) << m.Problem();
        EXPECT_EQ("https://site.test/find?q=*", m.engine.m_strUrl);
        EXPECT_EQ("https://site.test/ac?q={searchTerms}", m.engine.m_strSuggestUrl);
        Mapped local(Description(body), "file:///home/u/desc.xml");
        EXPECT_FALSE(local.ok);
        EXPECT_EQ("The search address of \"R\" is not an http or https address.", local.Problem());
    }
}

TEST(OpenSearchDescription, BadInputIsRefusedWithAReason)
{
    std::string big = Description("<ShortName>B</ShortName><Url type=\"text/html\" template=\"https://b.test/?q={searchTerms}\"/>");
    big.insert(big.find("<ShortName>"), std::string(OpenSearchDescription::MaxBytes, ' '));
    const struct
    {
        const char* label;
        std::string xml;
        const char* problem;
    } cases[] = {
        {"not XML", "this is not xml", "The file is not well-formed XML (syntax error, line 1)."},
        {"wrong root", std::string(kDecl) + "<rss><channel/></rss>",
         "The file is neither an OpenSearch description nor an Orvane catalogue."},
        {"entity bomb",
         std::string(kDecl) + "<!DOCTYPE OpenSearchDescription [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]>"
                              "<OpenSearchDescription><ShortName>&b;</ShortName></OpenSearchDescription>",
         "The file declares entities, which are not accepted."},
        {"over 1 MiB", big, "The file is larger than 1 MiB."},
        {"no name", Description("<Url type=\"text/html\" template=\"https://n.test/?q={searchTerms}\"/>"),
         "The description has no name (ShortName)."},
        {"no usable Url",
         Description("<ShortName>N</ShortName><Url type=\"application/x-suggestions+json\" template=\"https://n.test/?q={searchTerms}\"/>"),
         "\"N\" has no search address (Url) that Orvane can use."},
        {"POST", Description("<ShortName>Poster</ShortName><Url type=\"TEXT/HTML\" method=\"Post\" template=\"https://n.test/\">"
                             "<Param name=\"q\" value=\"{searchTerms}\"/></Url>"
                             "<Url type=\"application/rss+xml\" template=\"https://n.test/rss?q={searchTerms}\"/>"),
         "\"Poster\" sends its searches by POST, which Orvane cannot do."},
        {"no {searchTerms}",
         Description("<ShortName>T</ShortName><Url type=\"text/html\" template=\"https://n.test/?q={searchTerms?}\"/>"),
         "The search address of \"T\" has no {searchTerms}."},
        {"no host", Description("<ShortName>S</ShortName><Url type=\"text/html\" template=\"https:?/x.test/{searchTerms}\"/>"),
         "The search address of \"S\" is not an http or https address."},
        {"script address",
         Description("<ShortName>S</ShortName><Url type=\"text/html\" template=\"javascript:alert({searchTerms})\"/>"),
         "The search address of \"S\" is not an http or https address."},
        {"control character",
         Description("<ShortName>C&#x1B;</ShortName><Url type=\"text/html\" template=\"https://n.test/?q={searchTerms}\"/>"),
         "The file is not well-formed XML (reference to invalid character number, line 3)."},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        Mapped m(c.xml);
        EXPECT_FALSE(m.ok);
        EXPECT_EQ(c.problem, m.Problem());
    }
}

TEST(DescriptionLink, FoundInThePagesMarkup)
{
    const wxString page = "https://site.test/dir/results?q=x";
    const struct
    {
        const char* html;
        const char* link;
    } cases[] = {
        {"<html><head><LINK REL='Search Alternate' TYPE=\"Application/OpenSearchDescription+XML\" "
         "title=x href=\"../os.xml?a=1&amp;b=2\"></head></html>",
         "https://site.test/os.xml?a=1&b=2"},
        {"<link rel=search type=application/opensearchdescription+xml href=/d.xml>",
         "https://site.test/d.xml"},
        {"<base href=\"https://cdn.test/x/\"><link href=\"d.xml\" rel=\"search\" "
         "type=\"application/opensearchdescription+xml\"/>",
         "https://cdn.test/x/d.xml"},
        {"<!-- <link rel=search type=application/opensearchdescription+xml href=/old.xml> -->"
         "<link rel=stylesheet href=/s.css><link rel=search type=application/rss+xml href=/feed>"
         "<link rel=\"search\" type=\"application/opensearchdescription+xml\" href=\"//o.test/n.xml\">",
         "https://o.test/n.xml"},
        {"<p>no link <link rel=search type=application/opensearchdescription+xml></p>", ""},
        {"<link rel=search type=application/opensearchdescription+xml href=\"unclosed", ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.html);
        EXPECT_EQ(c.link, DescriptionLink::Find(wxString::FromUTF8(c.html), page));
    }
}

TEST(DescriptionLink, EntityReferencesDecodedInOnePass)
{
    const wxString page = "https://site.test/";
    auto link = [](const wxString& attributes) {
        return "<link rel=search type=application/opensearchdescription+xml " + attributes + ">";
    };
    const struct
    {
        const char* href;
        const char* decoded;
    } cases[] = {
        {"https://o.test/?a=1&amp;b=2&AMP;c", "https://o.test/?a=1&b=2&c"},
        {"https://o.test/?&#65;&#x42;&lt;&gt;&quot;&apos;", "https://o.test/?AB<>\"'"},
        // A reference ends within 11 characters of its '&', ';' included.
        {"https://o.test/?&#x010FFFF;", "https://o.test/?\xF4\x8F\xBF\xBF"},
        {"https://o.test/?&#x0010FFFF;", "https://o.test/?&#x0010FFFF;"},
        {"https://o.test/?&&amp;&;&amp&nbsp;&#0;&#xD800;", "https://o.test/?&&&;&amp&nbsp;&#0;&#xD800;"},
        {"https://o.test/?a&b;&amp;", "https://o.test/?a&b;&"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.href);
        EXPECT_EQ(wxString::FromUTF8(c.decoded),
                  DescriptionLink::Find(link(wxS("href=\"") + wxString::FromUTF8(c.href) + wxS("\"")), page));
    }

    // Megabytes of '&' that a page may put into any attribute: looking past
    // the reach of a reference for a ';' at each '&' took about an hour at
    // this size (the bench shows the growth).
    SCOPED_TRACE("an attribute of eight million '&'");
    const wxString ampersands(8u << 20, '&');
    EXPECT_EQ("https://o.test/d.xml",
              DescriptionLink::Find(link("title=\"" + ampersands + "\" href=https://o.test/d.xml"), page));
    EXPECT_EQ("https://o.test/?" + ampersands,
              DescriptionLink::Find(link("href=\"https://o.test/?" + ampersands + "\""), page));
}
