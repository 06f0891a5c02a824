#include "pages/IdleReport.h"

#include "pages/BrowserManager.h"
#include "pages/ZulIeCtrl.h"

#include <wx/utils.h>
#include <wx/window.h>

#include <algorithm>
#include <cstdio>

namespace
{
const int StallTickMs = 2;
} // namespace

IdleReport::IdleReport()
{
    wxString value;
    m_bWanted = wxGetEnv("ORVANE_REPORT_IDLE", &value) && value == "1";
}

void IdleReport::Start(wxWindow* keywordBox)
{
    if (!IsWanted())
        return;
    m_stallWatch.Bind(wxEVT_TIMER, &IdleReport::OnStallTick, this);
    m_stallWatch.Start(StallTickMs);
    // A key first, then the text it made: text set by the program alone
    // (the prompt) does not count.
    keywordBox->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
        event.Skip();
        m_bKeyDown = true;
    });
    keywordBox->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
        event.Skip();
        if (!m_bKeyDown || m_bInputReported)
            return;
        m_bInputReported = true;
        std::printf("orvane: keyword box took input\n");
        std::fflush(stdout);
    });
}

void IdleReport::OnStallTick(wxTimerEvent&)
{
    const Clock::time_point now = Clock::now();
    // The first turn of the loop starts the watch: construction is not a stall.
    if (m_bTicking)
    {
        const std::chrono::duration<double, std::milli> gap = now - m_lastTick;
        m_longestStallMs = std::max(m_longestStallMs, gap.count() - StallTickMs);
    }
    m_bTicking = true;
    m_lastTick = now;
}

void IdleReport::PageCompleted(int pageId)
{
    if (!IsWanted())
        return;
    if (std::find(m_completedPageIds.begin(), m_completedPageIds.end(), pageId) ==
        m_completedPageIds.end())
        m_completedPageIds.push_back(pageId);
}

void IdleReport::Check(BrowserManager& pages, bool windowShown)
{
    if (!IsWanted() || !windowShown)
        return;
    const size_t active = pages.CountActivePages();
    size_t completed = 0;
    pages.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        if (page->m_bActive &&
            std::find(m_completedPageIds.begin(), m_completedPageIds.end(), page->GetId()) !=
                m_completedPageIds.end())
            ++completed;
    });
    if (completed < active || pages.IsAnyBusy())
        return;
    m_bReported = true;
    m_stallWatch.Stop();
    std::printf("orvane: idle after start, %zu pages\n", active);
    std::printf("orvane: longest stall %.1f ms, longest view creation %.1f ms\n", m_longestStallMs,
                pages.LongestViewCreationMs());
    std::fflush(stdout);
}
