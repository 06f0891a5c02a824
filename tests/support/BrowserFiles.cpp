#include "BrowserFiles.h"

#include "TestEnvironment.h"

#include <lz4.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

#include <fstream>

std::string MozLz4(const std::string& json)
{
    std::string out("mozLz40\0", 8);
    const auto size = static_cast<uint32_t>(json.size());
    for (int i = 0; i < 4; ++i)
        out += static_cast<char>((size >> (8 * i)) & 0xff);
    std::string block(static_cast<size_t>(LZ4_compressBound(static_cast<int>(json.size()))), '\0');
    const int n = LZ4_compress_default(json.data(), block.data(), static_cast<int>(json.size()),
                                       static_cast<int>(block.size()));
    return out + block.substr(0, static_cast<size_t>(n > 0 ? n : 0));
}

std::string FirefoxEngineJson(const std::string& name, const std::string& templ,
                              const std::string& alias,
                              const std::vector<std::pair<std::string, std::string>>& params,
                              const std::string& charset)
{
    nlohmann::json url = {{"template", templ}, {"rels", nlohmann::json::array()}, {"type", "text/html"}};
    url["params"] = nlohmann::json::array();
    for (const auto& p : params)
        url["params"].push_back({{"name", p.first}, {"value", p.second}});
    nlohmann::json engine = {{"id", name + "-id"}, {"_name", name}, {"_loadPath", "[user]"},
                             {"_urls", nlohmann::json::array({url})},
                             {"_metaData", {{"order", 1}}}};
    if (!alias.empty())
        engine["_metaData"]["alias"] = alias;
    if (!charset.empty())
        engine["queryCharset"] = charset;
    return engine.dump();
}

bool WriteWebData(const std::string& path, const std::vector<WebDataRow>& rows)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.c_str(), &db) != SQLITE_OK)
    {
        sqlite3_close(db);
        return false;
    }
    // The layout of Chromium's keywords table (schema version 12x).
    const char* schema =
        "CREATE TABLE meta(key LONGVARCHAR NOT NULL UNIQUE PRIMARY KEY, value LONGVARCHAR);"
        "INSERT INTO meta VALUES('version','122');"
        "CREATE TABLE keywords (id INTEGER PRIMARY KEY,short_name VARCHAR NOT NULL,"
        "keyword VARCHAR NOT NULL,favicon_url VARCHAR NOT NULL,url VARCHAR NOT NULL,"
        "safe_for_autoreplace INTEGER,originating_url VARCHAR,date_created INTEGER DEFAULT 0,"
        "usage_count INTEGER DEFAULT 0,input_encodings VARCHAR,suggest_url VARCHAR,"
        "prepopulate_id INTEGER DEFAULT 0,created_by_policy INTEGER DEFAULT 0,"
        "last_modified INTEGER DEFAULT 0,sync_guid VARCHAR,alternate_urls VARCHAR,"
        "image_url VARCHAR,search_url_post_params VARCHAR,suggest_url_post_params VARCHAR,"
        "image_url_post_params VARCHAR,new_tab_url VARCHAR,last_visited INTEGER DEFAULT 0,"
        "created_from_play_api INTEGER DEFAULT 0,is_active INTEGER DEFAULT 0,"
        "starter_pack_id INTEGER DEFAULT 0,enforced_by_policy INTEGER DEFAULT 0,"
        "featured_by_policy INTEGER DEFAULT 0);"
        "BEGIN;";
    bool ok = sqlite3_exec(db, schema, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_stmt* insert = nullptr;
    ok = ok && sqlite3_prepare_v2(db,
                                  "INSERT INTO keywords (short_name, keyword, favicon_url, url, "
                                  "input_encodings, suggest_url, search_url_post_params, sync_guid) "
                                  "VALUES (?, ?, '', ?, ?, ?, ?, 'guid')",
                                  -1, &insert, nullptr) == SQLITE_OK;
    for (const WebDataRow& row : rows)
    {
        if (!ok)
            break;
        const std::string* fields[] = {&row.shortName, &row.keyword, &row.url,
                                       &row.inputEncodings, &row.suggestUrl, &row.postParams};
        for (int i = 0; i < 6; ++i)
            sqlite3_bind_text(insert, i + 1, fields[i]->c_str(), static_cast<int>(fields[i]->size()),
                              SQLITE_TRANSIENT);
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && sqlite3_exec(db, "COMMIT;", nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

void AddFirefoxProfile(const std::string& home, const std::string& folder, const std::string& name,
                       const std::string& mozlz4)
{
    const std::string root = home + "/.mozilla/firefox";
    MakeDirs(root + "/" + folder);
    WriteFileBytes(root + "/" + folder + "/search.json.mozlz4", mozlz4);
    std::string ini = ReadFileBytes(root + "/profiles.ini");
    size_t count = 0;
    for (size_t at = ini.find("[Profile"); at != std::string::npos; at = ini.find("[Profile", at + 1))
        ++count;
    ini += "[Profile" + std::to_string(count) + "]\nName=" + name + "\nIsRelative=1\nPath=" + folder +
           "\n\n";
    WriteFileBytes(root + "/profiles.ini", ini);
}

void AddChromiumProfile(const std::string& home, const std::string& userData,
                        const std::string& folder, const std::string& name,
                        const std::vector<WebDataRow>& rows)
{
    const std::string root = home + "/" + userData;
    MakeDirs(root + "/" + folder);
    WriteWebData(root + "/" + folder + "/Web Data", rows);
    nlohmann::json state = {{"profile", {{"info_cache", {{folder, {{"name", name}}}}}}}};
    WriteFileBytes(root + "/Local State", state.dump());
}
