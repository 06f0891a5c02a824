#pragma once
// Browser profile files as the browsers write them, for the import tests and
// the benchmark: Firefox's search.json.mozlz4 (compressed with liblz4) and
// Chromium's "Web Data" (the keywords table of a recent Chromium).
#include <string>
#include <vector>

// JSON wrapped as search.json.mozlz4: magic, size, one LZ4 block.
std::string MozLz4(const std::string& json);

// One entry of a search.json "engines" list with a GET address of type
// text/html; `params` are "name", "value" pairs.
std::string FirefoxEngineJson(const std::string& name, const std::string& templ,
                              const std::string& alias,
                              const std::vector<std::pair<std::string, std::string>>& params = {},
                              const std::string& charset = "");

struct WebDataRow
{
    std::string shortName;
    std::string keyword;
    std::string url;
    std::string inputEncodings;
    std::string suggestUrl;
    std::string postParams;
};

// A fresh SQLite file with Chromium's meta and keywords tables and `rows`.
bool WriteWebData(const std::string& path, const std::vector<WebDataRow>& rows);

// A Firefox profile "<home>/.mozilla/firefox/<folder>" named `name` in
// profiles.ini (appended to when called again) holding `mozlz4`.
void AddFirefoxProfile(const std::string& home, const std::string& folder, const std::string& name,
                       const std::string& mozlz4);

// A Chromium-family profile "<home>/<userData>/<folder>" named `name` in
// Local State (rewritten with just this profile), holding `rows`.
void AddChromiumProfile(const std::string& home, const std::string& userData,
                        const std::string& folder, const std::string& name,
                        const std::vector<WebDataRow>& rows);
