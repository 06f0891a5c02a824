// The result pages side by side: View > Layout, the pane that has the focus
// (which the page commands follow), and scrolling the pages on show together.
#include "frame/OrvaneFrame.h"

#include "store/Preference.h"
#include "pages/ResultNotebook.h"
#include "pages/ZulIeCtrl.h"
#include "PageProbe.h"

#include <wx/menu.h>
#include <wx/statusbr.h>
#include <wx/weakref.h>

#include <algorithm>
#include <cmath>
#include <initializer_list>

const long OrvaneFrame::ID_MENU_LAYOUT_SINGLE = wxNewId();
const long OrvaneFrame::ID_MENU_LAYOUT_TWO = wxNewId();
const long OrvaneFrame::ID_MENU_LAYOUT_THREE = wxNewId();
const long OrvaneFrame::ID_MENU_LAYOUT_FOUR = wxNewId();
const long OrvaneFrame::ID_MENU_SCROLL_TOGETHER = wxNewId();

namespace
{
// Often enough to follow a wheel turn, seldom enough to cost nothing.
const int ScrollPollMs = 80;

long LayoutMenuId(int layout)
{
    const long ids[] = {OrvaneFrame::ID_MENU_LAYOUT_SINGLE, OrvaneFrame::ID_MENU_LAYOUT_TWO,
                        OrvaneFrame::ID_MENU_LAYOUT_THREE, OrvaneFrame::ID_MENU_LAYOUT_FOUR};
    return layout >= 0 && layout < 4 ? ids[layout] : ids[0];
}
} // namespace

void OrvaneFrame::AppendLayoutMenu(wxMenu* viewMenu)
{
    auto* layout = new wxMenu();
    layout->AppendRadioItem(ID_MENU_LAYOUT_SINGLE, _("Single\tCtrl+Alt+1"), _("Show one result page at a time"));
    layout->AppendRadioItem(ID_MENU_LAYOUT_TWO, _("Two Side by Side\tCtrl+Alt+2"),
                            _("Show two result pages side by side"));
    layout->AppendRadioItem(ID_MENU_LAYOUT_THREE, _("Three Side by Side\tCtrl+Alt+3"),
                            _("Show three result pages side by side"));
    layout->AppendRadioItem(ID_MENU_LAYOUT_FOUR, _("Two by Two\tCtrl+Alt+4"),
                            _("Show four result pages, two above two"));
    layout->Check(LayoutMenuId(m_pPreference->m_nPageLayout), true);
    // TRANSLATORS: View menu: how many result pages show at once
    viewMenu->AppendSubMenu(layout, _("Layout"), _("Show several result pages at once"));
    viewMenu->AppendCheckItem(ID_MENU_SCROLL_TOGETHER, _("Scroll Together"),
                              _("Scrolling one page on show scrolls the others"))
        ->Check(m_pPreference->m_nScrollTogether != 0);
    for (long id : {ID_MENU_LAYOUT_SINGLE, ID_MENU_LAYOUT_TWO, ID_MENU_LAYOUT_THREE, ID_MENU_LAYOUT_FOUR})
        Bind(wxEVT_MENU, &OrvaneFrame::OnLayout, this, id);
    Bind(wxEVT_MENU, &OrvaneFrame::OnScrollTogether, this, ID_MENU_SCROLL_TOGETHER);
    m_scrollTimer.Bind(wxEVT_TIMER, &OrvaneFrame::OnScrollTimer, this);
    UpdateScrollTimer();
}

void OrvaneFrame::OnLayout(wxCommandEvent& event)
{
    const long id = event.GetId();
    int layout = 0;
    while (layout < 3 && LayoutMenuId(layout) != id)
        ++layout;
    m_pPreference->m_nPageLayout = layout;
    if (wxMenuBar* bar = GetMenuBar())
        bar->Check(id, true);
    ArrangePages(true);
}

