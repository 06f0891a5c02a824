// The result pages as a browser: failed loads on their tabs, the find bar,
// zoom, the tab menu and downloads.
#include "results/ResultsPane.h"
#include "frame/OrvaneFrame.h"

#include "common/DeferredStatusBar.h"
#include "pages/FindBar.h"
#include "pages/NoticeBar.h"
#include "pages/OutcomeText.h"
#include "PageProbe.h"
#include "pages/ResultNotebook.h"
#include "WebDownloads.h"
#include "pages/ZulIeCtrl.h"

#include <wx/aui/auibook.h>
#include <wx/aui/aui.h>
#include <wx/clipbrd.h>
#include <wx/dcclient.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/webview.h>

#include <algorithm>
#include <cmath>
#include <ctime>

const long OrvaneFrame::ID_MENU_TAB_RELOAD = wxNewId();
const long OrvaneFrame::ID_MENU_TAB_OPEN_OUTSIDE = wxNewId();
const long OrvaneFrame::ID_MENU_TAB_COPY_ADDRESS = wxNewId();

namespace
{
const double ZoomLevels[] = {0.3, 0.5, 0.67, 0.8, 0.9, 1.0, 1.1, 1.2, 1.33, 1.5, 1.7, 2.0, 2.4, 3.0};

double NextZoom(double current, int direction)
{
    if (direction == 0)
        return 1.0;
    const double eps = 0.001;
    if (direction > 0)
    {
        for (double level : ZoomLevels)
        {
            if (level > current + eps)
                return level;
        }
        return current;
    }
    double lower = current;
    for (double level : ZoomLevels)
    {
        if (level < current - eps)
            lower = level;
    }
    return lower;
}

// What the tab menu's commands act on: the page's own address, not the
// start page's file or an empty view.
wxString PageAddress(ZulIeCtrl* page)
{
    const wxString url = page->GetCurrentUrl();
    return url == "about:blank" ? wxString() : url;
}

bool IsWebAddress(const wxString& url)
{
    const wxString lower = url.Lower();
    return lower.StartsWith("http://") || lower.StartsWith("https://");
}

// A bar that docks right under the pages, hidden until needed.
wxAuiPaneInfo PageBarPane(const wxString& name, const wxString& caption, int row)
{
    return wxAuiPaneInfo()
        .Name(name)
        .Caption(caption)
        .Bottom()
        .Layer(8)
        .Row(row)
        .CaptionVisible(false)
        .PaneBorder(false)
        .CloseButton(false)
        .Floatable(false)
        .Movable(false)
        .Resizable(false)
        .Hide();
}
} // namespace

void OrvaneFrame::BuildPageBars()
{
    // The bars themselves are made when first needed: most runs never show
    // them, and the window should appear without waiting for them.
    Bind(wxEVT_MENU, &OrvaneFrame::OnTabReload, this, ID_MENU_TAB_RELOAD);
    Bind(wxEVT_MENU, &OrvaneFrame::OnTabOpenOutside, this, ID_MENU_TAB_OPEN_OUTSIDE);
    Bind(wxEVT_MENU, &OrvaneFrame::OnTabCopyAddress, this, ID_MENU_TAB_COPY_ADDRESS);
}

FindBar* OrvaneFrame::GetFindBar()
{
    if (!m_pFindBar)
    {
        m_pFindBar = new FindBar(this);
        m_pFindBar->m_onClose = [this] { HideFindBar(); };
        m_pAuiManager->AddPane(m_pFindBar, PageBarPane("FindBar", _("Find"), 1));
    }
    return m_pFindBar;
}

NoticeBar* OrvaneFrame::GetNoticeBar()
{
    if (!m_pNoticeBar)
    {
        m_pNoticeBar = new NoticeBar(this);
        m_pNoticeBar->m_onClose = [this] {
            // Running downloads go on, without the bar, until one ends.
            m_bNoticeBarClosed = m_pDownloads && m_pDownloads->CountRunning() > 0;
            m_pAuiManager->GetPane(m_pNoticeBar).Hide();
            m_pAuiManager->Update();
        };
        m_pNoticeBar->m_onCancel = [this](const wxString& name) {
            if (m_pDownloads)
                m_pDownloads->Cancel(name);
        };
        // Across the whole width, whatever its first text was: a fixed pane
        // would keep the width it had when made, too narrow for any text.
        m_pAuiManager->AddPane(m_pNoticeBar, PageBarPane("NoticeBar", _("Notice"), 0).Resizable().DockFixed());
    }
    return m_pNoticeBar;
}

