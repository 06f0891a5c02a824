#include "pages/BrowserManager.h"

#include "base/KeywordEncoding.h"
#include "catalogue/EngineRules.h"
#include "store/ProgramFolder.h"
#include "pages/ZulIeCtrl.h"

#include <wx/debug.h>
#include <wx/event.h>

#include <algorithm>
#include <chrono>

namespace
{
const int PageIdBase = 10000;
const int FirstLoadingIcon = 4;
const int ViewGapMs = 4;
// The page on show holds the others back until it has loaded, or this long
// (that many times this long when several show side by side):
// past it its own server is slow, and the others had better ask theirs now
// (measured against 300 ms: the last page came 10% sooner with a slow server).
const std::chrono::milliseconds LeadWaitLimit(150);
// After it, this many start together; a page still loading after
// StartSlot gives its place up, so that slow servers do not hold the queue.
const size_t StartTogether = 4;
const std::chrono::milliseconds StartSlot(60);
const int QueuePollMs = 10;
} // namespace

BrowserManager::BrowserManager()
{
    m_viewTimer.Bind(wxEVT_TIMER, &BrowserManager::OnViewTimer, this);
    m_queueTimer.Bind(wxEVT_TIMER, &BrowserManager::OnQueueTimer, this);
}

BrowserManager::~BrowserManager()
{
    m_viewTimer.Stop();
    m_queueTimer.Stop();
    StopAll();
    for (auto& [key, page] : m_pages)
    {
        if (m_alive[key])
            delete page;
    }
    m_pages.clear();
    m_alive.clear();
}

ZulIeCtrl* BrowserManager::GetPage(unsigned key)
{
    auto it = m_pages.find(key);
    if (it != m_pages.end())
        return it->second;
    wxCHECK_MSG(m_pParent, nullptr, "BrowserManager needs its parent window before the first page");
    auto* page = new ZulIeCtrl(m_pParent, static_cast<wxWindowID>(key) + PageIdBase,
                               wxDefaultPosition, wxDefaultSize, wxNO_BORDER, "panel");
    m_pages[key] = page;
    m_alive[key] = page;
    ScheduleViews();
    return page;
}

void BrowserManager::CreateView(ZulIeCtrl* page)
{
    if (!page || page->HasView())
        return;
    const auto start = std::chrono::steady_clock::now();
    page->CreateView();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    m_longestViewMs = std::max(m_longestViewMs, took.count());
}

bool BrowserManager::CreateNextView()
{
    ZulIeCtrl* next = nullptr;
    for (auto& [key, page] : m_pages)
    {
        if (!m_alive[key] || !page->m_bActive || page->HasView())
            continue;
        if (page->IsShown())
        {
            next = page;  // the tab on show goes first
            break;
        }
        if (!next)
            next = page;
    }
    if (!next)
        return false;
    CreateView(next);
    return true;
}

void BrowserManager::HoldViews()
{
    m_bHeld = true;
    m_viewTimer.Stop();
}

void BrowserManager::ReleaseViews()
{
    if (!m_bHeld)
        return;
    m_bHeld = false;
    ScheduleViews();
}

void BrowserManager::ScheduleViews()
{
    if (!m_bHeld && !m_viewTimer.IsRunning())
        m_viewTimer.StartOnce(ViewGapMs);
}

void BrowserManager::OnViewTimer(wxTimerEvent&)
{
    // The gap counts from the end of a creation, so that input, layout and
    // painting get their turn between any two views.
    if (!m_bHeld && CreateNextView())
        m_viewTimer.StartOnce(ViewGapMs);
}

void BrowserManager::SetEngines(const EngineArray& engines)
{
    ClearQueue();
    for (auto& [key, page] : m_pages)
    {
        page->m_bActive = false;
        // The catalogue may destroy this engine while the page is unbound.
        page->m_pEngine = nullptr;
        page->Hide();
        // An unbound page gets no view, so nothing may stay waiting for one.
        if (!page->HasView())
            page->Stop();
    }
    for (size_t i = 0; i < engines.size(); ++i)
    {
        ZulIeCtrl* page = GetPage(static_cast<unsigned>(i));
        Engine* engine = engines[i];
        if (!page || !engine)
            continue;
        page->m_pEngine = engine;
        page->m_strEngineName = engine->m_strName;
        page->m_strPageUrl = engine->m_strUrl;
        page->m_bActive = true;
        page->Show();
    }
    ScheduleViews();
}

bool BrowserManager::IsShowing(const EngineArray& engines) const
{
    size_t next = 0;
    for (const auto& [key, page] : m_pages)
    {
        if (!page->m_bActive)
            continue;
        if (next >= engines.size() || page->m_pEngine != engines[next])
            return false;
        ++next;
    }
    return next == engines.size();
}

void BrowserManager::ShowStartPage()
{
    ClearQueue();
    const wxString startPage = ProgramFolder::File("conf/index.htm");
    for (auto& [key, page] : m_pages)
    {
        if (page->m_bActive)
            page->LoadUrl(startPage);
    }
}