void OrvaneFrame::OnScrollTogether(wxCommandEvent& event)
{
    m_pPreference->m_nScrollTogether = event.IsChecked() ? 1 : 0;
    UpdateScrollTimer();
}

void OrvaneFrame::UpdateScrollTimer()
{
    const bool wanted = m_pPreference && m_pPreference->m_nScrollTogether != 0 &&
                        ResultNotebook::PaneCount(m_shownLayout) > 1;
    if (!wanted)
    {
        m_scrollTimer.Stop();
        m_scrollSeen.clear();
    }
    else if (!m_scrollTimer.IsRunning())
    {
        m_scrollTimer.Start(ScrollPollMs);
    }
}

void OrvaneFrame::OnScrollTimer(wxTimerEvent&)
{
    wxWeakRef<OrvaneFrame> frame(this);
    for (ZulIeCtrl* page : ShownPages())
    {
        if (!page->HasView())
            continue;
        wxWeakRef<ZulIeCtrl> alive(page);
        page->ReadScrollFraction([frame, alive](double fraction) {
            if (frame && alive)
                frame->OnScrollRead(alive.get(), fraction);
        });
    }
}

void OrvaneFrame::OnScrollRead(ZulIeCtrl* page, double fraction)
{
    if (!m_scrollTimer.IsRunning())
        return;
    // A page that cannot scroll has no place to follow or to give; once it
    // can, its first reading is where it starts, as after each new load.
    if (fraction < 0)
    {
        m_scrollSeen.erase(page);
        return;
    }
    auto seen = m_scrollSeen.find(page);
    if (seen == m_scrollSeen.end() || seen->second.loads != page->GetLoadCount())
    {
        m_scrollSeen[page] = {fraction, page->GetLoadCount()};
        return;
    }
    if (std::abs(seen->second.fraction - fraction) < 0.001)
        return;
    // This page moved: the others follow it.
    seen->second.fraction = fraction;
    for (ZulIeCtrl* other : ShownPages())
    {
        if (other == page || !other->HasView())
            continue;
        auto known = m_scrollSeen.find(other);
        if (known == m_scrollSeen.end() || known->second.loads != other->GetLoadCount())
            continue;
        other->ScrollToFraction(fraction);
        known->second.fraction = fraction;
    }
}

void OrvaneFrame::ArrangePages(bool fromCurrent)
{
    const PageLayout wanted = ResultNotebook::LayoutFromIndex(m_pPreference->m_nPageLayout);
    const PageLayout fit = ResultNotebook::Fit(wanted, m_pNotebook->GetClientSize());
    std::vector<wxWindow*> pages;
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        if (page->m_bActive && m_pNotebook->GetPageIndex(page) != wxNOT_FOUND)
            pages.push_back(page);
    });
    m_shownLayout = fit;
    UpdateScrollTimer();
    if (pages.empty())
        return;
    ZulIeCtrl* first = fromCurrent ? CurrentPage() : nullptr;
    // A new group's pages are dealt afresh; otherwise each tab keeps its pane.
    m_pNotebook->Arrange(fit, pages, first ? first : pages.front(), fromCurrent);
    m_arrangedSize = m_pNotebook->GetClientSize();
    m_nCurPage = m_pNotebook->GetSelection();
    if (fit != wanted)
    {
        const int panes = ResultNotebook::PaneCount(fit);
        // Held: the pages the new panes show load at once and would wipe it.
        m_strLayoutNote = wxString::Format(wxPLURAL("The window is too small for this layout: %d page shown",
                                                    "The window is too small for this layout: %d pages shown",
                                                    panes),
                                           panes);
        m_strHeldStatus = m_strLayoutNote;
        SetStatusText(m_strHeldStatus, 0);
    }
    else if (!m_strLayoutNote.empty())
    {
        if (m_strHeldStatus == m_strLayoutNote)
        {
            m_strHeldStatus.clear();
            SetStatusText(wxString(), 0);
        }
        m_strLayoutNote.clear();
    }
    // Every page on show gets its view now, as the tab turned to does.
    if (IsShown())
    {
        for (ZulIeCtrl* page : ShownPages())
            m_browserManager.CreateView(page);
    }
}