bool OrvaneFrame::IsFindBarShown() const
{
    return m_pFindBar && m_pAuiManager->GetPane(m_pFindBar).IsShown();
}

void OrvaneFrame::SetUpDownloads()
{
    m_pDownloads = std::make_unique<WebDownloads>();
    // The downloads die with the frame, before these members do.
    m_pDownloads->m_onProgress = [this](const wxString& name, unsigned long long received,
                                        unsigned long long total) {
        NoticeBar* bar = GetNoticeBar();
        bar->ShowProgress(name, received, total);
        SetStatusText(bar->GetNotice(), 0);
        if (!m_bNoticeBarClosed)
            ShowNoticeBar();
    };
    m_pDownloads->m_onFinished = [this](const wxString& path) {
        NoticeBar* bar = GetNoticeBar();
        bar->ShowSaved(path);
        SetStatusText(bar->GetNotice(), 0);
        m_bNoticeBarClosed = false;
        ShowNoticeBar();
    };
    m_pDownloads->m_onFailed = [this](const wxString& name, const wxString& reason) {
        const wxString text = wxString::Format(_("The download of %s failed: %s"), name, reason);
        SetStatusText(text, 0);
        m_bNoticeBarClosed = false;
        ShowNotice(text, true);
    };
    m_pDownloads->m_askSave = [this](const WebDownloads::Question& question) {
        return AskSaveDownload(question);
    };
}

bool OrvaneFrame::AskSaveDownload(const WebDownloads::Question& question)
{
    // Asked over the tab that wants it, not over whichever is on show.
    ZulIeCtrl* asking = nullptr;
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        wxWebView* view = page->GetWebView();
        if (question.view && view && view->GetNativeBackend() == question.view)
            asking = page;
    });
    const int tab = asking ? m_pNotebook->GetPageIndex(asking) : wxNOT_FOUND;
    if (tab != wxNOT_FOUND && tab != m_pNotebook->GetSelection())
        m_pNotebook->SetSelection(static_cast<size_t>(tab));
    const wxString file =
        question.size > 0
            // TRANSLATORS: a file's name and its size, e.g. "report.pdf" (1.2 MB)
            ? wxString::Format(_("\"%s\" (%s)"), question.name,
                               wxFileName::GetHumanReadableSize(wxULongLong(question.size)))
            : wxString::Format(wxS("\"%s\""), question.name);
    wxString text;
    if (tab != wxNOT_FOUND)
        // TRANSLATORS: a page started a download without a click: the tab's engine, the file, the site, the folder
        text = wxString::Format(_("The page in the tab \"%s\" wants to save %s from %s into %s."),
                                asking->m_strEngineName, file, question.site, question.folder);
    else
        // TRANSLATORS: a page started a download without a click: the file, the site, the folder
        text = wxString::Format(_("A page wants to save %s from %s into %s."), file, question.site,
                                question.folder);
    wxMessageDialog ask(this, text, _("Orvane"), wxOK | wxCANCEL | wxCANCEL_DEFAULT | wxICON_QUESTION | wxCENTRE);
    ask.SetOKCancelLabels(_("Save"), _("Cancel"));
    return ask.ShowModal() == wxID_OK;
}

void OrvaneFrame::ShowNotice(const wxString& text, bool problem)
{
    GetNoticeBar()->SetNotice(text, problem);
    ShowNoticeBar();
}

void OrvaneFrame::ShowNoticeBar()
{
    wxAuiPaneInfo& pane = m_pAuiManager->GetPane(m_pNoticeBar);
    if (!pane.IsShown())
    {
        pane.Show();
        m_pAuiManager->Update();
    }
}