void BrowserManager::Search(const wxString& keyword, const std::vector<const Engine*>* only)
{
    // One load per page and nothing else: a new address replaces whatever
    // the page was loading, so the stop and the start-page load that used to
    // come first only doubled the work. Unbound pages still loading stop.
    ClearQueue();
    for (auto& [key, page] : m_pages)
    {
        bool busy = false;
        if (!page->m_bActive && m_alive[key] && page->IsBusy(busy) && busy)
            page->Stop();
    }
    // The pages on show go first; the rest wait for their turn.
    auto loads = [only](const ZulIeCtrl* page) {
        return page->m_bActive && page->m_pEngine &&
               (!only || std::find(only->begin(), only->end(), page->m_pEngine) != only->end()) &&
               EngineRules::IsWebAddress(page->m_pEngine->m_strUrl);
    };
    int lead = -1;
    std::vector<unsigned> leads;
    for (const auto& [key, page] : m_pages)
    {
        if (!loads(page))
            continue;
        if (lead < 0 || static_cast<int>(key) == m_nCurrentKey)
            lead = static_cast<int>(key);
        if (std::find(m_shownKeys.begin(), m_shownKeys.end(), key) != m_shownKeys.end())
            leads.push_back(key);
    }
    if (lead >= 0 && std::find(leads.begin(), leads.end(), static_cast<unsigned>(lead)) == leads.end())
        leads.push_back(static_cast<unsigned>(lead));
    std::map<wxString, wxString> encodedFor;  // keyed by encoding name
    for (auto& [key, page] : m_pages)
    {
        if (!page->m_bActive || !page->m_pEngine)
            continue;
        if (only && std::find(only->begin(), only->end(), page->m_pEngine) == only->end())
            continue;
        const Engine& engine = *page->m_pEngine;
        if (!EngineRules::IsWebAddress(engine.m_strUrl))
        {
            // Kept in the catalogue as it was stored, but never loaded.
            page->m_strPageUrl = engine.m_strUrl;
            page->ShowRefused(engine.m_strUrl, EngineRules::NotWebAddressMessage());
            continue;
        }
        auto encoded = encodedFor.find(engine.m_strEncoding);
        if (encoded == encodedFor.end())
        {
            wxString text;
            EncodeKeyword(keyword, engine.m_strEncoding, text);
            encoded = encodedFor.emplace(engine.m_strEncoding, text).first;
        }
        page->m_nIconIndex = FirstLoadingIcon;
        page->m_strPageUrl = FillUrlTemplate(engine.m_strUrl, encoded->second);
        if (std::find(leads.begin(), leads.end(), key) != leads.end())
        {
            page->LoadUrl(page->m_strPageUrl);
        }
        else
        {
            page->QueueLoad(page->m_strPageUrl);
            m_queue.push_back(key);
        }
    }
    if (m_queue.empty())
        return;
    m_leadKeys = leads;
    m_bLeadHolds = true;
    m_leadSince = Clock::now();
    OrderQueue();
    m_queueTimer.Start(QueuePollMs);
}

bool BrowserManager::KeyOf(const ZulIeCtrl* page, unsigned& key) const
{
    if (!page)
        return false;
    key = static_cast<unsigned>(page->GetId() - PageIdBase);
    auto found = m_pages.find(key);
    return found != m_pages.end() && found->second == page;
}

void BrowserManager::SetShownPages(const std::vector<ZulIeCtrl*>& pages)
{
    m_shownKeys.clear();
    unsigned key = 0;
    for (const ZulIeCtrl* page : pages)
    {
        if (KeyOf(page, key))
            m_shownKeys.push_back(key);
    }
}

void BrowserManager::SetCurrentPage(ZulIeCtrl* page)
{
    unsigned key = 0;
    if (!KeyOf(page, key))
        return;
    const int previous = m_nCurrentKey;
    m_nCurrentKey = static_cast<int>(key);
    if (m_queue.empty() || !page->m_bActive)
        return;
    m_queue.erase(std::remove(m_queue.begin(), m_queue.end(), key), m_queue.end());
    page->StartQueuedLoad();
    // It takes the place of the page turned away from; the other panes'
    // pages stay on show, and the rest keep waiting for them too.
    m_leadKeys.erase(std::remove(m_leadKeys.begin(), m_leadKeys.end(), static_cast<unsigned>(previous)),
                     m_leadKeys.end());
    if (std::find(m_leadKeys.begin(), m_leadKeys.end(), key) == m_leadKeys.end())
        m_leadKeys.push_back(key);
    m_bLeadHolds = true;
    m_leadSince = Clock::now();
    OrderQueue();
}

std::vector<unsigned> BrowserManager::WaitingKeys() const
{
    return m_queue;
}

