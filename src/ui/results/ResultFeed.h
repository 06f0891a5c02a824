#pragma once

#include "found/EngineFound.h"

#include <wx/weakref.h>

#include <chrono>
#include <map>
#include <future>
#include <memory>
#include <string>
#include <vector>

class BrowserManager;
class ResultGatherer;
class ZulIeCtrl;

// What the window's own pages found in one search: each page is read when
// its outcome is decided and again when it changes (a wall taken away, a
// check passed), at most MaxReads times a search, one read at a time. The
// report is parsed and read on a worker thread. The engines join as their
// pages are decided and stand in the pages' order, as `--results` has them,
// so that the merge ranks ties alike. Followed from the GUI thread only.
class ResultFeed
{
public:
    static constexpr int MaxReads = 4;

    ResultFeed();
    ~ResultFeed();
    ResultFeed(const ResultFeed&) = delete;
    ResultFeed& operator=(const ResultFeed&) = delete;

    // Forgets the last search's pages and results; called as the search
    // starts its loads. Only pages that end a load after it are read: a page
    // a shortcut left out keeps the last search's page.
    void NewSearch(const BrowserManager& pages);
    // Looks at the pages: starts the reads their new outcomes call for and
    // takes in what the worker has read. True when the engines changed.
    bool Follow(const BrowserManager& pages);
    // Reads still under way (gathering or parsing).
    bool IsBusy() const;

    const std::vector<EngineFound>& Engines() const { return m_engines; }
    // The page an engine's results came from; null once it is gone.
    ZulIeCtrl* PageOf(size_t engine) const;
    // Pages waiting for the person (bot check, consent) in this search.
    int NeedingPerson() const;

    // The worker's side: parses a report into results.
    static std::vector<FoundResult> ReadReport(const std::string& report);

private:
    struct Page;
    struct Inbox;

    Page* Find(ZulIeCtrl* page);
    void Look(Page& page);
    // Index of the page's engine in m_engines; SIZE_MAX when it has none.
    size_t EngineOf(unsigned key) const;
    void TakeAnswers();

    std::vector<std::unique_ptr<Page>> m_pages;
    std::vector<EngineFound> m_engines;
    std::vector<unsigned> m_engineKeys;  // each engine's page key, ascending
    std::map<const ZulIeCtrl*, unsigned> m_loadsAtStart;
    std::shared_ptr<Inbox> m_inbox;
    // The parses under way; the feed waits for them when it goes (each is
    // a few milliseconds), so none outlives the program's statics.
    std::vector<std::future<void>> m_workers;
    std::chrono::steady_clock::time_point m_start;
    unsigned m_nSearch = 0;
    int m_nParsing = 0;
};
