#pragma once

#include <vector>

class BrowserManager;

// The launch benchmark's signal: with ORVANE_REPORT_IDLE=1 the program prints
// one line on stdout the first time its window is shown, every result page
// has finished a document and none is busy. Otherwise it does nothing.
class IdleReport
{
public:
    IdleReport();

    bool IsWanted() const { return m_bWanted && !m_bReported; }
    void PageCompleted(int pageId);
    // Prints the line if the pages are idle now (once per run).
    void Check(BrowserManager& pages, bool windowShown);

private:
    bool m_bWanted = false;
    bool m_bReported = false;
    std::vector<int> m_completedPageIds;
};
