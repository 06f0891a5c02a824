// XmlLoader against the toolkit's own wxXmlDocument::Load: same trees for the
// documents our callers see, and a long text node in linear time.
#include "catalogue/XmlLoader.h"

#include "TestEnvironment.h"

#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/stopwatch.h>
#include <wx/xml/xml.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace
{
void Dump(const wxXmlNode* node, int depth, wxString& out)
{
    for (; node; node = node->GetNext())
    {
        out << wxString(depth * 2, ' ') << int(node->GetType()) << " <" << node->GetName() << "> ["
            << node->GetContent() << "] line " << node->GetLineNumber();
        for (const wxXmlAttribute* a = node->GetAttributes(); a; a = a->GetNext())
            out << " " << a->GetName() << "=\"" << a->GetValue() << "\"";
        out << "\n";
        Dump(node->GetChildren(), depth + 1, out);
    }
}

// Everything a caller can read back from a loaded document.
std::string Describe(const wxXmlDocument& doc)
{
    wxString out;
    out << "version " << doc.GetVersion() << ", encoding " << doc.GetFileEncoding() << ", doctype "
        << doc.GetDoctype().GetRootName() << "|" << doc.GetDoctype().GetSystemId() << "|"
        << doc.GetDoctype().GetPublicId() << "\n";
    if (const wxXmlNode* docNode = doc.GetDocumentNode())
        Dump(docNode->GetChildren(), 0, out);
    else
        out << "(no document node)\n";
    return out.utf8_string();
}

struct Loaded
{
    bool ok = false;
    std::string tree;
};

Loaded WithToolkit(const std::string& bytes)
{
    wxLogNull noLog;
    wxMemoryInputStream in(bytes.data(), bytes.size());
    wxXmlDocument doc;
    Loaded result;
    result.ok = doc.Load(in, "UTF-8");
    result.tree = Describe(doc);
    return result;
}

Loaded WithLoader(const std::string& bytes)
{
    wxLogNull noLog;
    wxMemoryInputStream in(bytes.data(), bytes.size());
    wxXmlDocument doc;
    Loaded result;
    result.ok = XmlLoader::Load(doc, in);
    result.tree = Describe(doc);
    return result;
}

void ExpectSameAsToolkit(const std::string& label, const std::string& bytes)
{
    SCOPED_TRACE(label);
    const Loaded expected = WithToolkit(bytes);
    const Loaded actual = WithLoader(bytes);
    ASSERT_EQ(expected.ok, actual.ok);
    if (expected.ok)
        EXPECT_EQ(expected.tree, actual.tree);
    else
        EXPECT_NE(std::string::npos, actual.tree.find("(no document node)")) << actual.tree;
}

const std::string Decl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string BillionLaughs(const std::string& body)
{
    std::string dtd = "<!DOCTYPE r [\n<!ENTITY l0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
    {
        std::string refs;
        for (int j = 0; j < 10; ++j)
            refs += "&l" + std::to_string(i - 1) + ";";
        dtd += "<!ENTITY l" + std::to_string(i) + " \"" + refs + "\">\n";
    }
    return "<?xml version=\"1.0\"?>\n" + dtd + "]>\n" + body;
}
} // namespace

