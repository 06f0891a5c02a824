#pragma once

#include "catalogue/EngineManager.h"
#include "instance/EngineCommand.h"

#include <wx/string.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <chrono>
#include <functional>
#include <vector>

class EngineHealth;
class wxFrame;
class wxIEHtmlWin;

// `orvane --check`: loads each engine's search in a view of its own, never
// shown and apart from the person's tabs, a few at a time so that a whole
// catalogue does not bury the machine, waits for each page's outcome and
// answers one line per engine in the given order:
//   outcome TAB name TAB language TAB category TAB HTTP status TAB ms TAB reason
// The outcomes go into the engine health; saving it is the caller's part.
class CatalogueCheck
{
public:
    using Done = std::function<void(const EngineCommand::Reply& reply)>;
    static constexpr size_t AtOnce = 4;

    // The engines must outlive the check (the catalogue does not change
    // while it runs: the caller holds it still).
    CatalogueCheck(const EngineArray& engines, const wxString& words, EngineHealth& health, Done done);
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

    EngineArray m_engines;
    wxString m_strWords;
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
