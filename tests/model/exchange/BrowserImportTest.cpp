#include "catalogue/EngineManager.h"
#include "exchange/BrowserProfiles.h"
#include "exchange/ChromiumWebData.h"
#include "exchange/EngineImport.h"
#include "exchange/FirefoxSearchFile.h"

#include "BrowserFiles.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace
{
std::string Engines(const std::vector<std::string>& entries)
{
    std::string json = R"({"version":6,"engines":[)";
    for (size_t i = 0; i < entries.size(); ++i)
        json += (i ? "," : "") + entries[i];
    return json + R"(],"metaData":{}})";
}

const BrowserEngine* Named(const std::vector<BrowserEngine>& engines, const wxString& name)
{
    for (const BrowserEngine& e : engines)
        if (e.engine.m_strName == name)
            return &e;
    return nullptr;
}

std::set<std::string> Listing(const std::string& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}
} // namespace

TEST(FirefoxSearchFile, EntriesBecomeEnginesByTheDescriptionRules)
{
    const std::string json = Engines({
        FirefoxEngineJson("Wiki", "https://wiki.test/w", "w",
                          {{"search", "{searchTerms}"}, {"ie", "{inputEncoding}"}}, "EUC-JP"),
        FirefoxEngineJson("Star", "https://star.test/*?q={searchTerms}", ""),
        FirefoxEngineJson("Ctrl\x01Name", "https://c.test/?q={searchTerms}", ""),
        FirefoxEngineJson("Local", "file:///tmp/?q={searchTerms}", ""),
        R"({"_name":"BuiltIn","_isAppProvided":true,"_metaData":{"alias":"@b"}})",
        R"({"_name":"Poster","_urls":[{"template":"https://p.test/","method":"POST","type":"text/html",)"
        R"("params":[{"name":"q","value":"{searchTerms}"}]}]})",
        R"({"_name":"Untyped","_urls":[{"template":"https://u.test/k?q={searchTerms}","type":"application/x-moz-keywordsearch"},)"
        R"({"template":"https://u.test/s?q={searchTerms}"},)"
        R"({"template":"https://u.test/ac?q={searchTerms}","type":"application/x-suggestions+json"}]})",
        R"({"_name":"Odd","_urls":[{"template":"https://o.test/{unknown}x{?q={searchTerms}","type":"text/html"}]})",
        R"("not an object")",
    });
    std::vector<BrowserEngine> engines;
    ImportMessage error;
    ASSERT_TRUE(FirefoxSearchFile::Read(MozLz4(json), engines, error)) << error.Text(false);
    ASSERT_EQ(8u, engines.size());

    const BrowserEngine* wiki = Named(engines, "Wiki");
    ASSERT_TRUE(wiki && wiki->problem.IsEmpty());
    EXPECT_EQ("https://wiki.test/w?search=*&ie=EUC-JP", wiki->engine.m_strUrl);
    EXPECT_EQ("EUC-JP", wiki->engine.m_strEncoding);
    EXPECT_EQ("w", wiki->engine.m_strShortcut);

    EXPECT_EQ("https://star.test/%2a?q=*", Named(engines, "Star")->engine.m_strUrl);
    const BrowserEngine* untyped = Named(engines, "Untyped");
    EXPECT_EQ("https://u.test/s?q=*", untyped->engine.m_strUrl);
    EXPECT_EQ("UTF-8", untyped->engine.m_strEncoding);
    EXPECT_EQ("https://u.test/ac?q={searchTerms}", untyped->engine.m_strSuggestUrl);
    EXPECT_EQ("https://o.test/x{?q=*", Named(engines, "Odd")->engine.m_strUrl);

    for (const char* refused : {"Ctrl\x01Name", "Local", "BuiltIn", "Poster"})
    {
        SCOPED_TRACE(refused);
        const BrowserEngine* e = Named(engines, refused);
        ASSERT_TRUE(e);
        EXPECT_FALSE(e->problem.IsEmpty());
        EXPECT_TRUE(e->engine.m_strUrl.empty());
    }
    EXPECT_EQ("The browser does not store this engine's address.",
              Named(engines, "BuiltIn")->problem.Text(false));
}

