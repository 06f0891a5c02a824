#include "exchange/EngineExport.h"
#include "exchange/EngineImport.h"
#include "catalogue/EngineManager.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace
{
class CountingObserver : public EngineObserver
{
public:
    void OnEngineChanged() override { ++calls; }
    int calls = 0;
};

std::string Description(const std::string& name, const std::string& url)
{
    return "<?xml version=\"1.0\"?><OpenSearchDescription xmlns=\"http://a9.com/-/spec/opensearch/1.1/\">"
           "<ShortName>" + name + "</ShortName><Url type=\"text/html\" template=\"" + url +
           "\"/></OpenSearchDescription>";
}

std::unique_ptr<Engine> MakeEngine(int index, const wxString& lang, const wxString& cat,
                                   const wxString& name, const wxString& url)
{
    auto e = std::make_unique<Engine>();
    e->m_nIndex = index;
    e->m_strLanguage = lang;
    e->m_strCategory = cat;
    e->m_strName = name;
    e->m_strUrl = url;
    return e;
}

std::vector<std::string> Lines(const EngineImport& import)
{
    std::vector<std::string> lines;
    for (const wxString& line : import.ReportLines())
        lines.push_back(line.ToStdString(wxConvUTF8));
    return lines;
}
} // namespace

TEST(EngineImport, DescriptionsAndCatalogueFilesJoinTheCatalogueOnce)
{
    TempDir dir;
    WriteFileBytes(dir.File("a.xml"), Description("Alpha", "https://a.test/?q={searchTerms}"));
    WriteFileBytes(dir.File("dup.xml"), Description("Again", "https://old.test/?q={searchTerms}"));
    WriteFileBytes(dir.File("post.xml"),
                   "<OpenSearchDescription><ShortName>Poster</ShortName>"
                   "<Url type=\"text/html\" method=\"POST\" template=\"https://p.test/\"/></OpenSearchDescription>");
    WriteFileBytes(dir.File("junk.xml"), "<Open");
    // A backup from another machine: indexes 3 and 9 (9 is taken here), its own groups.
    WriteFileBytes(dir.File("backup.xml"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>"
                   "<ENGINE><INDEX>9</INDEX><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Late</NAME>"
                   "<URL>https://late.test/?q=*</URL><ENABLE>0</ENABLE><SUGGEST_URL>https://late.test/ac?q={searchTerms}</SUGGEST_URL></ENGINE>"
                   "<ENGINE><INDEX>3</INDEX><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Early</NAME>"
                   "<URL>https://early.test/?q=*</URL><ENCODING>ISO-8859-15</ENCODING></ENGINE>"
                   "<ENGINE><INDEX>4</INDEX><NAME>Starless</NAME><URL>https://x.test/</URL></ENGINE>"
                   "</ENGINES>");

    EngineManager catalogue;
    CountingObserver observer;
    catalogue.m_pObserver = &observer;
    catalogue.AddEngine(MakeEngine(9, "English", "News", "Old", "https://old.test/?q=*"));
    observer.calls = 0;

    EngineImport import;
    for (const char* file : {"a.xml", "dup.xml", "post.xml", "junk.xml", "backup.xml", "missing.xml"})
        import.AddFile(dir.File(file));
    import.CheckDuplicates(catalogue, "English", "News");
    EXPECT_EQ(3u, import.Apply(catalogue, "English", "News"));
    EXPECT_EQ(1, observer.calls);
    ASSERT_EQ(4u, catalogue.m_engines.size());

    const Engine& alpha = *catalogue.m_engines[1];
    EXPECT_EQ("Alpha", alpha.m_strName);
    EXPECT_EQ("English", alpha.m_strLanguage);
    EXPECT_EQ("News", alpha.m_strCategory);
    {
        SCOPED_TRACE("catalogue engines keep their group and flags; their order by index survives");
        const Engine& late = *catalogue.m_engines[2];
        const Engine& early = *catalogue.m_engines[3];
        EXPECT_EQ("Deutsch", late.m_strLanguage);
        EXPECT_FALSE(late.m_bEnable);
        EXPECT_EQ("https://late.test/ac?q={searchTerms}", late.m_strSuggestUrl);
        EXPECT_EQ("ISO-8859-15", early.m_strEncoding);
        EXPECT_EQ(3, early.m_nIndex);
        EXPECT_LT(early.m_nIndex, late.m_nIndex);
        EXPECT_NE(9, late.m_nIndex);
        EXPECT_NE(alpha.m_nIndex, late.m_nIndex);
        EXPECT_TRUE(late.m_bMark && early.m_bMark && !catalogue.m_engines[0]->m_bMark);
    }
    const std::vector<std::string> expected = {
        "added\tAlpha\thttps://a.test/?q=*",
        "skipped\tAgain\tduplicate",
        "skipped\tPoster\t\"Poster\" sends its searches by POST, which Orvane cannot do.",
        "skipped\t" + dir.File("junk.xml") + "\tThe file is not well-formed XML (unclosed token, line 1).",
        "added\tLate\thttps://late.test/?q=*",
        "added\tEarly\thttps://early.test/?q=*",
        "skipped\tStarless\tThe search address of \"Starless\" has no '*' where the keyword goes.",
        "skipped\t" + dir.File("missing.xml") + "\tThe file cannot be read.",
    };
    EXPECT_EQ(expected, Lines(import));
}

TEST(EngineImport, GroupOptionsAndEmptyGroupsAndNothingToAdd)
{
    TempDir dir;
    WriteFileBytes(dir.File("c.xml"),
                   "<ENGINES><ENGINE><NAME>Bare</NAME><URL>https://b.test/?q=*</URL></ENGINE>"
                   "<ENGINE><LANGUAGE>Deutsch</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Own</NAME>"
                   "<URL>https://o.test/?q=*</URL></ENGINE></ENGINES>");
    EngineManager catalogue;
    CountingObserver observer;
    catalogue.m_pObserver = &observer;
    {
        EngineImport import;
        import.AddFile(dir.File("c.xml"));
        import.CheckDuplicates(catalogue, "L", "C");
        ASSERT_EQ(2u, import.Apply(catalogue, "L", "C"));
        EXPECT_EQ("L", catalogue.m_engines[0]->m_strLanguage);  // an empty group is filled in
        EXPECT_EQ("Deutsch", catalogue.m_engines[1]->m_strLanguage);
    }
    {
        SCOPED_TRACE("the same file again: all duplicates, no notification");
        observer.calls = 0;
        EngineImport import;
        import.AddFile(dir.File("c.xml"));
        import.CheckDuplicates(catalogue, "L", "C");
        EXPECT_EQ(0u, import.Apply(catalogue, "L", "C", true, true));
        EXPECT_EQ(0, observer.calls);
        EXPECT_EQ(2u, catalogue.m_engines.size());
    }
    {
        SCOPED_TRACE("options override a catalogue file's own group");
        EngineManager other;
        EngineImport import;
        import.AddFile(dir.File("c.xml"));
        import.CheckDuplicates(other, "L", "C");
        ASSERT_EQ(2u, import.Apply(other, "L", "C", true, true));
        EXPECT_EQ("L", other.m_engines[1]->m_strLanguage);
        EXPECT_EQ("C", other.m_engines[1]->m_strCategory);
    }
}

TEST(EngineImport, ADuplicateIsTheSameAddressInTheSameGroup)
{
    TempDir dir;
    WriteFileBytes(dir.File("d.xml"), Description("Desc", "https://d.test/?q={searchTerms}"));
    WriteFileBytes(dir.File("c.xml"),
                   "<ENGINES><ENGINE><LANGUAGE>deutsch</LANGUAGE><CATEGORY>WEB</CATEGORY><NAME>Own</NAME>"
                   "<URL>https://o.test/?q=*</URL></ENGINE>"
                   "<ENGINE><LANGUAGE>English</LANGUAGE><CATEGORY>Web</CATEGORY><NAME>Elsewhere</NAME>"
                   "<URL>https://d.test/?q=*</URL></ENGINE></ENGINES>");
    EngineManager catalogue;
    catalogue.AddEngine(MakeEngine(1, "Deutsch", "Web", "Own", "https://o.test/?q=*"));
    catalogue.AddEngine(MakeEngine(2, "Deutsch", "News", "D", "https://d.test/?q=*"));

    EngineImport import;
    import.AddFile(dir.File("d.xml"));
    import.AddFile(dir.File("c.xml"));
    auto flags = [&import] {
        std::vector<std::pair<bool, bool>> result;
        for (const auto& item : import.Items())
            result.emplace_back(item.duplicate, item.chosen);
        return result;
    };
    {
        SCOPED_TRACE("the same address in another group is no duplicate; case aside, the same group is");
        import.CheckDuplicates(catalogue, "English", "Images");
        EXPECT_EQ(flags(), (std::vector<std::pair<bool, bool>>{{false, true}, {true, false}, {false, true}}));
    }
    {
        SCOPED_TRACE("a description sent where the catalogue has its address, then where an earlier item has it");
        import.CheckDuplicates(catalogue, "DEUTSCH", "news");
        EXPECT_EQ(flags(), (std::vector<std::pair<bool, bool>>{{true, false}, {true, false}, {false, true}}));
        import.Items()[2].chosen = false;  // the person's own choice
        import.CheckDuplicates(catalogue, "English", "Web");
        EXPECT_EQ(flags(), (std::vector<std::pair<bool, bool>>{{false, true}, {true, false}, {true, false}}));
        import.CheckDuplicates(catalogue, "English", "Images");
        // Elsewhere is no duplicate again: chosen again, as at first.
        EXPECT_EQ(flags(), (std::vector<std::pair<bool, bool>>{{false, true}, {true, false}, {false, true}}));
    }
}

TEST(EngineExport, CatalogueRoundTripIsLossless)
{
    TempDir dir;
    EngineManager source;
    source.AddEngine(MakeEngine(-4, "English", "Web", "A & <B>", "https://a.test/?q=*&x=\"1\""));
    source.AddEngine(MakeEngine(12, wxString::FromUTF8("中文"), "News", "Tab\tName", "https://b.test/*?*"));
    source.m_engines[1]->m_strEncoding = "gb_2312-80";
    source.m_engines[1]->m_bEnable = false;
    source.m_engines[1]->m_strSuggestUrl = "https://b.test/ac?q={searchTerms}";

    std::vector<const Engine*> all;
    for (const auto& e : source.m_engines)
        all.push_back(e.get());
    ImportMessage error;
    ASSERT_TRUE(EngineExport::WriteCatalogue(all, dir.File("out.xml"), error));

    EngineManager target;
    EngineImport import;
    import.AddFile(dir.File("out.xml"));
    import.CheckDuplicates(target, "x", "y");
    ASSERT_EQ(2u, import.Apply(target, "x", "y"));
    for (size_t i = 0; i < 2; ++i)
    {
        SCOPED_TRACE(i);
        const Engine& a = *source.m_engines[i];
        const Engine& b = *target.m_engines[i];
        EXPECT_EQ(a.m_nIndex, b.m_nIndex);
        EXPECT_EQ(a.m_strLanguage, b.m_strLanguage);
        EXPECT_EQ(a.m_strCategory, b.m_strCategory);
        EXPECT_EQ(a.m_strName, b.m_strName);
        EXPECT_EQ(a.m_strUrl, b.m_strUrl);
        EXPECT_EQ(a.m_strEncoding, b.m_strEncoding);
        EXPECT_EQ(a.m_bEnable, b.m_bEnable);
        EXPECT_EQ(a.m_strSuggestUrl, b.m_strSuggestUrl);
    }
}

TEST(EngineExport, OpenSearchFilesAreNamedValidAndReadBack)
{
    TempDir dir;
    WriteFileBytes(dir.File("Taken.xml"), "user's own file");
    EngineManager source;
    source.AddEngine(MakeEngine(1, "E", "W", "Taken", "https://t.test/?q=*"));
    source.AddEngine(MakeEngine(2, "E", "W", "A very long engine name/with: odd {chars}",
                                "https://l.test/s{x}?q=*&star=*"));
    source.AddEngine(MakeEngine(3, "E", "W", "Taken", "https://t2.test/?q=*"));
    source.AddEngine(MakeEngine(4, "E", "W", wxString::FromUTF8("百度"), "https://bd.test/s?wd=*"));
    source.m_engines[3]->m_strEncoding = "GB2312";
    source.m_engines[3]->m_strSuggestUrl = "https://bd.test/su?wd={searchTerms}";
    std::vector<const Engine*> all;
    for (const auto& e : source.m_engines)
        all.push_back(e.get());

    std::vector<wxString> written;
    ImportMessage error;
    ASSERT_TRUE(EngineExport::WriteOpenSearch(all, dir.File("out"), written, error));
    std::vector<std::string> names;
    for (const wxString& path : written)
        names.push_back(fs::path(path.ToStdString(wxConvUTF8)).filename().string());
    EXPECT_EQ((std::vector<std::string>{"Taken.xml", "A_very_long_engi.xml", "Taken-2.xml",
                                        "\xE7\x99\xBE\xE5\xBA\xA6.xml"}),
              names);
    {
        SCOPED_TRACE("never over an existing file");
        std::vector<wxString> again;
        ASSERT_TRUE(EngineExport::WriteOpenSearch({all[0]}, dir.File("out"), again, error));
        EXPECT_EQ(dir.File("out/Taken-3.xml"), again[0].ToStdString());
        EXPECT_TRUE(EngineExport::WriteOpenSearch({all[0]}, dir.Path(), again, error));
        EXPECT_EQ("user's own file", ReadFileBytes(dir.File("Taken.xml")));
    }

    const std::string xml = ReadFileBytes(written[1].ToStdString());
    EXPECT_NE(std::string::npos, xml.find("<ShortName>A very long engi</ShortName>"));
    EXPECT_NE(std::string::npos, xml.find("<Description>A very long engine name/with: odd {chars}</Description>"));
    EXPECT_NE(std::string::npos,
              xml.find("template=\"https://l.test/s%7Bx%7D?q={searchTerms}&amp;star=*\""));

    EngineManager target;
    EngineImport import;
    for (const wxString& path : written)
        import.AddFile(path);
    import.CheckDuplicates(target, "E", "W");
    ASSERT_EQ(4u, import.Apply(target, "E", "W"));
    EXPECT_EQ("https://l.test/s%7Bx%7D?q=*&star=%2a", target.m_engines[1]->m_strUrl);
    EXPECT_EQ("GB2312", target.m_engines[3]->m_strEncoding);
    EXPECT_EQ("https://bd.test/su?wd={searchTerms}", target.m_engines[3]->m_strSuggestUrl);
    EXPECT_EQ("https://bd.test/s?wd=*", target.m_engines[3]->m_strUrl);
}

TEST(EngineImport, ShortcutsAreKeptWhenFreeAndDroppedWithANoteOtherwise)
{
    TempDir dir;
    auto engine = [](int index, const std::string& name, const std::string& shortcut) {
        return "<ENGINE><INDEX>" + std::to_string(index) + "</INDEX><LANGUAGE>L</LANGUAGE>"
               "<CATEGORY>C</CATEGORY><NAME>" + name + "</NAME><URL>https://" + name +
               ".test/?q=*</URL><SHORTCUT>" + shortcut + "</SHORTCUT></ENGINE>";
    };
    WriteFileBytes(dir.File("in.xml"), "<?xml version=\"1.0\"?><ENGINES>" + engine(1, "taken", "W") +
                                           engine(2, "free", "fr") + engine(3, "again", "FR") +
                                           engine(4, "broken", "a b") + "</ENGINES>");
    EngineManager catalogue;
    catalogue.AddEngine(MakeEngine(0, "L", "C", "wiki", "https://wiki.test/?q=*"));
    catalogue.m_engines[0]->m_strShortcut = "w";

    EngineImport import;
    import.AddFile(dir.File("in.xml"));
    import.CheckDuplicates(catalogue, "L", "C");
    ASSERT_EQ(4u, import.Apply(catalogue, "L", "C"));
    std::vector<std::string> shortcuts;
    for (const auto& e : catalogue.m_engines)
        shortcuts.push_back(e->m_strShortcut.ToStdString());
    EXPECT_EQ((std::vector<std::string>{"w", "", "fr", "", ""}), shortcuts);
    const std::vector<std::string> lines = Lines(import);
    EXPECT_EQ((std::vector<std::string>{
                  "added\ttaken\thttps://taken.test/?q=*",
                  "dropped\ttaken\tThe shortcut \"W\" is already used; the engine was added without it.",
                  "added\tfree\thttps://free.test/?q=*",
                  "added\tagain\thttps://again.test/?q=*",
                  "dropped\tagain\tThe shortcut \"FR\" is already used; the engine was added without it.",
                  "added\tbroken\thttps://broken.test/?q=*",
                  "dropped\tbroken\tThe shortcut \"a b\" is not valid; the engine was added without it."}),
              lines);
}

TEST(EngineExport, OpenSearchFileNamesKeepEveryScriptAndNeverHide)
{
    const struct
    {
        const char* name;
        const char* stem;
    } cases[] = {
        {".profile", "profile"},
        {"..", "engine"},
        {"../../x", "x"},
        {"-rf .", "rf_."},
        {"", "engine"},
        {"\xE7\x99\xBE\xE5\xBA\xA6 \xE4\xB8\x80\xE4\xB8\x8B", "\xE7\x99\xBE\xE5\xBA\xA6_\xE4\xB8\x80\xE4\xB8\x8B"},
        {"\xD0\xAF\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81/\xD0\x9F\xD0\xBE\xD0\xB8\xD1\x81\xD0\xBA",
         "\xD0\xAF\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81\xD0\x9F\xD0\xBE\xD0\xB8\xD1\x81\xD0\xBA"},
        {"a\\b\tc\xC2\x85" "d\xE2\x80\xAE" "fdp.exe", "abcdfdp.exe"},
        // Sixteen characters of the ShortName, whatever they are.
        {"\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xE3\x81\x8A\xE3\x81\x8B\xE3\x81\x8D\xE3\x81\x8F"
         "\xE3\x81\x91\xE3\x81\x93\xE3\x81\x95\xE3\x81\x97\xE3\x81\x99\xE3\x81\x9B\xE3\x81\x9D\xE3\x81\x9F"
         "\xE3\x81\xA1",
         "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xE3\x81\x8A\xE3\x81\x8B\xE3\x81\x8D\xE3\x81\x8F"
         "\xE3\x81\x91\xE3\x81\x93\xE3\x81\x95\xE3\x81\x97\xE3\x81\x99\xE3\x81\x9B\xE3\x81\x9D\xE3\x81\x9F"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.stem, EngineExport::FileStem(wxString::FromUTF8(c.name)).ToStdString(wxConvUTF8));
    }

    SCOPED_TRACE("written inside the folder, none hidden; no folder is no export");
    TempDir dir;
    EngineManager source;
    int index = 0;
    for (const char* name : {".profile", "..", "../../x", "-"})
        source.AddEngine(MakeEngine(++index, "E", "W", name, "https://t.test/?q=*"));
    std::vector<const Engine*> all;
    for (const auto& e : source.m_engines)
        all.push_back(e.get());
    std::vector<wxString> written;
    ImportMessage error;
    ASSERT_TRUE(EngineExport::WriteOpenSearch(all, dir.File("out"), written, error));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.File("out")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"engine-2.xml", "engine.xml", "profile.xml", "x.xml"}), names);
    EXPECT_FALSE(EngineExport::WriteOpenSearch(all, "", written, error));
    EXPECT_TRUE(written.empty());
}

