#include "pages/ResultNotebook.h"

#include <wx/aui/dockart.h>
#include <wx/aui/tabart.h>
#include <wx/settings.h>

#include <algorithm>

namespace
{
// Reads the colour the tab art gives the tab on show by default.
class DefaultTabArt : public wxAuiGenericTabArt
{
public:
    wxColour ActiveColour() const { return m_activeColour; }
};

wxColour Blend(const wxColour& over, const wxColour& under, double amount)
{
    return wxColour(wxColour::AlphaBlend(over.Red(), under.Red(), amount),
                    wxColour::AlphaBlend(over.Green(), under.Green(), amount),
                    wxColour::AlphaBlend(over.Blue(), under.Blue(), amount));
}
} // namespace

bool ResultNotebook::SetTabImage(size_t page, int image)
{
    if (page >= GetPageCount())
        return false;
    wxAuiNotebookPage& info = m_tabs.GetPage(page);
    info.bitmap = GetBitmapBundle(image);
    wxAuiTabCtrl* tabs = nullptr;
    int tab = 0;
    if (!FindTab(info.window, &tabs, &tab))
        return false;
    tabs->GetPage(tab).bitmap = info.bitmap;
    tabs->Refresh(false);
    return true;
}

bool ResultNotebook::UpdateTabCtrlHeight()
{
    if (IsFrozen())
        return false;
    return wxAuiNotebook::UpdateTabCtrlHeight();
}

void ResultNotebook::DoThaw()
{
    UpdateTabCtrlHeight();
    wxAuiNotebook::DoThaw();
}

wxSize ResultNotebook::CalculateNewSplitSize()
{
    if (m_splitSize.x > 0 && m_splitSize.y > 0)
        return m_splitSize;
    return wxAuiNotebook::CalculateNewSplitSize();
}

int ResultNotebook::PaneCount(PageLayout layout)
{
    switch (layout)
    {
        case PageLayout::TwoSideBySide:
            return 2;
        case PageLayout::ThreeSideBySide:
            return 3;
        case PageLayout::TwoByTwo:
            return 4;
        case PageLayout::Single:
            break;
    }
    return 1;
}

PageLayout ResultNotebook::LayoutFromIndex(int index)
{
    switch (index)
    {
        case 1:
            return PageLayout::TwoSideBySide;
        case 2:
            return PageLayout::ThreeSideBySide;
        case 3:
            return PageLayout::TwoByTwo;
        default:
            return PageLayout::Single;
    }
}

PageLayout ResultNotebook::Fit(PageLayout wanted, const wxSize& size)
{
    const int columns = size.x / MinPaneWidth;
    const int rows = size.y / MinPaneHeight;
    switch (wanted)
    {
        case PageLayout::TwoByTwo:
            if (columns >= 2 && rows >= 2)
                return wanted;
            return columns >= 2 ? PageLayout::TwoSideBySide : PageLayout::Single;
        case PageLayout::ThreeSideBySide:
            if (columns >= 3)
                return wanted;
            return columns >= 2 ? PageLayout::TwoSideBySide : PageLayout::Single;
        case PageLayout::TwoSideBySide:
            return columns >= 2 ? wanted : PageLayout::Single;
        case PageLayout::Single:
            break;
    }
    return PageLayout::Single;
}

wxAuiTabCtrl* ResultNotebook::CentreTabCtrl()
{
    for (size_t i = 0; i < GetPageCount(); ++i)
    {
        wxAuiTabCtrl* tabs = nullptr;
        int tab = 0;
        if (!FindTab(GetPage(i), &tabs, &tab))
            continue;
        const wxAuiPaneInfo& pane = m_mgr.GetPane(GetTabFrameFromTabCtrl(tabs));
        if (pane.IsOk() && pane.dock_direction == wxAUI_DOCK_CENTRE)
            return tabs;
    }
    return GetActiveTabCtrl();
}

void ResultNotebook::MoveToTabCtrl(wxWindow* page, wxAuiTabCtrl* to, size_t index)
{
    wxAuiTabCtrl* from = nullptr;
    int tab = 0;
    if (!to || !FindTab(page, &from, &tab))
        return;
    if (from == to)
    {
        to->MovePage(page, std::min(index, to->GetPageCount() - 1));
        return;
    }
    wxAuiNotebookPage info = from->GetPage(static_cast<size_t>(tab));
    info.active = false;
    from->RemovePage(page);
    if (from->GetPageCount() > 0 && from->GetActivePage() < 0)
        from->SetActivePage(static_cast<size_t>(0));
    to->InsertPage(page, info, std::min(index, to->GetPageCount()));
}

