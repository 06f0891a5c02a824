#pragma once

#include "catalogue/EngineManager.h"
#include "found/EngineFound.h"
#include "instance/EngineCommand.h"
#include "outcome/PageOutcome.h"

#include <wx/string.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class EngineHealth;
class ResultGatherer;
class wxFrame;
class wxIEHtmlWin;

// `orvane --check`: loads each engine's search in a view of its own, never
// shown and apart from the person's tabs, a few at a time so that a whole
// catalogue does not bury the machine, waits for each page's outcome and
// answers one line per engine in the given order:
//   outcome TAB name TAB language TAB category TAB HTTP status TAB ms TAB reason
// The outcomes go into the engine health; saving it is the caller's part.
// `orvane --results` loads the pages alike, reads each page's results once
// its outcome is known and answers them merged (lines or JSON), with the
// check's summary; a page with results is one where a result was read.
class CatalogueCheck
{
public:
    using Done = std::function<void(const EngineCommand::Reply& reply)>;
    static constexpr size_t AtOnce = 4;

    // The engines must outlive the check (the catalogue does not change
    // while it runs: the caller holds it still).
    // command: --check or --results, with its words and options.
    CatalogueCheck(const EngineArray& engines, const CommandLine& command, EngineHealth& health, Done done);
    ~CatalogueCheck();
    CatalogueCheck(const CatalogueCheck&) = delete;
    CatalogueCheck& operator=(const CatalogueCheck&) = delete;

    void Start();
    bool IsDone() const { return m_bDone; }

private:
    struct Slot
    {
        size_t index = 0;
        wxIEHtmlWin* view = nullptr;
        std::chrono::steady_clock::time_point start;
        bool decided = false;  // the outcome is known (or late)
        PageVerdict verdict;
        int status = 0;
        int links = 0;
        long ms = 0;
        std::unique_ptr<ResultGatherer> gatherer;  // --results, once the outcome is known
    };
    struct Line
    {
        wxString text;
        bool results = false;
        bool done = false;
    };

    void OnTimer(wxTimerEvent& event);
    void StartNext();
    void Finish();
    void FinishResults(EngineCommand::Reply& reply);
    void Decide(Slot& slot, bool inTime, long ms);
    void Report(Slot& slot);

    EngineArray m_engines;
    wxString m_strWords;
    CommandLine m_command;
    std::vector<EngineFound> m_found;         // --results, per engine
    std::vector<std::string> m_reports;       // --results: each page's report, "" when none
    EngineHealth& m_health;
    Done m_done;
    wxWeakRef<wxFrame> m_frame;  // hidden, holds the views
    wxTimer m_timer;
    std::vector<Slot> m_running;
    std::vector<Line> m_lines;
    std::vector<int> m_counts;  // per outcome
    size_t m_nNext = 0;
    bool m_bDone = false;
};