TEST(EngineImport, OnlyWebAddressesComeInByAnyRoute)
{
    TempDir dir;
    WriteFileBytes(dir.File("mixed.xml"),
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ENGINES>"
                   "<ENGINE><INDEX>1</INDEX><LANGUAGE>L</LANGUAGE><CATEGORY>C</CATEGORY><NAME>Script</NAME>"
                   "<URL>javascript:alert(document.cookie)//*</URL></ENGINE>"
                   "<ENGINE><INDEX>2</INDEX><LANGUAGE>L</LANGUAGE><CATEGORY>C</CATEGORY><NAME>Local</NAME>"
                   "<URL>file:///etc/passwd?*</URL></ENGINE>"
                   "<ENGINE><INDEX>3</INDEX><LANGUAGE>L</LANGUAGE><CATEGORY>C</CATEGORY><NAME>Path</NAME>"
                   "<URL>/home/user/*</URL></ENGINE>"
                   "<ENGINE><INDEX>4</INDEX><LANGUAGE>L</LANGUAGE><CATEGORY>C</CATEGORY><NAME>Web</NAME>"
                   "<URL>HTTPS://web.test/?q=*</URL><SUGGEST_URL>file:///etc/{searchTerms}</SUGGEST_URL></ENGINE>"
                   "</ENGINES>");
    EngineManager catalogue;
    EngineImport import;
    import.AddFile(dir.File("mixed.xml"));
    import.CheckDuplicates(catalogue, "L", "C");
    EXPECT_EQ(1u, import.Apply(catalogue, "L", "C"));
    ASSERT_EQ(1u, catalogue.m_engines.size());
    EXPECT_EQ("", catalogue.m_engines[0]->m_strSuggestUrl);
    const std::vector<std::string> expected = {
        "skipped\tScript\tThe search address of \"Script\" is not an http or https address.",
        "skipped\tLocal\tThe search address of \"Local\" is not an http or https address.",
        "skipped\tPath\tThe search address of \"Path\" is not an http or https address.",
        "added\tWeb\tHTTPS://web.test/?q=*",
    };
    EXPECT_EQ(expected, Lines(import));

    SCOPED_TRACE("an item made by another reader, applied without the duplicate check");
    EngineImport other;
    EngineImport::Item item;
    item.source = "elsewhere";
    item.engine = MakeEngine(7, "L", "C", "Made", "file:///tmp/*");
    item.chosen = true;
    other.Items().push_back(std::move(item));
    EXPECT_EQ(0u, other.Apply(catalogue, "L", "C"));
    EXPECT_EQ(1u, catalogue.m_engines.size());
}
