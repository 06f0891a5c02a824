#include "net/SuggestionPreset.h"

std::vector<SuggestionPreset> SuggestionPreset::BuiltIn()
{
    return {
        {"Bing", "https://api.bing.com/osjson.aspx?query={searchTerms}", ""},
        {"DuckDuckGo", "https://duckduckgo.com/ac/?q={searchTerms}&type=list", ""},
        {"Baidu", "https://suggestion.baidu.com/su?wd={searchTerms}&action=opensearch&ie=utf-8", ""},
        {"Wikipedia",
         "https://en.wikipedia.org/w/api.php?action=opensearch&format=json&search={searchTerms}",
         "en"},
        {"Wikipedia",
         "https://zh.wikipedia.org/w/api.php?action=opensearch&format=json&search={searchTerms}",
         "zh-CN"},
        {"Wikipedia",
         "https://ja.wikipedia.org/w/api.php?action=opensearch&format=json&search={searchTerms}",
         "ja-JP"},
    };
}
