#include "catalogue/EngineManager.h"

#include "TestEnvironment.h"

#include <wx/xml/xml.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <set>

#include <sys/resource.h>

namespace fs = std::filesystem;

namespace
{
class CountingObserver : public EngineObserver
{
public:
    void OnEngineChanged() override { ++calls; }
    int calls = 0;
};

const std::string kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

std::string EngineXml(int id, const std::string& index, const std::string& lang,
                      const std::string& cat, const std::string& name, const std::string& url,
                      const std::string& enc = "UTF-8", const std::string& enable = "1")
{
    return "  <ENGINE>\n    <ID>" + std::to_string(id) + "</ID>\n    <INDEX>" + index +
           "</INDEX>\n    <LANGUAGE>" + lang + "</LANGUAGE>\n    <CATEGORY>" + cat +
           "</CATEGORY>\n    <NAME>" + name + "</NAME>\n    <URL>" + url +
           "</URL>\n    <ENCODING>" + enc + "</ENCODING>\n    <ENABLE>" + enable +
           "</ENABLE>\n  </ENGINE>\n";
}

std::string Catalogue(const std::string& engines)
{
    return kDecl + "<ENGINES>\n" + engines + "</ENGINES>\n";
}

std::unique_ptr<Engine> MakeEngine(int index, const wxString& lang, const wxString& cat,
                                   const wxString& name, bool enable = true)
{
    auto e = std::make_unique<Engine>();
    e->m_nIndex = index;
    e->m_strLanguage = lang;
    e->m_strCategory = cat;
    e->m_strName = name;
    e->m_strUrl = "https://" + name + ".test/?q=*";
    e->m_strEncoding = "UTF-8";
    e->m_bEnable = enable;
    return e;
}

// A sandboxed working folder with conf/config.xml holding `xml`, loaded.
struct Loaded
{
    explicit Loaded(const std::string& xml)
    {
        MakeDirs(sandbox.File("conf"));
        if (!xml.empty())
            WriteFileBytes(sandbox.File("conf/config.xml"), xml);
        manager.m_pObserver = &observer;
        manager.Load();
    }
    std::string File() const { return ReadFileBytes(sandbox.File("conf/config.xml")); }
    std::vector<std::string> Names()
    {
        std::vector<std::string> names;
        for (const auto& e : manager.m_engines)
            names.push_back(e->m_strName.ToStdString());
        return names;
    }

    TestSandbox sandbox;
    CountingObserver observer;
    EngineManager manager;
};

std::vector<std::string> Names(const EngineArray& engines)
{
    std::vector<std::string> names;
    for (const Engine* e : engines)
        names.push_back(e->m_strName.ToStdString());
    return names;
}

std::vector<std::string> ReloadedNames(const std::string& file)
{
    EngineManager again;
    again.SetFileName(file);
    again.Load();
    std::vector<std::string> names;
    for (const auto& e : again.m_engines)
        names.push_back(e->m_strName.ToStdString());
    return names;
}

std::vector<std::string> Strings(const wxArrayString& list)
{
    std::vector<std::string> out;
    for (const wxString& s : list)
        out.push_back(s.ToStdString());
    return out;
}

std::vector<std::string> FilesIn(const std::string& dir)
{
    std::vector<std::string> files;
    for (const auto& entry : fs::directory_iterator(dir))
        files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}
} // namespace

