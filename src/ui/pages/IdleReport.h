#pragma once

#include <wx/timer.h>

#include <chrono>
#include <vector>

class BrowserManager;
class wxWindow;

// The launch benchmark's signals. With ORVANE_REPORT_IDLE=1 the program
// prints on stdout:
//   "orvane: keyword box took input" when the first key typed into the
//     keyword box has changed its text;
//   "orvane: idle after start, N pages" the first time its window is shown,
//     every result page has finished a document and none is busy;
//   "orvane: longest stall S ms, longest view creation V ms" right after:
//     the longest time the event loop did not come round between the first
//     turn of the loop and idle, against the slowest web view creation.
// Otherwise it does nothing.
class IdleReport
{
public:
    IdleReport();

    bool IsWanted() const { return m_bWanted && !m_bReported; }
    // Starts the stall watch and watches the box for its first typed key.
    void Start(wxWindow* keywordBox);
    void PageCompleted(int pageId);
    // Prints the line if the pages are idle now (once per run).
    void Check(BrowserManager& pages, bool windowShown);

private:
    using Clock = std::chrono::steady_clock;
    void OnStallTick(wxTimerEvent& event);

    bool m_bWanted = false;
    bool m_bReported = false;
    bool m_bKeyDown = false;
    bool m_bInputReported = false;
    std::vector<int> m_completedPageIds;
    wxTimer m_stallWatch;
    Clock::time_point m_lastTick;
    bool m_bTicking = false;
    double m_longestStallMs = 0;
};
