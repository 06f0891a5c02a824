#pragma once

#include "catalogue/EngineManager.h"

#include <wx/string.h>
#include <wx/timer.h>
#include <wx/weakref.h>
#include <wx/window.h>

#include <chrono>
#include <functional>
#include <map>
#include <utility>
#include <vector>

class wxWindow;
class ZulIeCtrl;

// Owns the result pages, one per position in the current engine list.
//
// A page's web view is made late, so that the window shows and takes input
// before any exists: CreateView() makes one at once (the tab the user turns
// to), and the pages get theirs one per turn of the event loop, the page on
// show first, then the active ones in key order, so input is handled between
// any two. A page without its view keeps the address it was told to load
// (start page or search) and loads it when the view appears.
//
// A search gives every active page its address at once, but only the pages
// on show (one per pane when pages show side by side) start loading: forty
// pages loading together share the machine, and the one the user looks at
// would get a fortieth of it. The others wait until those have finished (or
// for a short while at most, so that a slow server does not hold them back),
// then start a few at a time in order of their distance from the nearest
// page on show, as Ctrl+Tab and Ctrl+Shift+Tab reach them. A waiting page
// counts as loading. (Lowering the CPU priority of the hidden pages'
// web processes instead is not possible: WebKit's API names no view's
// process, and an unprivileged process cannot raise a priority it has
// lowered, so a tab turned to would stay slowed.)
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
    // Loads the search into every active page, or only into the pages of
    // the engines in `only` (the others keep what they show).
    void Search(const wxString& keyword, const std::vector<const Engine*>* only = nullptr);
    bool StopAll();
    bool IsAnyBusy();
    size_t CountActivePages() const;

    // The page on show, which a search loads first. Turning to another page
    // while pages still wait makes it the one that goes first: it starts at
    // once if it was waiting, and the rest wait for it, nearest first.
    void SetCurrentPage(ZulIeCtrl* page);
    // The pages on show beside the current one (the other panes'), which a
    // search loads together with it.
    void SetShownPages(const std::vector<ZulIeCtrl*>& pages);
    // Keys of the pages whose search load waits, in the order they will start.
    std::vector<unsigned> WaitingKeys() const;

    // Makes the page's web view now, if it has none yet.
    void CreateView(ZulIeCtrl* page);
    // One step: makes the next missing view; false when none is missing.
    bool CreateNextView();
    // While held, hidden pages wait for their views; a page made on demand
    // (CreateView) does not. The window holds them until it has first drawn.
    void HoldViews();
    void ReleaseViews();
    // The slowest view made so far (the launch report compares stalls with it).
    double LongestViewCreationMs() const { return m_longestViewMs; }

    // Visits the pages in ascending key order.
    void ForEachPage(const std::function<void(unsigned key, ZulIeCtrl* page)>& visit) const;

    wxWindow* m_pParent = nullptr;
    std::map<unsigned, ZulIeCtrl*> m_pages;  // owned; ordered so visiting follows engine order

private:
    using Clock = std::chrono::steady_clock;

    void OnViewTimer(wxTimerEvent& event);
    void ScheduleViews();
    void OnQueueTimer(wxTimerEvent& event);
    void StartWaitingPages();
    void OrderQueue();
    // Forgets the waiting loads; the pages that still wait stop.
    void ClearQueue();
    ZulIeCtrl* LivePage(unsigned key);
    bool KeyOf(const ZulIeCtrl* page, unsigned& key) const;

    // Pages are also children of m_pParent: should that window go first, its
    // children are gone and the destructor must not delete them again.
    std::map<unsigned, wxWeakRef<wxWindow>> m_alive;
    // Makes the missing views. Not idle time: the toolkit's idle handler runs
    // below the web views' own traffic and would wait for their loads, while
    // a timer runs at the priority of input, one view per turn.
    wxTimer m_viewTimer;
    double m_longestViewMs = 0;
    bool m_bHeld = false;

    int m_nCurrentKey = -1;
    std::vector<unsigned> m_shownKeys;
    // The search's waiting pages, first to start first, and the pages on
    // show they wait for while m_bLeadHolds.
    std::vector<unsigned> m_queue;
    std::vector<unsigned> m_leadKeys;
    bool m_bLeadHolds = false;
    Clock::time_point m_leadSince;
    // Started from the queue and still counted against the few at a time.
    std::vector<std::pair<unsigned, Clock::time_point>> m_starting;
    wxTimer m_queueTimer;
};
