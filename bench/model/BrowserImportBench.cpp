// Importing a browser profile of 500 engines into the catalogue: finding
// the profile under the home folder, reading its engine file, the duplicate
// and shortcut checks and adding them. One iteration is the whole import.
// Target: under 200 ms for either browser family.
#include "catalogue/EngineManager.h"
#include "exchange/BrowserProfiles.h"
#include "exchange/EngineImport.h"

#include <benchmark/benchmark.h>

#include <lz4.h>
#include <sqlite3.h>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <string>

namespace
{
constexpr int EngineCount = 500;

wxString MakeHome()
{
    wxString dir = wxFileName::CreateTempFileName("orvane-bench-home");
    wxRemoveFile(dir);
    wxMkdir(dir);
    return dir;
}

void WriteFile(const wxString& path, const std::string& bytes)
{
    wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    FILE* f = fopen(path.utf8_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

wxString FirefoxHome()
{
    const wxString home = MakeHome();
    std::string json = "{\"version\":6,\"engines\":[";
    for (int i = 0; i < EngineCount; ++i)
    {
        const std::string n = std::to_string(i);
        json += (i ? "," : "") + std::string("{\"id\":\"e") + n + "\",\"_name\":\"Site " + n +
                "\",\"_loadPath\":\"[user]\",\"queryCharset\":\"UTF-8\",\"_metaData\":{\"order\":" + n +
                ",\"alias\":\"s" + n + "\"},\"_urls\":[{\"template\":\"https://s" + n +
                ".example/search\",\"type\":\"text/html\",\"rels\":[],\"params\":[{\"name\":\"q\","
                "\"value\":\"{searchTerms}\"},{\"name\":\"client\",\"value\":\"orvane\"}]},"
                "{\"template\":\"https://s" + n + ".example/ac?q={searchTerms}\","
                "\"type\":\"application/x-suggestions+json\"}]}";
    }
    json += "]}";
    std::string file("mozLz40\0", 8);
    for (int i = 0; i < 4; ++i)
        file += static_cast<char>((json.size() >> (8 * i)) & 0xff);
    std::string block(static_cast<size_t>(LZ4_compressBound(static_cast<int>(json.size()))), '\0');
    block.resize(static_cast<size_t>(LZ4_compress_default(json.data(), block.data(),
                                                          static_cast<int>(json.size()),
                                                          static_cast<int>(block.size()))));
    WriteFile(home + "/.mozilla/firefox/b.default/search.json.mozlz4", file + block);
    WriteFile(home + "/.mozilla/firefox/profiles.ini",
              "[Profile0]\nName=default\nIsRelative=1\nPath=b.default\n");
    return home;
}

wxString ChromiumHome()
{
    const wxString home = MakeHome();
    const wxString path = home + "/.config/chromium/Default/Web Data";
    WriteFile(path, "");
    sqlite3* db = nullptr;
    sqlite3_open(path.utf8_str(), &db);
    std::string sql =
        "CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,keyword VARCHAR "
        "NOT NULL,favicon_url VARCHAR NOT NULL,url VARCHAR NOT NULL,input_encodings VARCHAR,"
        "suggest_url VARCHAR,search_url_post_params VARCHAR);BEGIN;";
    for (int i = 0; i < EngineCount; ++i)
    {
        const std::string n = std::to_string(i);
        sql += "INSERT INTO keywords (short_name, keyword, favicon_url, url, input_encodings, "
               "suggest_url) VALUES ('Site " + n + "', 's" + n + "', '', 'https://s" + n +
               ".example/search?q={searchTerms}&ie={inputEncoding}&{google:RLZ}', 'UTF-8', "
               "'https://s" + n + ".example/ac?q={searchTerms}');";
    }
    sql += "COMMIT;";
    sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    WriteFile(home + "/.config/chromium/Local State",
              "{\"profile\":{\"info_cache\":{\"Default\":{\"name\":\"Person 1\"}}}}");
    return home;
}

void ImportProfile(benchmark::State& state, const wxString& home)
{
    for (auto _ : state)
    {
        EngineManager catalogue;
        EngineImport import;
        for (const auto& profile : BrowserProfiles::Find(home))
            import.AddProfile(profile);
        import.CheckDuplicates(catalogue, "English", "Web");
        const size_t added = import.Apply(catalogue, "English", "Web");
        if (added != EngineCount)
            state.SkipWithError("not every engine was imported");
        benchmark::DoNotOptimize(added);
    }
    wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
}

void BM_ImportFirefoxProfile(benchmark::State& state)
{
    ImportProfile(state, FirefoxHome());
}

void BM_ImportChromiumProfile(benchmark::State& state)
{
    ImportProfile(state, ChromiumHome());
}
} // namespace

BENCHMARK(BM_ImportFirefoxProfile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportChromiumProfile)->Unit(benchmark::kMillisecond);
