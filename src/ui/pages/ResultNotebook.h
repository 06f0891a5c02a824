#pragma once

#include <wx/aui/auibook.h>

#include <map>
#include <vector>

// How many result pages are on show at once, each in a tab group of its own.
enum class PageLayout
{
    Single = 0,
    TwoSideBySide = 1,
    ThreeSideBySide = 2,
    TwoByTwo = 3
};

// The result notebook. wxAuiNotebook measures every tab whenever a tab is
// added or its picture changes, and repaints the tab row at once for each
// picture: with forty tabs, adding them cost a quadratic number of text
// measurements, and the busy timer's picture changes took most of the
// program's time while pages loaded.
//
// It also lays its pages out in panes (the notebook's own tab groups, as
// dragging a tab to an edge makes them), so that pages can be compared side
// by side. The notebook's selection is the focused pane's page on show.
class ResultNotebook : public wxAuiNotebook
{
public:
    using wxAuiNotebook::wxAuiNotebook;

    // Sets a tab's picture from the image list; the tab row is repainted
    // with the next paint. Every picture has the same size, so the tab
    // height stays as it is.
    bool SetTabImage(size_t page, int image);

    // Narrower (or, two by two, lower) panes than these are of no use for a
    // result page: a layout that would need them gives way to fewer panes.
    static constexpr int MinPaneWidth = 300;
    static constexpr int MinPaneHeight = 240;
    static int PaneCount(PageLayout layout);
    // The layout of at most as many panes as `size` holds, `wanted` if it fits.
    static PageLayout Fit(PageLayout wanted, const wxSize& size);
    static PageLayout LayoutFromIndex(int index);

    // Puts `pages` (in the order given) into the layout's panes: the first
    // pane shows `first`, the next panes the pages after it, and the rest are
    // dealt out in turn, so that each pane holds its tabs in that order and
    // turning every pane one tab on shows the next pages. Single puts every
    // page back into one tab group in that order.
    //
    // With `keepPanes`, the same pages in no more panes than they were last
    // dealt into stay in their panes (those of a pane the layout no longer
    // has go to the pane its number wraps to, and come back with it), each
    // pane shows what it showed, and `first` keeps the focus; the panes get
    // their shares of the size anew.
    void Arrange(PageLayout layout, const std::vector<wxWindow*>& pages, wxWindow* first, bool keepPanes = false);
    // Turns the page's pane to it; the selection moves only when that pane
    // has the focus.
    bool ShowInPane(wxWindow* page);
    // The tab groups, left to right and top to bottom.
    std::vector<wxAuiTabCtrl*> Panes();
    // The page on show in each pane, in pane order.
    std::vector<wxWindow*> ShownPages();
    // The pages of the selection's pane, in its tab order.
    std::vector<wxWindow*> FocusedPanePages();
    // Turns the selection's pane `step` tabs on (wrapping round); false
    // when there is no page.
    bool AdvanceInPane(int step);
    // Turns the selection's pane to its tab `index`, or its last with -1.
    bool SelectInPane(int index);
    // Gives the focused pane's tab on show the highlight colour when more
    // than one pane shows; the notebook itself only bolds its text.
    void MarkFocusedPane();
    wxAuiTabCtrl* MarkedPane() const { return m_pMarked; }

protected:
    // While frozen (a rebuild of the tabs) the tab height is worked out
    // once, when thawed.
    bool UpdateTabCtrlHeight() override;
    void DoThaw() override;
    // Split() sizes the new pane by this; the toolkit's own guess makes the
    // third and later panes 180 pixels wide.
    wxSize CalculateNewSplitSize() override;

private:
    wxAuiTabCtrl* CentreTabCtrl();
    // Moves a page into another tab group at `index`, as dragging its tab does.
    void MoveToTabCtrl(wxWindow* page, wxAuiTabCtrl* to, size_t index);
    void FinishMoves();

    wxSize m_splitSize;
    wxAuiTabCtrl* m_pMarked = nullptr;
    // The pane each page was last dealt into, and into how many.
    std::map<const wxWindow*, size_t> m_homePane;
    size_t m_dealtPanes = 0;
};