bool OrvaneFrame::HandlePageKey(wxKeyEvent& event)
{
    const int modifiers = event.GetModifiers();
    const int key = event.GetKeyCode();
    if (key == WXK_ESCAPE && modifiers == 0 && IsFindBarShown())
    {
        // Only from the bar or a page: elsewhere Escape has its own uses.
        wxWindow* focus = wxWindow::FindFocus();
        ZulIeCtrl* page = CurrentPage();
        for (wxWindow* w = focus; w; w = w->GetParent())
        {
            if (w == m_pFindBar || (page && w == page))
            {
                HideFindBar();
                return true;
            }
        }
        return false;
    }
    if (modifiers == wxMOD_CONTROL)
    {
        switch (key)
        {
            case 'F':
                ShowFindBar();
                return true;
            case 'G':
                if (!IsFindBarShown())
                    ShowFindBar();
                else
                    m_pFindBar->FindNext(false);
                return true;
            case '+':
            case '=':
            case WXK_NUMPAD_ADD:
                ZoomCurrentPage(1);
                return true;
            case '-':
            case WXK_NUMPAD_SUBTRACT:
                ZoomCurrentPage(-1);
                return true;
            case '0':
            case WXK_NUMPAD0:
                ZoomCurrentPage(0);
                return true;
            default:
                return false;
        }
    }
    if (modifiers == (wxMOD_CONTROL | wxMOD_SHIFT))
    {
        if (key == 'G')
        {
            if (!IsFindBarShown())
                ShowFindBar();
            else
                m_pFindBar->FindNext(true);
            return true;
        }
        // Ctrl++ is Ctrl+Shift+= on most keyboards.
        if (key == '+' || key == '=')
        {
            ZoomCurrentPage(1);
            return true;
        }
    }
    return false;
}

void OrvaneFrame::ShowFindBar()
{
    wxAuiPaneInfo& pane = m_pAuiManager->GetPane(GetFindBar());
    if (!pane.IsShown())
    {
        pane.Show();
        m_pAuiManager->Update();
    }
    RetargetFindBar();
    m_pFindBar->Activate();
}

void OrvaneFrame::HideFindBar()
{
    if (!m_pFindBar)
        return;
    m_pFindBar->EndSearch();
    m_pAuiManager->GetPane(m_pFindBar).Hide();
    m_pAuiManager->Update();
    if (ZulIeCtrl* page = CurrentPage())
        page->SetFocus();
}

void OrvaneFrame::RetargetFindBar()
{
    if (IsFindBarShown())
        m_pFindBar->SetTarget(CurrentPage());
}

void OrvaneFrame::ZoomCurrentPage(int direction)
{
    ZulIeCtrl* page = CurrentPage();
    if (!page)
        return;
    page->SetZoom(NextZoom(page->GetZoom(), direction));
    SetStatusText(wxString::Format(_("Zoom: %d%%"), static_cast<int>(std::lround(page->GetZoom() * 100))), 0);
}

namespace
{
int OutcomeImage(PageOutcome outcome)
{
    switch (outcome)
    {
        case PageOutcome::Results: return OrvaneFrame::IMAGE_PAGE_COMPLETED;
        case PageOutcome::Empty: return OrvaneFrame::IMAGE_PAGE_EMPTY;
        case PageOutcome::BotCheck: return OrvaneFrame::IMAGE_PAGE_BOTCHECK;
        case PageOutcome::Consent: return OrvaneFrame::IMAGE_PAGE_CONSENT;
        case PageOutcome::HttpError: return OrvaneFrame::IMAGE_PAGE_HTTPERROR;
        case PageOutcome::Failed: return OrvaneFrame::IMAGE_PAGE_FAILED;
    }
    return OrvaneFrame::IMAGE_PAGE_COMPLETED;
}
} // namespace

int OrvaneFrame::TabImageFor(ZulIeCtrl* page, bool busy)
{
    if (page->IsStoppedBeforeLoad())
        return IMAGE_PAGE_BLANK;
    if (page->HasVerdict())
        return OutcomeImage(page->GetProbe()->GetVerdict().outcome);
    if (page->HasFailed())
        return IMAGE_PAGE_FAILED;
    if (!busy)
        return IMAGE_PAGE_COMPLETED;
    const int v = page->m_nIconIndex;
    page->m_nIconIndex = v == IMAGE_LOADING_LAST ? IMAGE_LOADING_FIRST : v + 1;
    return page->m_nIconIndex;
}