void ResultNotebook::FinishMoves()
{
    RemoveEmptyTabFrames();
    for (wxAuiTabCtrl* tabs : Panes())
    {
        if (tabs->GetActivePage() < 0 && tabs->GetPageCount() > 0)
            tabs->SetActivePage(static_cast<size_t>(0));
        tabs->DoShowHide();
        tabs->Refresh(false);
    }
    DoSizing();
}

void ResultNotebook::Arrange(PageLayout layout, const std::vector<wxWindow*>& pages, wxWindow* first,
                             bool keepPanes)
{
    std::vector<wxWindow*> order;
    for (wxWindow* page : pages)
    {
        if (page && GetPageIndex(page) != wxNOT_FOUND)
            order.push_back(page);
    }
    if (order.empty())
        return;
    const size_t count = order.size();
    const size_t start = static_cast<size_t>(
        std::find(order.begin(), order.end(), first) == order.end()
            ? 0
            : std::find(order.begin(), order.end(), first) - order.begin());
    const size_t panes = std::min(static_cast<size_t>(PaneCount(layout)), count);

    const bool keep = keepPanes && panes <= m_dealtPanes && m_homePane.size() == count &&
                      std::all_of(order.begin(), order.end(),
                                  [this](wxWindow* page) { return m_homePane.count(page) > 0; });
    std::vector<std::vector<wxWindow*>> groups(panes);
    // The page each pane shows.
    std::vector<wxWindow*> shows(panes);
    if (keep)
    {
        const std::vector<wxWindow*> shownBefore = ShownPages();
        for (wxWindow* page : order)
            groups[m_homePane[page] % panes].push_back(page);
        for (size_t pane = 0; pane < panes; ++pane)
        {
            shows[pane] = groups[pane].front();
            for (wxWindow* shown : shownBefore)
            {
                if (std::find(groups[pane].begin(), groups[pane].end(), shown) != groups[pane].end())
                {
                    shows[pane] = shown;
                    break;
                }
            }
        }
    }
    else
    {
        m_homePane.clear();
        for (size_t i = 0; i < count; ++i)
        {
            const size_t pane = ((i + count - start) % count) % panes;
            groups[pane].push_back(order[i]);
            m_homePane[order[i]] = pane;
        }
        for (size_t pane = 0; pane < panes; ++pane)
            shows[pane] = order[(start + pane) % count];
        m_dealtPanes = panes;
    }
    wxWindow* selected = keep && std::find(order.begin(), order.end(), first) != order.end() ? first : shows[0];

    // Every page into one group first, so that each layout starts alike.
    wxAuiTabCtrl* main = CentreTabCtrl();
    for (size_t i = 0; i < count; ++i)
        MoveToTabCtrl(order[i], main, i);
    FinishMoves();

    const wxSize client = GetClientSize();
    const int sash = m_mgr.GetArtProvider()->GetMetric(wxAUI_DOCKART_SASH_SIZE);
    auto paneSize = [&](size_t pane) {
        switch (layout)
        {
            case PageLayout::ThreeSideBySide:
                return wxSize(client.x / 3, client.y);
            case PageLayout::TwoByTwo:
                // The lower left pane as high as the lower right one, which
                // shares its column with the pane above it across a sash.
                return wxSize(client.x / 2, pane == 1 ? client.y : (client.y - sash) / 2);
            default:
                return wxSize(client.x / 2, client.y);
        }
    };
    // The panes' own sizes count, not the docking manager's usual third.
    m_mgr.SetDockSizeConstraint(0.8, 0.8);
    std::vector<wxAuiTabCtrl*> tabCtrls{main};
    for (size_t pane = 1; pane < panes; ++pane)
    {
        wxWindow* shown = shows[pane];
        m_splitSize = paneSize(pane);
        Split(static_cast<size_t>(GetPageIndex(shown)), wxRIGHT);
        m_splitSize = wxDefaultSize;
        wxAuiTabCtrl* tabs = nullptr;
        int tab = 0;
        if (!FindTab(shown, &tabs, &tab) || tabs == main)
            break;
        size_t index = 0;
        for (wxWindow* page : groups[pane])
            MoveToTabCtrl(page, tabs, index++);
        tabs->SetActivePage(shown);
        tabCtrls.push_back(tabs);
    }
    main->SetActivePage(shows[0]);

    // Where each pane docks: side by side, the later ones further out; two
    // by two, the right column outside the lower left pane.
    for (size_t pane = 1; pane < tabCtrls.size(); ++pane)
    {
        wxAuiPaneInfo& info = m_mgr.GetPane(GetTabFrameFromTabCtrl(tabCtrls[pane]));
        if (!info.IsOk())
            continue;
        info.BestSize(paneSize(pane)).Row(0).Position(0);
        if (layout == PageLayout::TwoByTwo)
        {
            if (pane == 2)
                info.Bottom().Layer(0);
            else
                info.Right().Layer(1).Position(pane == 1 ? 0 : 1);
        }
        else
        {
            info.Right().Layer(static_cast<int>(pane) - 1);
        }
    }
    m_mgr.Update();
    FinishMoves();

    // The focused pane takes the selection, and with it the focus mark.
    m_curPage = -1;
    SetSelection(static_cast<size_t>(GetPageIndex(selected)));
    MarkFocusedPane();
}

