#pragma once

#include "found/FoundResult.h"

#include <string>
#include <vector>

// What one engine's page gave: its outcome and its results in page order.
struct EngineFound
{
    std::string name;
    std::string outcome;  // "results", "empty", "bot-check", "consent", "http-error", "failed"
    long ms = 0;          // from the search to the outcome
    std::vector<FoundResult> results;
};
