#include "BrowserManager.h"

#include "KeywordEncoding.h"
#include "ProgramFolder.h"
#include "ZulIeCtrl.h"

#include <wx/debug.h>

namespace
{
const int PageIdBase = 10000;
const int FirstLoadingIcon = 4;
} // namespace

BrowserManager::BrowserManager() = default;

BrowserManager::~BrowserManager()
{
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
    return page;
}

void BrowserManager::SetEngines(const EngineArray& engines)
{
    for (auto& [key, page] : m_pages)
    {
        page->m_bActive = false;
        // The catalogue may destroy this engine while the page is unbound.
        page->m_pEngine = nullptr;
        page->Hide();
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

void BrowserManager::Search(const wxString& keyword)
{
    if (IsAnyBusy())
        StopAll();
    ShowStartPage();
    for (auto& [key, page] : m_pages)
    {
        if (!page->m_bActive || !page->m_pEngine)
            continue;
        bool busy = false;
        if (page->IsBusy(busy) && busy)
            page->Stop();
        page->m_nIconIndex = FirstLoadingIcon;
        page->m_strPageUrl = BuildSearchUrl(page->m_pEngine->m_strUrl, keyword,
                                            page->m_pEngine->m_strEncoding);
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