TEST(XmlLoader, BuildsTheSameTreeAsTheToolkit)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"catalogue", Decl + "<ENGINES>\n <ENGINE>\n  <INDEX>1</INDEX>\n  <NAME>A &amp; B</NAME>\n"
                             "  <URL>https://a.test/?q=*&amp;x=1</URL>\n </ENGINE>\n</ENGINES>\n"},
        {"comments inside and outside the root",
         "<!-- before --><?pi before?><ENGINES><!-- first --><ENGINE/><!--last--></ENGINES>"
         "<!-- after --><?pi after?>"},
        {"CDATA, blank CDATA, text around it",
         "<r>a<![CDATA[<b> & ]]>c<![CDATA[   ]]>  <![CDATA[]]>\n d</r>"},
        {"white-space-only and leading blank pieces", "<r>\n  <a>   </a>\n\t<b>\r\n  x  \n y</b> </r>"},
        {"line end written as a reference", "<r>\n<e/>&#10;&lt;x\n</r>"},
        {"entities and character references",
         "<r a=\"&lt;&#x41;&quot;\">&lt;&gt;&amp;&apos;&quot; &#233;&#x4E2D; x</r>"},
        {"attribute order and normalisation",
         "<r z=\"1\" a=\"2\" m=' 3\t\n4 ' k=\"\"/>"},
        {"mixed content and nesting",
         "<a>one<b>two<c>three</c>four</b>five<d/>six</a>"},
        {"processing instruction inside", "<r><?target some data?>t</r>"},
        {"non-ASCII UTF-8", "<r n=\"\xc3\xa9\">\xe4\xb8\xad\xe6\x96\x87 \xf0\x9f\x98\x80</r>"},
        {"no declaration", "<r>x</r>"},
        {"version only", "<?xml version=\"1.1\"?><r/>"},
        {"single quotes", "<?xml version='1.0' encoding='utf-8'?><r/>"},
        {"standalone", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><r/>"},
        {"Latin-1", std::string("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r a=\"\xe9\">\xe0\xff</r>")},
        {"US-ASCII", "<?xml version=\"1.0\" encoding=\"US-ASCII\"?><r>x</r>"},
        {"GB2312 declared, ASCII text", "<?xml version=\"1.0\" encoding=\"GB2312\"?><r>x</r>"},
        {"UTF-16 with BOM", std::string("\xff\xfe<\0r\0>\0x\0<\0/\0r\0>\0", 18)},
        {"doctype with ids",
         "<!DOCTYPE r PUBLIC \"-//X//Y//EN\" \"r.dtd\"><r>&ext;</r>"},
        {"internal entity in text stays unexpanded",
         "<!DOCTYPE r [<!ENTITY e \"EXPANDED\">]><r>a&e;b</r>"},
        {"internal entity in attribute", "<!DOCTYPE r [<!ENTITY e \"v\">]><r a=\"&e;\"/>"},
        {"external entity is not read",
         "<!DOCTYPE r [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><r>&x;</r>"},
        {"billion laughs in text", BillionLaughs("<r>&l9;</r>")},
        {"billion laughs in an attribute", BillionLaughs("<r a=\"&l9;\"/>")},
        {"empty input", ""},
        {"binary junk", std::string("\x00\x01\xfe\x80<\xff", 6)},
        {"no root element", Decl + "<!-- only a comment -->"},
        {"unclosed element", "<r><a></r>"},
        {"two roots", "<r/><s/>"},
        {"undefined entity", "<r>&nope;</r>"},
        {"invalid UTF-8", "<r>\xc3\x28</r>"},
        {"bad declaration", "<?xml version=\"1.0\" encoding=\"\"?><r/>"},
        {"duplicate attribute", "<r a=\"1\" a=\"2\"/>"},
        {"junk after root", "<r/>junk"},
    };
    for (const auto& [label, bytes] : cases)
        ExpectSameAsToolkit(label, bytes);

    // Expat splits text at the 1024-byte blocks the loaders read. The toolkit
    // then drops a blank piece that happens to start a text node; ours reads
    // the same text wherever the blocks end.
    const std::string spaces3000(3000, ' ');
    for (int pad = 1000; pad <= 1030; ++pad)
    {
        SCOPED_TRACE("block boundary, pad " + std::to_string(pad));
        const std::string doc = "<r a=\"" + std::string(pad, 'p') + "\"><t>   \n  \n x  y </t>" +
                                "<u>" + spaces3000 + "z" + std::string(2000, ' ') + "</u></r>";
        wxLogNull noLog;
        wxMemoryInputStream in(doc.data(), doc.size());
        wxXmlDocument loaded;
        ASSERT_TRUE(XmlLoader::Load(loaded, in));
        const wxXmlNode* t = loaded.GetRoot()->GetChildren();
        EXPECT_EQ(" x  y ", t->GetNodeContent());
        EXPECT_EQ(3, t->GetChildren()->GetLineNumber());
        EXPECT_EQ(spaces3000 + "z" + std::string(2000, ' '), t->GetNext()->GetNodeContent());
    }
}