TEST(FirefoxSearchFile, DamagedFilesAreRefusedWhole)
{
    const std::string good = MozLz4(Engines({FirefoxEngineJson("A", "https://a.test/?q={searchTerms}", "")}));
    auto withSize = [&good](uint32_t size) {
        std::string bytes = good;
        for (int i = 0; i < 4; ++i)
            bytes[8 + i] = static_cast<char>((size >> (8 * i)) & 0xff);
        return bytes;
    };
    const uint32_t real = static_cast<uint32_t>(good[8] & 0xff) | (good[9] & 0xff) << 8;
    const struct
    {
        const char* label;
        std::string bytes;
    } cases[] = {
        {"header only", good.substr(0, 10)},
        {"size over 32 MiB", withSize(32 * 1024 * 1024 + 1)},
        {"size larger than the block", withSize(real + 1)},
        {"size smaller than the block", withSize(real - 1)},
        {"truncated block", good.substr(0, good.size() - 3)},
        {"JSON array", MozLz4("[1,2]")},
        {"engines not a list", MozLz4(R"({"engines":{"a":1}})")},
        {"not JSON", MozLz4("{\"engines\":[")},
        {"no magic", "mozLz4x" + good.substr(7)},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        std::vector<BrowserEngine> engines(1);
        ImportMessage error;
        EXPECT_FALSE(FirefoxSearchFile::Read(c.bytes, engines, error));
        EXPECT_FALSE(error.IsEmpty());
        EXPECT_TRUE(engines.empty());
    }
}

