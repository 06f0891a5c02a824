#pragma once

#include "found/EngineFound.h"

#include <string>
#include <utility>
#include <vector>

// Several engines' results as one list: the same page reached in different
// forms is one result, ranked by reciprocal rank fusion (the sum over the
// engines that found it of 1 / (K + position)); ties go to the better best
// position, then to the engine that comes first. How far the engines agree
// comes with it.
class ResultMerge
{
public:
    static constexpr int K = 60;
    static constexpr size_t TopShared = 10;

    struct Merged
    {
        std::string url;  // one an engine really gave, https when one did
        std::string title;
        std::string snippet;
        double score = 0;
        int bestPosition = 0;
        // (engine index, position) in engine order.
        std::vector<std::pair<size_t, int>> foundBy;
    };
    struct Agreement
    {
        size_t first = 0, second = 0;  // engine indexes, first < second
        int sharedTop10 = 0;
    };
    struct List
    {
        std::vector<Merged> results;
        std::vector<Agreement> agreement;  // every pair of engines
        std::vector<int> uniqueCount;      // per engine: results no other engine found
    };

    static List Merge(const std::vector<EngineFound>& engines);

    // Never shown: what two addresses of one page have in common. Ignores
    // the scheme, a leading "www." or "m.", the default port, the fragment,
    // one trailing slash, the case of percent escapes, tracking parameters
    // and the order of the other parameters.
    static std::string ComparisonKey(const std::string& url);
    static bool IsTrackingParameter(const std::string& name);
};