TEST(XmlLoader, RefusesWhatCouldHurt)
{
    wxLogNull noLog;
    {
        SCOPED_TRACE("a failed load leaves no root behind");
        wxXmlDocument doc;
        wxMemoryInputStream good("<r><a/></r>", 11);
        ASSERT_TRUE(XmlLoader::Load(doc, good));
        ASSERT_NE(nullptr, doc.GetRoot());
        wxMemoryInputStream bad("<r><a></r>", 10);
        EXPECT_FALSE(XmlLoader::Load(doc, bad));
        EXPECT_EQ(nullptr, doc.GetRoot());
    }
    {
        SCOPED_TRACE("entity bomb in an attribute is stopped, not expanded");
        const std::string bomb = BillionLaughs("<r a=\"&l9;\"/>");
        wxMemoryInputStream in(bomb.data(), bomb.size());
        wxXmlDocument doc;
        EXPECT_FALSE(XmlLoader::Load(doc, in));
    }
    {
        SCOPED_TRACE("nesting up to the limit loads, one more is refused");
        auto nested = [](int depth) {
            std::string s;
            for (int i = 0; i < depth; ++i)
                s += "<a>";
            for (int i = 0; i < depth; ++i)
                s += "</a>";
            return s;
        };
        const std::string atLimit = nested(XmlLoader::MaxDepth);
        wxMemoryInputStream in(atLimit.data(), atLimit.size());
        wxXmlDocument doc;
        EXPECT_TRUE(XmlLoader::Load(doc, in));
        const std::string over = nested(XmlLoader::MaxDepth + 1);
        wxMemoryInputStream in2(over.data(), over.size());
        EXPECT_FALSE(XmlLoader::Load(doc, in2));
        EXPECT_EQ(nullptr, doc.GetRoot());
        // The toolkit loads this one and then overflows the stack destroying it.
        const std::string million = nested(1000000);
        wxMemoryInputStream in3(million.data(), million.size());
        EXPECT_FALSE(XmlLoader::Load(doc, in3));
    }
    {
        SCOPED_TRACE("an encoding nobody knows fails cleanly");
        const std::string text = "<?xml version=\"1.0\" encoding=\"x-no-such-charset\"?><r>x</r>";
        wxMemoryInputStream in(text.data(), text.size());
        wxXmlDocument doc;
        EXPECT_FALSE(XmlLoader::Load(doc, in));
        EXPECT_EQ(nullptr, doc.GetRoot());
    }
    {
        SCOPED_TRACE("a single-byte encoding expat lacks goes through the converters");
        const std::string text = "<?xml version=\"1.0\" encoding=\"windows-1252\"?><r>\x80\xe9</r>";
        wxMemoryInputStream in(text.data(), text.size());
        wxXmlDocument doc;
        ASSERT_TRUE(XmlLoader::Load(doc, in));
        EXPECT_EQ(wxString::FromUTF8("\xe2\x82\xac\xc3\xa9"), doc.GetRoot()->GetNodeContent());
        EXPECT_EQ("windows-1252", doc.GetFileEncoding());
    }
}

TEST(XmlLoader, LoadsFilesLikeStreams)
{
    TempDir dir;
    const std::string path = dir.File("c.xml");
    const std::string text = Decl + "<ENGINES><!--c--><ENGINE><NAME> n </NAME></ENGINE></ENGINES>\n";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, f);
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);

    wxXmlDocument fromFile;
    ASSERT_TRUE(XmlLoader::Load(fromFile, wxString::FromUTF8(path)));
    EXPECT_EQ(WithToolkit(text).tree, Describe(fromFile));

    wxLogNull noLog;
    EXPECT_FALSE(XmlLoader::Load(fromFile, wxString::FromUTF8(dir.File("missing.xml"))));
    EXPECT_EQ(nullptr, fromFile.GetRoot());
}

TEST(XmlLoader, LongTextNodeLoadsInLinearTime)
{
    double seconds[2] = {};
    const size_t sizes[2] = {1u << 20, 10u << 20};
    for (int i = 0; i < 2; ++i)
    {
        // Entities and line breaks make expat report many small pieces.
        std::string body;
        body.reserve(sizes[i] + 64);
        while (body.size() < sizes[i])
            body += "name &amp; more\n";
        const std::string text = "<r><n>" + body + "</n></r>";
        wxMemoryInputStream in(text.data(), text.size());
        wxXmlDocument doc;
        wxStopWatch watch;
        ASSERT_TRUE(XmlLoader::Load(doc, in));
        seconds[i] = watch.Time() / 1000.0;
        const size_t expected = body.size() - (body.size() / 16) * 4; // "&amp;" becomes "&"
        EXPECT_EQ(expected, doc.GetRoot()->GetChildren()->GetNodeContent().length());
    }
    std::printf("XmlLoader: 1 MB text node %.3f s, 10 MB %.3f s\n", seconds[0], seconds[1]);
}