TEST(ChromiumWebData, KeywordsRowsBecomeEnginesWithoutTouchingTheProfile)
{
    TempDir dir;
    const std::string file = dir.File("Web Data");
    ASSERT_TRUE(WriteWebData(file, {
        {"Google", "google.com", "{google:baseURL}search?q={searchTerms}&{google:RLZ}ie={inputEncoding}",
         "UTF-8", "{google:baseSuggestURL}complete/search?q={searchTerms}", ""},
        {"Shift", "sj", "https://sj.test/*/s?k={searchTerms}", "Shift_JIS;UTF-8", "", ""},
        {"Posted", "p", "https://p.test/s", "", "", "q={searchTerms}"},
        {"NoTerms", "n", "https://n.test/", "", "", ""},
        {"Script", "js", "javascript:alert({searchTerms})", "", "", ""},
        {"Bad\x02Name", "b", "https://b.test/?q={searchTerms}", "", "", ""},
    }));
    const auto before = Listing(dir.Path());
    // A browser that holds the database locked does not stop the import.
    sqlite3* holder = nullptr;
    ASSERT_EQ(SQLITE_OK, sqlite3_open(file.c_str(), &holder));
    ASSERT_EQ(SQLITE_OK, sqlite3_exec(holder, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr));

    std::vector<BrowserEngine> engines;
    ImportMessage error;
    ASSERT_TRUE(ChromiumWebData::Read(wxString::FromUTF8(file), engines, error)) << error.Text(false);
    sqlite3_exec(holder, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(holder);
    ASSERT_EQ(6u, engines.size());
    EXPECT_EQ(before, Listing(dir.Path()));

    const Engine& google = Named(engines, "Google")->engine;
    EXPECT_EQ("https://www.google.com/search?q=*&ie=UTF-8", google.m_strUrl);
    EXPECT_EQ("https://www.google.com/complete/search?q={searchTerms}", google.m_strSuggestUrl);
    EXPECT_EQ("google.com", google.m_strShortcut);
    const Engine& shift = Named(engines, "Shift")->engine;
    EXPECT_EQ("https://sj.test/%2a/s?k=*", shift.m_strUrl);
    EXPECT_EQ("Shift_JIS", shift.m_strEncoding);
    for (const char* refused : {"Posted", "NoTerms", "Script", "Bad\x02Name"})
    {
        SCOPED_TRACE(refused);
        EXPECT_FALSE(Named(engines, refused)->problem.IsEmpty());
    }
}

TEST(ChromiumWebData, UnreadableDatabasesGiveAnError)
{
    TempDir dir;
    WriteFileBytes(dir.File("garbage"), std::string("SQLite format 3\0", 16) + std::string(4000, 'x'));
    WriteFileBytes(dir.File("empty"), "");
    sqlite3* db = nullptr;
    sqlite3_open(dir.File("notable").c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE other(a)", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    sqlite3_open(dir.File("nocolumn").c_str(), &db);
    sqlite3_exec(db, "CREATE TABLE keywords(id INTEGER PRIMARY KEY, short_name, keyword, url)",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    for (const char* name : {"garbage", "empty", "notable", "nocolumn", "missing"})
    {
        SCOPED_TRACE(name);
        std::vector<BrowserEngine> engines;
        ImportMessage error;
        EXPECT_FALSE(ChromiumWebData::Read(wxString::FromUTF8(dir.File(name)), engines, error));
        EXPECT_FALSE(error.IsEmpty());
    }
}

TEST(BrowserProfiles, ProfilesAreFoundUnderHomeAndImportedByContent)
{
    TempDir home;
    AddFirefoxProfile(home.Path(), "abc.default", "default",
                      MozLz4(Engines({FirefoxEngineJson("Fox", "https://fox.test/?q={searchTerms}", "fx"),
                                      R"({"_name":"Builtin"})"})));
    AddChromiumProfile(home.Path(), ".config/google-chrome", "Profile 1", "Work",
                       {{"Chrome One", "taken", "https://one.test/?q={searchTerms}", "", "", ""},
                        {"Chrome Two", "two", "https://two.test/?q={searchTerms}", "", "", ""}});
    AddChromiumProfile(home.Path(), ".var/app/com.brave.Browser/config/BraveSoftware/Brave-Browser",
                       "Default", "Person 1", {{"Brave", "br", "https://brave.test/?q={searchTerms}", "", "", ""}});
    // A folder without engines, and a profiles.ini entry whose folder is gone.
    MakeDirs(home.File(".config/vivaldi/Default"));
    WriteFileBytes(home.File(".mozilla/firefox/profiles.ini"),
                   ReadFileBytes(home.File(".mozilla/firefox/profiles.ini")) +
                       "[Profile9]\nName=gone\nIsRelative=1\nPath=gone\n");

    const auto profiles = BrowserProfiles::Find(wxString::FromUTF8(home.Path()));
    ASSERT_EQ(3u, profiles.size());
    EXPECT_EQ("Firefox", profiles[0].browser);
    EXPECT_EQ("default", profiles[0].name);
    EXPECT_EQ("Google Chrome", profiles[1].browser);
    EXPECT_EQ("Work", profiles[1].name);
    EXPECT_EQ("Brave", profiles[2].browser);
    EXPECT_EQ("Person 1", profiles[2].name);
    EXPECT_EQ(1u, BrowserProfiles::CountEngines(profiles[0]));
    EXPECT_EQ(2u, BrowserProfiles::CountEngines(profiles[1]));
    EXPECT_TRUE(BrowserProfiles::Matches(profiles[1], "chrome"));
    EXPECT_TRUE(BrowserProfiles::Matches(profiles[1], "WORK"));
    EXPECT_FALSE(BrowserProfiles::Matches(profiles[1], "fire"));

    EngineManager catalogue;
    auto existing = std::make_unique<Engine>();
    existing->m_strName = "Old";
    existing->m_strUrl = "https://two.test/?q=*";
    existing->m_strShortcut = "Taken";
    existing->m_strLanguage = "English";
    existing->m_strCategory = "Web";
    catalogue.AddEngine(std::move(existing));

    EngineImport import;
    for (const auto& profile : profiles)
        import.AddProfile(profile);
    import.AddFile(home.File("nothing-here"));
    import.CheckDuplicates(catalogue, "English", "Web");
    ASSERT_EQ(6u, import.Items().size());
    EXPECT_EQ(3u, import.Apply(catalogue, "English", "Web"));
    const std::vector<wxString> lines = import.ReportLines();
    EXPECT_EQ("added\tFox\thttps://fox.test/?q=*", lines[0]);
    EXPECT_EQ("skipped\tBuiltin\tThe browser does not store this engine's address.", lines[1]);
    // Chrome One is added without its taken shortcut: a note follows its line.
    EXPECT_TRUE(lines[3].StartsWith("dropped\tChrome One\t"));
    EXPECT_EQ("skipped\tChrome Two\tduplicate", lines[4]);
    EXPECT_TRUE(lines[6].StartsWith("skipped\t"));

    // A shortcut the catalogue uses (in any case) is dropped with a note; others are kept.
    EXPECT_FALSE(import.Items()[2].shortcutNote.IsEmpty());
    std::map<wxString, wxString> shortcuts;
    for (const auto& engine : catalogue.m_engines)
        shortcuts[engine->m_strName] = engine->m_strShortcut;
    EXPECT_EQ("fx", shortcuts["Fox"]);
    EXPECT_EQ("", shortcuts["Chrome One"]);
    EXPECT_EQ("br", shortcuts["Brave"]);
    EXPECT_EQ("English", catalogue.m_engines.back()->m_strLanguage);
}
