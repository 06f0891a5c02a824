#include "BrowserManager.h"

#include "base/KeywordEncoding.h"
#include "catalogue/EngineRules.h"
#include "store/ProgramFolder.h"
#include "ZulIeCtrl.h"

#include <wx/debug.h>
#include <wx/event.h>

#include <algorithm>
#include <chrono>

namespace
{
const int PageIdBase = 10000;
const int FirstLoadingIcon = 4;
const int ViewGapMs = 4;
} // namespace

BrowserManager::BrowserManager()
{
    m_viewTimer.Bind(wxEVT_TIMER, &BrowserManager::OnViewTimer, this);
}

BrowserManager::~BrowserManager()
{
    m_viewTimer.Stop();
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
    for (auto& [key, page] : m_pages)
    {
        bool busy = false;
        if (!page->m_bActive && m_alive[key] && page->IsBusy(busy) && busy)
            page->Stop();
    }
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
        page->LoadUrl(page->m_strPageUrl);
    }
}

bool BrowserManager::StopAll()
{
    // Every page is asked, even after one fails.
    bool allStopped = true;
    for (auto& [key, page] : m_pages)
    {
        if (m_alive[key] && !page->Stop())
            allStopped = false;
    }
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