TEST(EngineManager, FieldReadingRules)
{
    Loaded c(kDecl +
             "<engines>"
             "<ENGINE><NAME>bare</NAME></ENGINE>"
             "<engine><Name>lower</Name><enable>no</enable><Index> -12abc</Index>"
             "<ENCODING>  </ENCODING><ID>77</ID><EXTRA>x</EXTRA></engine>"
             "<ENGINE><NAME>off</NAME><ENABLE>0</ENABLE><INDEX>+7</INDEX><ENCODING>GB2312</ENCODING>"
             "<URL>https://a.test/?a=1&amp;#38;b=*&amp;#38;c</URL></ENGINE>"
             "<ENGINE><NAME>first</NAME><NAME>second</NAME><INDEX>99999999999</INDEX>"
             "<ENCODING>Shift_JIS</ENCODING><ENABLE>1</ENABLE></ENGINE>"
             "<ENGINE><INDEX>-99999999999</INDEX><LANGUAGE>L</LANGUAGE><CATEGORY>C</CATEGORY>"
             "<URL><![CDATA[https://c.test/?q=*&x=1]]></URL></ENGINE>"
             "<ENGINE><INDEX>x1</INDEX></ENGINE>"
             "</engines>");
    const auto& e = c.manager.m_engines;
    ASSERT_EQ(6u, e.size());
    {
        SCOPED_TRACE("absent fields");
        EXPECT_EQ("bare", e[0]->m_strName);
        EXPECT_EQ(0, e[0]->m_nIndex);
        EXPECT_TRUE(e[0]->m_bEnable);
        EXPECT_EQ("UTF-8", e[0]->m_strEncoding);
        EXPECT_EQ("", e[0]->m_strLanguage);
        EXPECT_EQ("", e[0]->m_strUrl);
        EXPECT_FALSE(e[0]->m_bMark);
    }
    {
        SCOPED_TRACE("names matched without case; 'no' enables; blank encoding");
        EXPECT_EQ("lower", e[1]->m_strName);
        EXPECT_TRUE(e[1]->m_bEnable);
        EXPECT_EQ(-12, e[1]->m_nIndex);
        EXPECT_EQ("UTF-8", e[1]->m_strEncoding);
    }
    {
        SCOPED_TRACE("0 disables; sign; escaped &#38; in URL");
        EXPECT_FALSE(e[2]->m_bEnable);
        EXPECT_EQ(7, e[2]->m_nIndex);
        EXPECT_EQ("GB2312", e[2]->m_strEncoding);
        EXPECT_EQ("https://a.test/?a=1&b=*&c", e[2]->m_strUrl);
    }
    {
        SCOPED_TRACE("later duplicate wins; saturation; other encodings kept");
        EXPECT_EQ("second", e[3]->m_strName);
        EXPECT_EQ(2147483647, e[3]->m_nIndex);
        EXPECT_EQ("Shift_JIS", e[3]->m_strEncoding);
        EXPECT_EQ(-2147483647 - 1, e[4]->m_nIndex);
        EXPECT_EQ("https://c.test/?q=*&x=1", e[4]->m_strUrl);
        EXPECT_EQ(0, e[5]->m_nIndex);
    }
}

TEST(EngineManager, OnlyTheLeadingRunOfEnginesLoads)
{
    const std::string a = EngineXml(1, "0", "L", "C", "a", "u");
    const std::string b = EngineXml(2, "1", "L", "C", "b", "u");
    {
        SCOPED_TRACE("comment first");
        Loaded c(Catalogue("  <!-- x -->\n" + a));
        EXPECT_TRUE(c.manager.m_engines.empty());
        EXPECT_NE(nullptr, c.manager.m_pRoot);
    }
    {
        SCOPED_TRACE("element in between hides what follows");
        Loaded c(Catalogue(a + "  <OTHER/>\n" + b));
        EXPECT_EQ(std::vector<std::string>{"a"}, c.Names());
    }
    {
        SCOPED_TRACE("wrong root, malformed, missing, empty root");
        Loaded wrongRoot(kDecl + "<THINGS>" + a + "</THINGS>");
        EXPECT_TRUE(wrongRoot.manager.m_engines.empty());
        ASSERT_NE(nullptr, wrongRoot.manager.m_pRoot);
        EXPECT_EQ("THINGS", wrongRoot.manager.m_pRoot->GetName());
        Loaded malformed(Catalogue(a).substr(0, 100));
        EXPECT_TRUE(malformed.manager.m_engines.empty());
        EXPECT_EQ(nullptr, malformed.manager.m_pRoot);
        Loaded missing("");
        EXPECT_TRUE(missing.manager.m_engines.empty());
        EXPECT_EQ(nullptr, missing.manager.m_pRoot);
        Loaded empty(kDecl + "<ENGINES/>");
        EXPECT_TRUE(empty.manager.m_engines.empty());
        EXPECT_EQ(-1, empty.manager.GetMaxIndex());
        EXPECT_EQ(0, empty.observer.calls);
    }
}