void BrowserManager::OrderQueue()
{
    // Circular distance, as Ctrl+Tab wraps round: next, previous, next but
    // one, previous but one, ... from the nearest page on show.
    const long count = static_cast<long>(std::max<size_t>(CountActivePages(), 1));
    auto rank = [&](unsigned key) {
        const long k = static_cast<long>(key) % count;
        long best = 2 * count;
        for (unsigned leadKey : m_leadKeys)
        {
            const long lead = static_cast<long>(leadKey) % count;
            const long ahead = (k - lead + count) % count;
            const long behind = (lead - k + count) % count;
            best = std::min(best, ahead <= behind ? 2 * ahead - 1 : 2 * behind);
        }
        return best;
    };
    std::stable_sort(m_queue.begin(), m_queue.end(),
                     [&](unsigned a, unsigned b) { return rank(a) < rank(b); });
}

ZulIeCtrl* BrowserManager::LivePage(unsigned key)
{
    auto found = m_pages.find(key);
    if (found == m_pages.end() || !m_alive[key])
        return nullptr;
    return found->second;
}

void BrowserManager::OnQueueTimer(wxTimerEvent&)
{
    StartWaitingPages();
}

void BrowserManager::StartWaitingPages()
{
    const Clock::time_point now = Clock::now();
    if (m_bLeadHolds)
    {
        // Pages on show side by side share the machine: together they may
        // hold the others back as long as each would alone.
        if (now - m_leadSince < LeadWaitLimit * static_cast<int>(std::max<size_t>(m_leadKeys.size(), 1)))
        {
            for (unsigned leadKey : m_leadKeys)
            {
                bool busy = false;
                ZulIeCtrl* lead = LivePage(leadKey);
                if (lead && lead->IsBusy(busy) && busy)
                    return;
            }
        }
        m_bLeadHolds = false;
    }
    // A place is free once its page has loaded, or StartSlot after its page
    // started. Places are timed from when they fell free, not from this
    // tick, so a busy event loop that runs the timer late still keeps pace.
    std::vector<Clock::time_point> freeSince;
    m_starting.erase(std::remove_if(m_starting.begin(), m_starting.end(),
                                    [&](const auto& started) {
                                        bool busy = false;
                                        ZulIeCtrl* page = LivePage(started.first);
                                        const bool loaded = !page || !page->IsBusy(busy) || !busy;
                                        if (loaded)
                                            freeSince.push_back(now);
                                        return loaded;
                                    }),
                     m_starting.end());
    while (!m_queue.empty())
    {
        m_starting.erase(std::remove_if(m_starting.begin(), m_starting.end(),
                                        [&](const auto& started) {
                                            const bool over = now - started.second >= StartSlot;
                                            if (over)
                                                freeSince.push_back(started.second + StartSlot);
                                            return over;
                                        }),
                         m_starting.end());
        while (m_starting.size() + freeSince.size() < StartTogether)
            freeSince.push_back(now);
        if (freeSince.empty())
            break;
        std::sort(freeSince.begin(), freeSince.end());
        for (const Clock::time_point since : freeSince)
        {
            ZulIeCtrl* page = nullptr;
            unsigned key = 0;
            while (!page && !m_queue.empty())
            {
                key = m_queue.front();
                m_queue.erase(m_queue.begin());
                page = LivePage(key);
                if (page && !page->IsQueued())
                    page = nullptr;
            }
            if (!page)
                break;
            page->StartQueuedLoad();
            m_starting.emplace_back(key, since);
        }
        freeSince.clear();
    }
    if (m_queue.empty())
    {
        m_queueTimer.Stop();
        m_starting.clear();
    }
}

void BrowserManager::ClearQueue()
{
    m_queueTimer.Stop();
    for (unsigned key : m_queue)
    {
        if (ZulIeCtrl* page = LivePage(key))
        {
            if (page->IsQueued())
                page->Stop();
        }
    }
    m_queue.clear();
    m_starting.clear();
    m_leadKeys.clear();
    m_bLeadHolds = false;
}

bool BrowserManager::StopAll()
{
    // Every page is asked, even after one fails; waiting pages never start,
    // and the active ones tell whether their search load had ended.
    bool allStopped = true;
    for (auto& [key, page] : m_pages)
    {
        if (m_alive[key] && !(page->m_bActive ? page->StopSearch() : page->Stop()))
            allStopped = false;
    }
    ClearQueue();
    return allStopped;
}

bool BrowserManager::IsAnyBusy()
{
    for (auto& [key, page] : m_pages)
    {
        bool busy = false;
        // A page whose query fails counts as idle.
        if (page->IsBusy(busy) && busy)
            return true;
    }
    return false;
}

size_t BrowserManager::CountActivePages() const
{
    size_t count = 0;
    for (const auto& [key, page] : m_pages)
    {
        if (page->m_bActive)
            ++count;
    }
    return count;
}

void BrowserManager::ForEachPage(const std::function<void(unsigned key, ZulIeCtrl* page)>& visit) const
{
    for (const auto& [key, page] : m_pages)
        visit(key, page);
}
