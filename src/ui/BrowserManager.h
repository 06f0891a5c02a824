#pragma once

#include "EngineManager.h"

#include <wx/string.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <functional>
#include <map>

class wxWindow;
class ZulIeCtrl;

// Owns the result pages, one per position in the current engine list.
class BrowserManager
{
public:
    BrowserManager();
    virtual ~BrowserManager();
    BrowserManager(const BrowserManager&) = delete;
    BrowserManager& operator=(const BrowserManager&) = delete;

    ZulIeCtrl* GetPage(unsigned key);
    void SetEngines(const EngineArray& engines);
    // The active pages hold exactly these engines, in this order.
    bool IsShowing(const EngineArray& engines) const;
    void ShowStartPage();
    void Search(const wxString& keyword);
    bool StopAll();
    bool IsAnyBusy();
    size_t CountActivePages() const;

    // Visits the pages in ascending key order.
    void ForEachPage(const std::function<void(unsigned key, ZulIeCtrl* page)>& visit) const;

    wxWindow* m_pParent = nullptr;
    std::map<unsigned, ZulIeCtrl*> m_pages;  // owned; ordered so visiting follows engine order

private:
    // Pages are also children of m_pParent: should that window go first, its
    // children are gone and the destructor must not delete them again.
    std::map<unsigned, wxWeakRef<wxWindow>> m_alive;
};