TEST(EngineManager, Queries)
{
    Loaded c("");
    EngineManager& m = c.manager;
    m.m_engines.push_back(MakeEngine(5, "English", "Web", "e5"));
    m.m_engines.push_back(MakeEngine(2, "english", "WEB", "e2"));
    m.m_engines.push_back(MakeEngine(3, "Chinese", "Web", "c3"));
    m.m_engines.push_back(MakeEngine(1, "English", "Web", "off1", false));
    m.m_engines.push_back(MakeEngine(4, "English", "News", "n4"));
    m.m_engines.push_back(MakeEngine(2, "English", "web", "dup2"));
    {
        SCOPED_TRACE("GetEngines filters without case, sorts by index");
        EXPECT_EQ((std::vector<std::string>{"e2", "dup2", "e5"}),
                  Names(m.GetEngines("ENGLISH", "web", false)));
        EXPECT_EQ((std::vector<std::string>{"off1", "e2", "dup2", "e5"}),
                  Names(m.GetEngines("English", "Web", true)));
        EXPECT_TRUE(m.GetEngines("English", "Images", true).empty());
        EXPECT_TRUE(m.m_filtered.empty());
    }
    {
        SCOPED_TRACE("languages and categories: first form wins, existing entries count");
        wxArrayString langs;
        m.GetLanguages(langs);
        EXPECT_EQ((std::vector<std::string>{"English", "Chinese"}), Strings(langs));
        wxArrayString preset;
        preset.Add("CHINESE");
        m.GetLanguages(preset);
        EXPECT_EQ((std::vector<std::string>{"CHINESE", "English"}), Strings(preset));
        wxArrayString all, english, none;
        m.GetCategories(all, "");
        m.GetCategories(english, "english");
        m.GetCategories(none, "Klingon");
        EXPECT_EQ((std::vector<std::string>{"Web", "News"}), Strings(all));
        EXPECT_EQ((std::vector<std::string>{"Web", "News"}), Strings(english));
        EXPECT_TRUE(none.empty());
    }
    {
        SCOPED_TRACE("counts and indexes");
        EXPECT_EQ(5u, m.GetEnabledCount());
        EXPECT_EQ(5, m.GetMaxIndex());
        EXPECT_TRUE(m.IndexExists(4));
        EXPECT_FALSE(m.IndexExists(6));
        for (auto& e : m.m_engines)
            e->m_nIndex = -5;
        EXPECT_EQ(-1, m.GetMaxIndex());
    }
    EXPECT_EQ(0, c.observer.calls);
    EXPECT_FALSE(m.m_bModified);
}