void OrvaneFrame::UpdateTabToolTip(ZulIeCtrl* page)
{
    bool busy = false;
    page->IsBusy(busy);
    const bool verdict = page->HasVerdict();
    // A load under way, or a search load stopped before it ended: the tip
    // must not describe the page before.
    const TabTipState state = page->IsStoppedBeforeLoad() ? TabTipState::Stopped
                              : busy && !verdict      ? TabTipState::Loading
                                                      : TabTipState::Loaded;
    const TabTipKey key{page->GetLoadCount(), page->GetProbe() ? page->GetProbe()->GetVerdictCount() : 0u, state};
    auto known = m_tabLoadCounts.find(page);
    if (known != m_tabLoadCounts.end() && known->second == key)
        return;
    const int tab = m_pNotebook->GetPageIndex(page);
    if (tab == wxNOT_FOUND)
        return;
    m_tabLoadCounts[page] = key;
    wxString tip = page->m_strEngineName;
    if (state != TabTipState::Loaded)
    {
        tip << "\n" << (state == TabTipState::Stopped ? _("Not loaded: the search was stopped") : _("Loading..."));
        m_pNotebook->SetPageToolTip(tab, tip);
        if (!busy)
            SetTabImage(page, TabImageFor(page, false));
        return;
    }
    if (verdict)
    {
        const PageProbe* probe = page->GetProbe();
        tip << "\n" << OutcomeText::Describe(probe->GetVerdict().outcome, probe->GetSignals().status);
    }
    // The reason of a load with no page says more than "no answer".
    if (page->HasFailed() && (!verdict || page->GetProbe()->GetVerdict().outcome == PageOutcome::Failed))
        tip << "\n" << page->GetFailReason();
    // Loaded, then held by its own scripts: no look inside was possible.
    else if (verdict && page->GetProbe()->GetVerdict().outcome == PageOutcome::Failed)
        tip << "\n" << _("The page did not respond.");
    // Our own start page's load is no engine's.
    if (page->GetLoadMillis() >= 0 && !page->GetCurrentUrl().Lower().StartsWith("file:"))
    {
        const double seconds = page->GetLoadMillis() / 1000.0;
        // A server's own page (a bot check, an error status) was loaded, even
        // though it counts as failed: only a load with no page failed.
        const bool noPage = verdict ? page->GetProbe()->GetVerdict().outcome == PageOutcome::Failed
                                    : page->HasFailed();
        tip << "\n" << wxString::Format(noPage ? _("Failed after %.1f s") : _("Loaded in %.1f s"), seconds);
    }
    m_pNotebook->SetPageToolTip(tab, tip);
    // A page the person passed a check in, or that moved on by itself, shows
    // its new outcome once idle, as the timer only renews busy tabs.
    if (!busy)
        SetTabImage(page, TabImageFor(page, false));
}

void OrvaneFrame::ClearTabToolTips()
{
    m_tabLoadCounts.clear();
    for (size_t tab = 0; tab < m_pNotebook->GetPageCount(); ++tab)
        m_pNotebook->SetPageToolTip(tab, wxString());
    // The tab rows keep the tip last shown until the pointer moves to another tab.
    for (wxWindow* child : m_pNotebook->GetChildren())
    {
        // Not wxDynamicCast: it casts statically first, which is undefined for
        // the notebook's children that are not tab rows.
        if (dynamic_cast<wxAuiTabCtrl*>(child))
            child->UnsetToolTip();
    }
}

void OrvaneFrame::ShowOutcomeSummary()
{
    if (m_nSearchTabs <= 0)
        return;
    std::map<PageOutcome, int> counts;
    const std::time_t now = std::time(nullptr);
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        if (!page->m_bActive || !page->HasVerdict() || !page->m_pEngine ||
            std::find(m_searchedPages.begin(), m_searchedPages.end(), page) == m_searchedPages.end())
            return;
        const PageProbe* probe = page->GetProbe();
        ++counts[probe->GetVerdict().outcome];
        m_summarized[page] = probe->GetVerdict().outcome;
        if (m_bSearchCountsInHealth)
            m_pHealth->Record(*page->m_pEngine, probe->GetVerdict().outcome, probe->GetResultLinks(), now);
    });
    m_searchedPages.clear();
    m_nSearchTabs = 0;
    TurnPanesToResults();
    if (counts.empty())
        return;
    ShowSummary(OutcomeText::Summary(counts));
    if (!m_bSearchCountsInHealth)
        return;
    SaveHealth();
    RefillEngineList();
}

void OrvaneFrame::FollowChangedOutcomes()
{
    if (m_summarized.empty())
        return;
    std::map<PageOutcome, int> counts;
    bool changed = false;
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        auto known = m_summarized.find(page);
        if (known == m_summarized.end() || !page->m_bActive || !page->HasVerdict() || !page->m_pEngine)
            return;
        const PageProbe* probe = page->GetProbe();
        const PageOutcome outcome = probe->GetVerdict().outcome;
        ++counts[outcome];
        if (outcome == known->second)
            return;
        // The same search's page, now with another outcome: its record is
        // corrected, not added to.
        known->second = outcome;
        if (m_bSearchCountsInHealth)
            m_pHealth->Amend(*page->m_pEngine, outcome, probe->GetResultLinks());
        changed = true;
    });
    if (!changed)
        return;
    ShowSummary(OutcomeText::Summary(counts));
    SaveHealth();
    RefillEngineList();
}

