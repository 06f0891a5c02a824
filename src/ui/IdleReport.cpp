#include "IdleReport.h"

#include "BrowserManager.h"
#include "ZulIeCtrl.h"

#include <wx/utils.h>

#include <algorithm>
#include <cstdio>

IdleReport::IdleReport()
{
    wxString value;
    m_bWanted = wxGetEnv("ORVANE_REPORT_IDLE", &value) && value == "1";
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
    std::printf("orvane: idle after start, %zu pages\n", active);
    std::fflush(stdout);
}