TEST(EngineManager, ChangeOperationsMarkAndNotify)
{
    Loaded c(Catalogue(""));
    EngineManager& m = c.manager;
    {
        SCOPED_TRACE("add");
        m.AddEngine(MakeEngine(m.GetMaxIndex() + 1, "English", "Web", "a"));
        m.AddEngine(MakeEngine(m.GetMaxIndex() + 1, "Chinese", "News", "b"));
        EXPECT_EQ(0, m.m_engines[0]->m_nIndex);
        EXPECT_EQ(1, m.m_engines[1]->m_nIndex);
        EXPECT_EQ(2, c.observer.calls);
        EXPECT_TRUE(m.m_bModified);
        EXPECT_FALSE(m.m_engines[0]->m_bMark);
        EXPECT_TRUE(m.m_engines[1]->m_bMark);
        EXPECT_EQ("Chinese", m.m_strCurLang);
        EXPECT_EQ("News", m.m_strCurCategory);
    }
    Engine* a = m.m_engines[0].get();
    Engine* b = m.m_engines[1].get();
    {
        SCOPED_TRACE("changed");
        a->m_bEnable = false;
        m.EngineChanged(a);
        EXPECT_TRUE(a->m_bMark);
        EXPECT_FALSE(b->m_bMark);
        EXPECT_EQ("English", m.m_strCurLang);
        EXPECT_EQ(3, c.observer.calls);
    }
    {
        SCOPED_TRACE("swap moves the index only");
        m.SwapIndex(b, a);
        EXPECT_EQ(1, a->m_nIndex);
        EXPECT_EQ(0, b->m_nIndex);
        EXPECT_TRUE(b->m_bMark);
        EXPECT_EQ(b, m.m_engines[1].get());
        EXPECT_EQ(4, c.observer.calls);
    }
    {
        SCOPED_TRACE("remove drops the engine from the last query too");
        m.GetEngines("Chinese", "News", true);
        ASSERT_EQ(1u, m.m_filtered.size());
        m.RemoveEngine(b);
        EXPECT_TRUE(m.m_filtered.empty());
        ASSERT_EQ(1u, m.m_engines.size());
        EXPECT_FALSE(a->m_bMark);
        EXPECT_EQ("Chinese", m.m_strCurLang);
        EXPECT_EQ(5, c.observer.calls);
    }
    {
        SCOPED_TRACE("a stranger or null changes nothing");
        Engine stranger;
        m.RemoveEngine(&stranger);
        m.AddEngine(nullptr);
        m.SwapIndex(a, nullptr);
        EXPECT_EQ(1u, m.m_engines.size());
        EXPECT_EQ(5, c.observer.calls);
    }
}

TEST(EngineManager, SaveWritesTheFixedLayoutAndRoundTrips)
{
    const std::string original = Catalogue(
        EngineXml(10001, "7", "English", "Web", "A &amp; B", "https://a.test/?q=*&amp;x=&lt;1&gt;") +
        EngineXml(10002, "-3", "", "", "", "", "GB2312", "0"));
    Loaded c(original);
    ASSERT_EQ(2u, c.manager.m_engines.size());
    EXPECT_EQ("A & B", c.manager.m_engines[0]->m_strName);
    {
        SCOPED_TRACE("unchanged: no write at all");
        fs::remove(c.sandbox.File("conf/config.xml"));
        EXPECT_TRUE(c.manager.Save());
        EXPECT_FALSE(fs::exists(c.sandbox.File("conf/config.xml")));
    }
    {
        SCOPED_TRACE("a change that restores the fields writes the same bytes");
        c.manager.EngineChanged(c.manager.m_engines[0].get());
        EXPECT_TRUE(c.manager.Save());
        EXPECT_EQ(original, c.File());
        SCOPED_TRACE("saving twice does not duplicate");
        EXPECT_TRUE(c.manager.Save());
        EXPECT_EQ(original, c.File());
    }
    {
        SCOPED_TRACE("IDs follow the position, not the index");
        c.manager.RemoveEngine(c.manager.m_engines[0].get());
        c.manager.AddEngine(MakeEngine(3, "Japanese", "Web", "j"));
        EXPECT_TRUE(c.manager.Save());
        EXPECT_EQ(Catalogue(EngineXml(10001, "-3", "", "", "", "", "GB2312", "0") +
                            EngineXml(10002, "3", "Japanese", "Web", "j", "https://j.test/?q=*")),
                  c.File());
        EXPECT_EQ((std::vector<std::string>{"config.xml"}), FilesIn(c.sandbox.File("conf")));
    }
}

TEST(EngineManager, SuggestUrlIsAnOptionalLastElement)
{
    const std::string plain = EngineXml(10001, "1", "English", "Web", "plain", "https://p.test/?q=*");
    std::string withSuggest = EngineXml(10002, "2", "English", "Web", "s", "https://s.test/?q=*");
    withSuggest.insert(withSuggest.find("  </ENGINE>"),
                       "    <SUGGEST_URL>https://s.test/ac?q={searchTerms}&amp;x=*</SUGGEST_URL>\n");
    const std::string original = Catalogue(plain + withSuggest);
    Loaded c(original);
    ASSERT_EQ(2u, c.manager.m_engines.size());
    EXPECT_EQ("", c.manager.m_engines[0]->m_strSuggestUrl);
    EXPECT_EQ("https://s.test/ac?q={searchTerms}&x=*", c.manager.m_engines[1]->m_strSuggestUrl);
    c.manager.EngineChanged(c.manager.m_engines[0].get());
    ASSERT_TRUE(c.manager.Save());
    EXPECT_EQ(original, c.File());
}