void OrvaneFrame::CheckLayoutFits()
{
    m_bLayoutCheckQueued = false;
    // The status bar has its new width by now.
    FitStatusFields();
    if (!m_pPreference || !m_pNotebook)
        return;
    const PageLayout wanted = ResultNotebook::LayoutFromIndex(m_pPreference->m_nPageLayout);
    const wxSize size = m_pNotebook->GetClientSize();
    // Another size keeps the panes' shares of it (the docking manager would
    // keep the outer panes' widths and give the first pane the rest).
    if (ResultNotebook::Fit(wanted, size) != m_shownLayout ||
        (ResultNotebook::PaneCount(m_shownLayout) > 1 && size != m_arrangedSize))
        ArrangePages(true);
}

void OrvaneFrame::QueueLayoutCheck()
{
    if (m_bLayoutCheckQueued)
        return;
    // Once the docking manager has given the notebook its new size.
    m_bLayoutCheckQueued = true;
    CallAfter(&OrvaneFrame::CheckLayoutFits);
}

void OrvaneFrame::TurnPanesToResults()
{
    if (ResultNotebook::PaneCount(m_shownLayout) < 2)
        return;
    auto is = [](wxWindow* window, std::initializer_list<PageOutcome> outcomes) {
        auto* page = dynamic_cast<ZulIeCtrl*>(window);
        return page && page->HasVerdict() &&
               std::find(outcomes.begin(), outcomes.end(), page->GetProbe()->GetVerdict().outcome) != outcomes.end();
    };
    for (wxAuiTabCtrl* tabs : m_pNotebook->Panes())
    {
        const int active = tabs->GetActivePage();
        if (active < 0)
            continue;
        wxWindow* shown = tabs->GetWindowFromIdx(static_cast<size_t>(active));
        if (m_turnedPages.count(shown) ||
            !is(shown, {PageOutcome::Failed, PageOutcome::HttpError, PageOutcome::Empty}))
            continue;
        const size_t count = tabs->GetPageCount();
        for (size_t step = 1; step < count; ++step)
        {
            wxWindow* next = tabs->GetWindowFromIdx((static_cast<size_t>(active) + step) % count);
            if (is(next, {PageOutcome::Results}))
            {
                m_pNotebook->ShowInPane(next);
                break;
            }
        }
    }
    m_nCurPage = m_pNotebook->GetSelection();
    m_browserManager.SetShownPages(ShownPages());
}

bool OrvaneFrame::HandlePaneKey(wxKeyEvent& event)
{
    // As in every browser: Ctrl+1 ... Ctrl+8 turn to that tab, Ctrl+9 to the last.
    if (event.GetModifiers() != wxMOD_CONTROL)
        return false;
    const int key = event.GetKeyCode();
    int index = -2;
    if (key >= '1' && key <= '8')
        index = key - '1';
    else if (key >= WXK_NUMPAD1 && key <= WXK_NUMPAD8)
        index = key - WXK_NUMPAD1;
    else if (key == '9' || key == WXK_NUMPAD9)
        index = -1;
    if (index == -2)
        return false;
    if (m_pNotebook->SelectInPane(index))
        m_nCurPage = m_pNotebook->GetSelection();
    return true;
}

std::vector<ZulIeCtrl*> OrvaneFrame::ShownPages()
{
    std::vector<ZulIeCtrl*> shown;
    ZulIeCtrl* current = CurrentPage();
    if (current)
        shown.push_back(current);
    for (wxWindow* window : m_pNotebook->ShownPages())
    {
        auto* page = dynamic_cast<ZulIeCtrl*>(window);
        if (page && page != current)
            shown.push_back(page);
    }
    return shown;
}
