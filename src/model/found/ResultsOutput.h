#pragma once

#include "found/EngineFound.h"
#include "found/ResultMerge.h"

#include <wx/string.h>

#include <string>
#include <vector>

// What `--results` prints: one tab-separated line per merged result, each
// field escaped as the other commands escape theirs, or one JSON document
// with every engine's own list, the merged list and the agreement.
class ResultsOutput
{
public:
    struct Query
    {
        std::string words;
        std::string language;
        std::string category;
    };

    // rank<TAB>engines<TAB>url<TAB>title<TAB>found_by ("name #position, ..."),
    // at most `limit` lines (0: all).
    static std::vector<wxString> Lines(const std::vector<EngineFound>& engines, const ResultMerge::List& merged,
                                       size_t limit = 0);
    // Valid UTF-8 JSON on one line, every string escaped, nothing in it
    // that a terminal would act on.
    static std::string Json(const Query& query, const std::vector<EngineFound>& engines,
                            const ResultMerge::List& merged, size_t limit = 0);
};