void OrvaneFrame::ShowSummary(const wxString& summary)
{
    m_strSummaryBase = summary;
    m_strSummary = summary.empty() ? summary : summary + m_pResultsPane->SummaryNote();
    SetStatusText(m_strSummary, 1);
    FitStatusFields();
}

void OrvaneFrame::FitStatusFields()
{
    if (!m_pStatusBar || m_pStatusBar->GetFieldsCount() != 4)
        return;
    wxClientDC dc(m_pStatusBar);
    dc.SetFont(m_pStatusBar->GetFont());
    // The count and size fields as wide as their texts (in translation often
    // wider than the usual widths), no wider: a small window's page text
    // needs the room.
    auto fitted = [&](int field, int usual) {
        return std::max(usual, dc.GetTextExtent(m_pStatusBar->GetStatusText(field)).x + 24);
    };
    const int count = fitted(2, CountFieldWidth);
    // The size grip is drawn over the end of the last field.
    const int size = fitted(3, SizeFieldWidth) + m_pStatusBar->GetSize().y;
    // What the count and size fields leave to the first two.
    const int room = m_pStatusBar->GetClientSize().x - count - size;
    const int progress = std::max(ProgressFieldWidth, std::min(fitted(1, ProgressFieldWidth), room - MinPageTextWidth));
    const int fit[4] = {-1, progress, count, size};
    bool same = true;
    for (int field = 1; field < 4; ++field)
        same = same && m_pStatusBar->GetStatusWidth(field) == fit[field];
    if (!same)
        m_pStatusBar->SetStatusWidths(4, fit);
}

void OrvaneFrame::SaveHealth()
{
    EngineArray all;
    for (const auto& engine : m_engineManager.m_engines)
        all.push_back(engine.get());
    m_pHealth->Save(all);
}

void OrvaneFrame::OnNextAttention(wxCommandEvent&)
{
    const size_t count = m_pNotebook->GetPageCount();
    const int current = m_pNotebook->GetSelection();
    for (size_t step = 1; step <= count; ++step)
    {
        const size_t tab = (static_cast<size_t>(current < 0 ? -1 : current) + step) % count;
        auto* page = dynamic_cast<ZulIeCtrl*>(m_pNotebook->GetPage(tab));
        if (page && page->HasVerdict() && NeedsPerson(page->GetProbe()->GetVerdict().outcome))
        {
            if (static_cast<int>(tab) != current)
                m_pNotebook->SetSelection(tab);
            return;
        }
    }
    SetStatusText(_("No page needs your attention."), 0);
}

void OrvaneFrame::AppendPageCommands(wxMenu& menu)
{
    ZulIeCtrl* page = CurrentPage();
    const wxString address = page ? PageAddress(page) : wxString();
    menu.Append(ID_MENU_TAB_RELOAD, _("Reload"));
    menu.Append(ID_MENU_TAB_OPEN_OUTSIDE, _("Open in Default Browser"));
    menu.Append(ID_MENU_TAB_COPY_ADDRESS, _("Copy Address"));
    menu.Enable(ID_MENU_TAB_RELOAD, page != nullptr);
    menu.Enable(ID_MENU_TAB_OPEN_OUTSIDE, IsWebAddress(address));
    menu.Enable(ID_MENU_TAB_COPY_ADDRESS, !address.empty());
}

void OrvaneFrame::OnTabReload(wxCommandEvent&)
{
    if (ZulIeCtrl* page = CurrentPage())
        page->Refresh(0);
}

void OrvaneFrame::OnTabOpenOutside(wxCommandEvent&)
{
    if (ZulIeCtrl* page = CurrentPage())
        wxIEHtmlWin::OpenOutside(PageAddress(page));
}

void OrvaneFrame::OnTabCopyAddress(wxCommandEvent&)
{
    ZulIeCtrl* page = CurrentPage();
    if (!page || PageAddress(page).empty())
        return;
    wxClipboardLocker lock;
    if (!!lock)
        wxTheClipboard->SetData(new wxTextDataObject(PageAddress(page)));
}