TEST(EngineManager, SaveKeepsEverythingTheUserHadReachable)
{
    const std::string a = EngineXml(1, "0", "L", "C", "a", "u");
    const std::string b = EngineXml(2, "1", "L", "C", "b", "u");
    {
        SCOPED_TRACE("other children stay behind the rewritten engines");
        Loaded c(Catalogue(a + "  <engine><NAME>lower</NAME></engine>\n  <OTHER k=\"v\"/>\n" + b));
        EXPECT_EQ((std::vector<std::string>{"a", "lower"}), c.Names());
        c.manager.AddEngine(MakeEngine(5, "L", "C", "new"));
        ASSERT_TRUE(c.manager.Save());
        EXPECT_EQ(Catalogue(EngineXml(10001, "0", "L", "C", "a", "u") +
                            EngineXml(10002, "0", "", "", "lower", "") +
                            EngineXml(10003, "5", "L", "C", "new", "https://new.test/?q=*") +
                            "  <OTHER k=\"v\"/>\n" + b),
                  c.File());
        EXPECT_EQ((std::vector<std::string>{"a", "lower", "new"}), ReloadedNames("conf/config.xml"));
    }
    {
        SCOPED_TRACE("missing file and folder: a fresh root");
        Loaded c("");
        fs::remove_all(c.sandbox.File("conf"));
        c.manager.AddEngine(MakeEngine(0, "L", "C", "first"));
        ASSERT_TRUE(c.manager.Save());
        EXPECT_EQ(Catalogue(EngineXml(10001, "0", "L", "C", "first", "https://first.test/?q=*")),
                  c.File());
    }
    for (const std::string& bad : {Catalogue(a).substr(0, 60), kDecl + "<THINGS>" + a + "</THINGS>\n"})
    {
        SCOPED_TRACE("an unreadable catalogue is kept as .bak: " + bad.substr(39, 10));
        Loaded c(bad);
        c.manager.AddEngine(MakeEngine(0, "L", "C", "n"));
        ASSERT_TRUE(c.manager.Save());
        EXPECT_EQ(bad, ReadFileBytes(c.sandbox.File("conf/config.xml.bak")));
        EXPECT_EQ(std::vector<std::string>{"n"}, ReloadedNames("conf/config.xml"));
    }
}

TEST(EngineManager, FailedSaveLeavesTheOldFile)
{
    const std::string original = Catalogue(EngineXml(10001, "0", "L", "C", "a", "u"));
    {
        SCOPED_TRACE("rename fails: target replaced by a folder");
        Loaded c(original);
        c.manager.AddEngine(MakeEngine(1, "L", "C", "b"));
        fs::remove(c.sandbox.File("conf/config.xml"));
        fs::create_directory(c.sandbox.File("conf/config.xml"));
        WriteFileBytes(c.sandbox.File("conf/config.xml/keep"), "x");
        EXPECT_FALSE(c.manager.Save());
        EXPECT_EQ("x", ReadFileBytes(c.sandbox.File("conf/config.xml/keep")));
        EXPECT_EQ((std::vector<std::string>{"config.xml"}), FilesIn(c.sandbox.File("conf")));
    }
    {
        SCOPED_TRACE("the disk fills up while writing");
        Loaded c(original);
        for (int i = 0; i < 3000; ++i)
            c.manager.AddEngine(MakeEngine(i + 1, "L", "C", wxString::Format("engine%d", i)));
        // A file-size limit makes write() fail the way a full disk does.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &old));
        rlimit small = old;
        small.rlim_cur = 100000;
        ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
        const bool saved = c.manager.Save();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, SIG_DFL);
        EXPECT_FALSE(saved);
        EXPECT_EQ(original, c.File());
        EXPECT_EQ((std::vector<std::string>{"config.xml"}), FilesIn(c.sandbox.File("conf")));
        SCOPED_TRACE("and a later save with room succeeds");
        EXPECT_TRUE(c.manager.Save());
        EXPECT_EQ(3001u, ReloadedNames("conf/config.xml").size());
    }
}