bool ResultNotebook::ShowInPane(wxWindow* page)
{
    wxAuiTabCtrl* tabs = nullptr;
    int tab = 0;
    if (!FindTab(page, &tabs, &tab))
        return false;
    wxAuiTabCtrl* focused = nullptr;
    const int selection = GetSelection();
    if (selection >= 0)
        FindTab(GetPage(static_cast<size_t>(selection)), &focused, &tab);
    if (tabs == focused)
    {
        SetSelection(static_cast<size_t>(GetPageIndex(page)));
        return true;
    }
    tabs->SetActivePage(page);
    tabs->DoShowHide();
    tabs->Refresh(false);
    return true;
}

std::vector<wxAuiTabCtrl*> ResultNotebook::Panes()
{
    std::vector<wxAuiTabCtrl*> panes;
    for (size_t i = 0; i < GetPageCount(); ++i)
    {
        wxAuiTabCtrl* tabs = nullptr;
        int tab = 0;
        if (FindTab(GetPage(i), &tabs, &tab) && std::find(panes.begin(), panes.end(), tabs) == panes.end())
            panes.push_back(tabs);
    }
    // Where the docking manager put each group (the frame around a tab row
    // is no native window and knows no place of its own).
    auto place = [this](wxAuiTabCtrl* tabs) {
        const wxAuiPaneInfo& pane = m_mgr.GetPane(GetTabFrameFromTabCtrl(tabs));
        return pane.IsOk() ? pane.rect.GetPosition() : tabs->GetPosition();
    };
    std::stable_sort(panes.begin(), panes.end(), [&](wxAuiTabCtrl* a, wxAuiTabCtrl* b) {
        const wxPoint pa = place(a);
        const wxPoint pb = place(b);
        return pa.y != pb.y ? pa.y < pb.y : pa.x < pb.x;
    });
    return panes;
}

std::vector<wxWindow*> ResultNotebook::ShownPages()
{
    std::vector<wxWindow*> shown;
    for (wxAuiTabCtrl* tabs : Panes())
    {
        const int active = tabs->GetActivePage();
        if (active >= 0)
            shown.push_back(tabs->GetWindowFromIdx(static_cast<size_t>(active)));
    }
    return shown;
}

std::vector<wxWindow*> ResultNotebook::FocusedPanePages()
{
    std::vector<wxWindow*> pages;
    const int selection = GetSelection();
    wxAuiTabCtrl* tabs = nullptr;
    int tab = 0;
    if (selection < 0 || !FindTab(GetPage(static_cast<size_t>(selection)), &tabs, &tab))
        return pages;
    for (size_t i = 0; i < tabs->GetPageCount(); ++i)
        pages.push_back(tabs->GetWindowFromIdx(i));
    return pages;
}

bool ResultNotebook::AdvanceInPane(int step)
{
    const std::vector<wxWindow*> pages = FocusedPanePages();
    if (pages.empty())
        return false;
    const int count = static_cast<int>(pages.size());
    const int at = static_cast<int>(std::find(pages.begin(), pages.end(), GetPage(GetSelection())) - pages.begin());
    const int next = ((at + step) % count + count) % count;
    SetSelection(static_cast<size_t>(GetPageIndex(pages[next])));
    return true;
}

bool ResultNotebook::SelectInPane(int index)
{
    const std::vector<wxWindow*> pages = FocusedPanePages();
    if (pages.empty() || index >= static_cast<int>(pages.size()))
        return false;
    wxWindow* page = index < 0 ? pages.back() : pages[static_cast<size_t>(index)];
    SetSelection(static_cast<size_t>(GetPageIndex(page)));
    return true;
}

void ResultNotebook::MarkFocusedPane()
{
    const std::vector<wxAuiTabCtrl*> panes = Panes();
    wxAuiTabCtrl* focused = nullptr;
    int tab = 0;
    const int selection = GetSelection();
    if (panes.size() > 1 && selection >= 0)
        FindTab(GetPage(static_cast<size_t>(selection)), &focused, &tab);
    static const wxColour usual = DefaultTabArt().ActiveColour();
    const wxColour marked = Blend(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), usual, 0.45);
    for (wxAuiTabCtrl* tabs : panes)
    {
        if (wxAuiTabArt* art = tabs->GetArtProvider())
            art->SetActiveColour(tabs == focused ? marked : usual);
        tabs->Refresh(false);
    }
    m_pMarked = focused;
}