TEST(EngineManager, ShippedCatalogueRoundTripsByteForByte)
{
    const std::string shipped = std::string(ORVANE_SOURCE_DIR) + "/conf/config.xml";
    Loaded c(ReadFileBytes(shipped));
    EngineManager& m = c.manager;
    ASSERT_GE(m.m_engines.size(), 40u);
    wxArrayString langs;
    m.GetLanguages(langs);
    EXPECT_GE(langs.size(), 3u);
    std::set<int> indexes;
    for (const auto& e : m.m_engines)
    {
        SCOPED_TRACE(e->m_strName.ToStdString());
        EXPECT_TRUE(e->m_strUrl.StartsWith("https://"));
        EXPECT_NE(wxString::npos, e->m_strUrl.find('*'));
        EXPECT_TRUE(e->m_strEncoding == "UTF-8" || e->m_strEncoding == "GB2312");
        EXPECT_TRUE(indexes.insert(e->m_nIndex).second) << "duplicate index";
        EXPECT_FALSE(e->m_strCategory.empty());
    }
    m.EngineChanged(m.m_engines.front().get());
    ASSERT_TRUE(m.Save());
    EXPECT_EQ(ReadFileBytes(shipped), c.File());
}

// Random engines added to a catalogue declared in each encoding the writer may
// keep (an ASCII-only file, as another editor may have saved it) load back
// equal, characters the encoding lacks included.
TEST(EngineManager, WhatSaveWritesLoadReadsBackInEveryEncoding)
{
    // No blanks (a blank-only piece of text is dropped on reading) and no
    // m, p, ; or # (the writer keeps "&amp;" as it is, the reader turns "&#38;" in URLs into "&").
    const wxUint32 pool[] = {'a',    'Z',    '0',    '<',    '>',    '"',    '\'',   '&',
                             '/',    '?',    '=',    '*',    0x767E, 0x5EA6, 0x4E2D, 0x65E5,
                             0x672C, 0x3042, 0x30AB, 0xD55C, 0xAD6D, 0xE9,   0x20AC, 0x0416,
                             0x1F600};
    std::mt19937 rng(2024);
    auto randomText = [&] {
        wxString text;
        for (int n = std::uniform_int_distribution<int>(1, 12)(rng); n > 0; --n)
            text += wxUniChar(pool[std::uniform_int_distribution<size_t>(0, WXSIZEOF(pool) - 1)(rng)]);
        return text;
    };
    for (const std::string encoding : {"UTF-8", "GB2312", "GBK", "GB18030", "Big5", "Shift_JIS",
                                       "EUC-JP", "EUC-KR", "ISO-8859-1", "windows-1252", "UTF-16"})
    {
        SCOPED_TRACE(encoding);
        std::string file = "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n<ENGINES>\n" +
                           EngineXml(10001, "1", "English", "Web", "Ascii", "https://a.test/?q=*") +
                           "</ENGINES>\n";
        if (encoding == "UTF-16")
        {
            std::string utf16 = "\xFF\xFE";
            for (char c : file)
                utf16 += std::string{c, '\0'};
            file = utf16;
        }
        Loaded c(file);
        ASSERT_EQ(1u, c.manager.m_engines.size());
        c.manager.AddEngine(MakeEngine(2, "Chinese", "Web", wxString::FromUTF8("\xE7\x99\xBE\xE5\xBA\xA6")));
        for (int i = 0; i < 30; ++i)
        {
            auto e = std::make_unique<Engine>();
            e->m_nIndex = static_cast<int>(rng());
            e->m_strLanguage = randomText();
            e->m_strCategory = randomText();
            e->m_strName = randomText();
            e->m_strUrl = randomText();
            e->m_strEncoding = randomText();
            e->m_bEnable = rng() % 2;
            e->m_strSuggestUrl = randomText();
            c.manager.AddEngine(std::move(e));
        }
        ASSERT_TRUE(c.manager.Save());
        if (encoding == "UTF-16")
        {
            EXPECT_EQ(0u, c.File().find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
        }

        EngineManager again;
        again.Load();
        ASSERT_EQ(c.manager.m_engines.size(), again.m_engines.size());
        for (size_t i = 0; i < again.m_engines.size(); ++i)
        {
            const Engine& a = *c.manager.m_engines[i];
            const Engine& b = *again.m_engines[i];
            SCOPED_TRACE(a.m_strName.utf8_string());
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
}

TEST(EngineManager, BackupsAreNeverOverwrittenAndStaleTemporariesNeverBlock)
{
    TestSandbox sandbox;
    MakeDirs(sandbox.File("conf"));
    const std::string first = "<ENGINES><ENGINE>", second = "not xml at all";
    for (const std::string& bad : {first, second})
    {
        WriteFileBytes(sandbox.File("conf/config.xml"), bad);
        EngineManager m;
        m.Load();
        m.AddEngine(MakeEngine(0, "L", "C", "n"));
        ASSERT_TRUE(m.Save());
    }
    EXPECT_EQ(first, ReadFileBytes(sandbox.File("conf/config.xml.bak")));
    EXPECT_EQ(second, ReadFileBytes(sandbox.File("conf/config.xml.bak.1")));

    SCOPED_TRACE("a hundred temporaries left by killed saves");
    for (int i = 0; i < 100; ++i)
        WriteFileBytes(sandbox.File("conf/config.xml.tmp" + std::to_string(i)), "stale");
    EngineManager m;
    m.Load();
    m.AddEngine(MakeEngine(1, "L", "C", "after"));
    ASSERT_TRUE(m.Save());
    EXPECT_EQ((std::vector<std::string>{"n", "after"}), ReloadedNames("conf/config.xml"));
    EXPECT_EQ((std::vector<std::string>{"config.xml", "config.xml.bak", "config.xml.bak.1"}),
              FilesIn(sandbox.File("conf")));
}

TEST(EngineManager, ShortcutIsKeptAsWrittenAndWrittenBackOnlyWhenPresent)
{
    auto with = [](std::string xml, const std::string& fields) {
        xml.insert(xml.find("  </ENGINE>"), fields);
        return xml;
    };
    const std::string plain = EngineXml(10001, "1", "English", "Web", "plain", "https://p.test/?q=*");
    const std::string named =
        with(EngineXml(10002, "2", "English", "Web", "w", "https://w.test/?q=*"),
             "    <SHORTCUT>W</SHORTCUT>\n");
    // Before the suggestion address, and a malformed one survives untouched.
    const std::string both =
        with(EngineXml(10003, "3", "English", "Web", "b", "https://b.test/?q=*"),
             "    <SHORTCUT>not valid!</SHORTCUT>\n    <SUGGEST_URL>https://b.test/ac?q={searchTerms}</SUGGEST_URL>\n");
    const std::string original = Catalogue(plain + named + both);
    Loaded c(original);
    ASSERT_EQ(3u, c.manager.m_engines.size());
    EXPECT_EQ("", c.manager.m_engines[0]->m_strShortcut);
    EXPECT_EQ("W", c.manager.m_engines[1]->m_strShortcut);
    EXPECT_EQ("not valid!", c.manager.m_engines[2]->m_strShortcut);
    c.manager.EngineChanged(c.manager.m_engines[0].get());
    ASSERT_TRUE(c.manager.Save());
    EXPECT_EQ(original, c.File());

    c.manager.m_engines[1]->m_strShortcut.clear();
    c.manager.EngineChanged(c.manager.m_engines[1].get());
    ASSERT_TRUE(c.manager.Save());
    EXPECT_EQ(Catalogue(plain + EngineXml(10002, "2", "English", "Web", "w", "https://w.test/?q=*") + both),
              c.File());
}
