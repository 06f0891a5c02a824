// The search flow: language and category choices, the result pages in the
// notebook, starting and stopping a search, the busy timer, page navigation,
// and saving everything when the window closes.
#include "results/ResultsPane.h"
#include "frame/OrvaneFrame.h"

#include "base/ShownAddress.h"
#include "catalogue/ShortcutQuery.h"
#include "common/DeferredStatusBar.h"
#include "store/Preference.h"
#include "pages/CatalogueCheck.h"
#include "pages/ResultNotebook.h"
#include "suggest/SuggDlg.h"
#include "WebDownloads.h"
#include "frame/WindowGeometry.h"
#include "pages/ZulIeCtrl.h"

#include <wx/aui/auibook.h>
#include <wx/aui/aui.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/statusbr.h>
#include <wx/utils.h>
#include <wx/wupdlock.h>

#include <algorithm>

wxString OrvaneFrame::PromptText()
{
    return _("(Please input keyword...)");
}

namespace
{
// Fills a choice with items and selects the preferred one if it is there
// (exact match), else the first.
void FillChoice(wxChoice* choice, const wxArrayString& items, bool preferStored,
                const wxString& stored)
{
    choice->Clear();
    if (items.empty())
        return;
    choice->Append(items);
    int selection = 0;
    if (preferStored)
    {
        const int found = items.Index(stored, true);
        if (found != wxNOT_FOUND)
            selection = found;
    }
    choice->SetSelection(selection);
}
} // namespace

OrvaneFrame::~OrvaneFrame()
{
    // Handlers must not run on a half-destroyed window: removing pages or
    // destroying children still sends events this way.
    SetEvtHandlerEnabled(false);
    StopVersionCheck();
    StopProfileReader();
    m_timer.Stop();

    // Imports that waited for the search: closing ends it. The window no
    // longer shows anything, so nothing is told of the change.
    m_engineManager.m_pObserver = nullptr;
    m_nSearching = 0;
    RunPendingCommands();
    // Saved before the pages and downloads go: whatever fails while WebKit
    // winds down, the catalogue, history and preferences are on disk.
    SaveOnClose();

    // Running downloads are cancelled and their partial files removed.
    m_pDownloads.reset();
    if (m_pNotebook)
    {
        m_pNotebook->Hide();
        RemoveAllNotebookPages();
    }
    // The pop-up reads the preferences; it goes before they do.
    delete m_pSuggDlg;
    m_pSuggDlg = nullptr;
    if (m_pPreference)
    {
        Preference::Release();
        m_pPreference = nullptr;
    }

    if (m_pImageList)
    {
        m_pEngineList->SetImageList(nullptr, wxIMAGE_LIST_SMALL);
        m_pNotebook->SetImageList(nullptr);
        m_pImageList->RemoveAll();
        m_pImageList.reset();
    }

    if (m_pAuiManager)
    {
        m_pAuiManager->UnInit();
        m_pAuiManager.reset();
    }
    // The browser manager, destroyed with the members, stops and deletes the pages.
}

void OrvaneFrame::SearchFor(const wxString& keyword)
{
    // Not a keystroke: no suggestion fetch for it.
    m_pKeywordBox->ChangeValue(keyword);
    StartSearch();
}

void OrvaneFrame::SearchInGroup(const SearchGroup& group, const wxString& keyword)
{
    if (!group.IsSameAs(CurrentGroup()) && DesktopQuery::EnabledEngines(m_engineManager, group) > 0)
    {
        const int language = m_pChoiceLang->FindString(group.m_strLang);
        if (language != wxNOT_FOUND)
        {
            m_pChoiceLang->SetSelection(language);
            wxCommandEvent changed(wxEVT_CHOICE, ID_CHOICE_LANG);
            OnLanguageChanged(changed);
        }
        const int category = m_pChoiceCategory->FindString(group.m_strCategory);
        if (category != wxNOT_FOUND)
        {
            m_pChoiceCategory->SetSelection(category);
            wxCommandEvent changed(wxEVT_CHOICE, ID_CHOICE_CATEGORY);
            OnCategoryChanged(changed);
        }
    }
    SearchFor(keyword);
}

void OrvaneFrame::FocusKeywordBox(const wxString& status)
{
    KeywordPrompt();
    m_pKeywordBox->SelectAll();
    // Start pages loading meanwhile must not wipe the message before it is read.
    m_strHeldStatus = status;
    if (!status.empty())
        SetStatusText(status, 0);
}

SearchGroup OrvaneFrame::CurrentGroup() const
{
    return {m_pChoiceLang->GetStringSelection(), m_pChoiceCategory->GetStringSelection()};
}

const wxArrayString& OrvaneFrame::RecentGroups() const
{
    return m_pPreference->m_arrRecentGroups;
}

void OrvaneFrame::FillLanguageChoice()
{
    wxArrayString languages;
    m_engineManager.GetLanguages(languages);
    FillChoice(m_pChoiceLang, languages, m_pPreference->m_nPreserveLangCategory > 0,
               m_pPreference->m_strLang);
}

void OrvaneFrame::FillCategoryChoice(const wxString& language)
{
    wxArrayString categories;
    m_engineManager.GetCategories(categories, language);
    FillChoice(m_pChoiceCategory, categories, m_pPreference->m_nPreserveLangCategory > 0,
               m_pPreference->m_strCategory);
}

void OrvaneFrame::OnEngineChanged()
{
    FillLanguageChoice();
    m_pPreference->m_strLang = m_pChoiceLang->GetStringSelection();
    FillCategoryChoice(m_pPreference->m_strLang);
    m_pPreference->m_strCategory = m_pChoiceCategory->GetStringSelection();

    if (m_nFirstNotify)
    {
        RebuildResultPages(m_pPreference->m_strLang, m_pPreference->m_strCategory);
        m_nFirstNotify = false;
    }
    else if ((m_engineManager.m_strCurLang.IsSameAs(m_pPreference->m_strLang, false) &&
              m_engineManager.m_strCurCategory.IsSameAs(m_pPreference->m_strCategory, false)) ||
             !m_browserManager.IsShowing(m_engineManager.GetEngines(
                 m_pPreference->m_strLang, m_pPreference->m_strCategory, false)))
    {
        // Tabs match languages without regard to case, and an engine may
        // have left the group on show: a page must never keep an engine the
        // catalogue has changed away or destroyed.
        RebuildResultPages(m_pPreference->m_strLang, m_pPreference->m_strCategory);
    }

    RefillEngineList();
    ShowEngineCount();
}

void OrvaneFrame::RemoveAllNotebookPages()
{
    for (size_t i = m_pNotebook->GetPageCount(); i > 0; --i)
    {
        if (!m_pNotebook->RemovePage(i - 1))
            wxMessageBox(_("false remove page!"), _("Confirm"), wxOK | wxCENTRE, nullptr);
    }
}

void OrvaneFrame::RebuildResultPages(const wxString& language, const wxString& category)
{
    wxWindowUpdateLocker frozen(m_pNotebook);
    RemoveAllNotebookPages();
    // A copy: the catalogue reuses the vector it returns for its next query.
    const EngineArray engines = m_engineManager.GetEngines(language, category, false);
    m_browserManager.SetEngines(engines);
    m_browserManager.ForEachPage([this](unsigned, ZulIeCtrl* page) {
        if (!page->m_bActive)
            return;
        m_pNotebook->AddPage(page, page->m_strEngineName, false, IMAGE_PAGE_BLANK);
        m_tabImages[page] = IMAGE_PAGE_BLANK;
        ConnectPageEvents(page);
    });
    ClearTabToolTips();
    // The summary was of pages no longer on show.
    ShowSummary(wxString());
    // The same panes as before, the pages dealt out in engine order.
    if (m_pPreference && m_pPreference->m_nPageLayout != 0)
        ArrangePages(false);
    m_browserManager.ShowStartPage();
}

void OrvaneFrame::ConnectPageEvents(ZulIeCtrl* page)
{
    const int id = page->GetId();
    if (std::find(m_connectedPageIds.begin(), m_connectedPageIds.end(), id) !=
        m_connectedPageIds.end())
        return;
    Bind(wxEVT_MSHTML_TITLE_CHANGE, &OrvaneFrame::OnPageTitleChange, this, id);
    Bind(wxEVT_MSHTML_STATUS_TEXT_CHANGE, &OrvaneFrame::OnPageStatusTextChange, this, id);
    Bind(wxEVT_MSHTML_DOCUMENT_COMPLETE, &OrvaneFrame::OnPageDocumentComplete, this, id);
    Bind(wxEVT_MSHTML_PROGRESS_CHANGE, &OrvaneFrame::OnPageProgressChange, this, id);
    m_connectedPageIds.push_back(id);
}

void OrvaneFrame::OnPageTitleChange(wxMSHTMLEvent& event)
{
    // Only the page on show names the window; the others say theirs when
    // turned to.
    ZulIeCtrl* page = CurrentPage();
    if (!page || page->GetId() != event.GetId())
        return;
    SetTitle(event.m_text + " - " + m_strAppTitle);
}

void OrvaneFrame::OnPageStatusTextChange(wxMSHTMLEvent& event)
{
    // Only the focused pane's page speaks in the status bar.
    ZulIeCtrl* current = CurrentPage();
    if (current && current->GetId() != event.GetId())
        return;
    if (m_strHeldStatus.empty())
        SetStatusText(ShownAddress::Decode(event.m_text), 0);
}

void OrvaneFrame::OnPageDocumentComplete(wxMSHTMLEvent& event)
{
    ZulIeCtrl* page = CurrentPage();
    if (m_strHeldStatus.empty() && (!page || page->GetId() == event.GetId()))
    {
        SetStatusText(ShownAddress::Decode(event.m_text), 0);
        // An offer read from this load before its notice came stays said.
        const auto offer = page && page->GetId() == event.GetId() ? m_pageOffers.find(page) : m_pageOffers.end();
        if (offer != m_pageOffers.end() && offer->second.read && !offer->second.link.empty() &&
            offer->second.loads == page->GetLoadCount())
            SetStatusText(OfferStatus(*page), 0);
    }
    if (m_idleReport.IsWanted())
    {
        m_idleReport.PageCompleted(event.GetId());
        // The view may still call itself busy inside its own notification.
        CallAfter(&OrvaneFrame::CheckReportIdle);
    }
}

void OrvaneFrame::OnPageProgressChange(wxMSHTMLEvent& event)
{
    // A late report of a load that has ended must not wipe the search's summary.
    bool loading = false;
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        bool busy = false;
        if (page->GetId() == event.GetId() && page->IsBusy(busy) && busy)
            loading = true;
    });
    if (loading)
        SetStatusText(wxString::Format("%d / %d", event.m_long1, event.m_long2), 1);
}

void OrvaneFrame::SetTabImage(ZulIeCtrl* page, int image)
{
    const int tab = m_pNotebook->GetPageIndex(page);
    if (tab == wxNOT_FOUND)
        return;
    // Each change repaints the tab row; skip the ticks that change nothing.
    auto known = m_tabImages.find(page);
    if (known != m_tabImages.end() && known->second == image)
        return;
    m_tabImages[page] = image;
    m_pNotebook->SetTabImage(tab, image);
}

void OrvaneFrame::SetAllTabImages(int image)
{
    for (size_t tab = 0; tab < m_pNotebook->GetPageCount(); ++tab)
    {
        if (auto* page = dynamic_cast<ZulIeCtrl*>(m_pNotebook->GetPage(tab)))
            SetTabImage(page, image);
    }
}

int OrvaneFrame::GetTabImage(size_t tab) const
{
    if (tab >= m_pNotebook->GetPageCount())
        return -1;
    auto known = m_tabImages.find(m_pNotebook->GetPage(tab));
    return known == m_tabImages.end() ? -1 : known->second;
}

void OrvaneFrame::SetSearchingState(bool searching)
{
    const bool idle = !searching;
    m_pMenuNewSearching->Enable(idle);
    m_pToolBar->EnableTool(ID_TOOL_CLEAR, idle);
    m_pChoiceLang->Enable(idle);
    m_pChoiceCategory->Enable(idle);
    m_pKeywordBox->Enable(idle);
    m_pMenuStartSearching->Enable(idle);
    m_pToolBar->EnableTool(ID_TOOL_START_SEARCH, idle);
    m_pMenuStopSearching->Enable(searching);
    m_pToolBar->EnableTool(ID_TOOL_STOP_SEARCH, searching);
    m_pEngineMgrPanel->Enable(idle && m_checks.empty());
    // The catalogue never changes during a search.
    m_pMenuImport->Enable(idle);
    UpdateAddThisEngine();
    m_pToolBar->Refresh(false);
    if (idle && !m_pendingCommands.empty())
        CallAfter(&OrvaneFrame::RunPendingCommands);
}

void OrvaneFrame::StartSearch()
{
    m_strHeldStatus.clear();
    m_nFocusChoiceId = -1;
    wxString typed = m_pKeywordBox->GetValue();
    typed.Trim(true).Trim(false);
    if (typed.empty())
        return;

    const ShortcutQuery::Result query = ShortcutQuery(m_engineManager).Parse(typed);
    wxString notes;
    for (const wxString& note : query.Notes(true))
        notes << (notes.empty() ? wxS("") : wxS("  ")) << note;
    // Shortcuts that leave nothing to search, or no page to search it in,
    // start nothing and keep the history as it was.
    if (query.HasShortcut() && (query.keyword.empty() || query.searched.empty()))
    {
        SetStatusText(notes, 0);
        return;
    }

    if (m_pSuggDlg && m_pSuggDlg->IsShown())
        m_pSuggDlg->Hide();

    // The history keeps the text as typed, so choosing it repeats the search.
    const int existing = m_pKeywordBox->FindString(typed, true);
    if (existing != wxNOT_FOUND)
        m_pKeywordBox->Delete(existing);
    m_pKeywordBox->Insert(typed, 0);
    m_pKeywordBox->SetSelection(0);
    m_pPreference->m_arrKeywords = m_pKeywordBox->GetStrings();

    if (query.HasShortcut())
        ShowGroup(query.language, query.category);

    m_strSummary.clear();
    m_strSummaryBase.clear();
    m_bSearchCountsInHealth = typed != PromptText();
    m_nSearching = 1;
    m_nSearchPending = 1;
    SetSearchingState(true);
    // Without a shortcut every active page searches; with one, only its
    // engines' pages, and the first engine's page is shown.
    const std::vector<const Engine*>* only = query.HasShortcut() ? &query.searched : nullptr;
    ZulIeCtrl* first = nullptr;
    m_nSearchTabs = 0;
    m_searchedPages.clear();
    m_summarized.clear();
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        if (!page->m_bActive ||
            (only && std::find(only->begin(), only->end(), page->m_pEngine) == only->end()))
            return;
        SetTabImage(page, IMAGE_LOADING_FIRST);
        ++m_nSearchTabs;
        m_searchedPages.push_back(page);
        if (page->m_pEngine)
            page->SetUsualLinks(m_pHealth->UsualLinks(*page->m_pEngine));
        if (only && page->m_pEngine == only->front())
            first = page;
    });
    // The pages on show load first.
    m_browserManager.SetCurrentPage(first ? first : CurrentPage());
    m_browserManager.SetShownPages(ShownPages());
    m_browserManager.Search(query.keyword, only);
    m_pResultsPane->NewSearch(query.keyword, m_pChoiceLang->GetStringSelection(),
                              m_pChoiceCategory->GetStringSelection());
    if (first)
    {
        const int tab = m_pNotebook->GetPageIndex(first);
        if (tab != wxNOT_FOUND)
            m_pNotebook->SetSelection(static_cast<size_t>(tab));
    }
    m_turnedPages.clear();
    DesktopQuery::NoteRecent(m_pPreference->m_arrRecentGroups, CurrentGroup());
    if (!notes.empty())
        SetStatusText(notes, 0);
}

void OrvaneFrame::ShowGroup(const wxString& language, const wxString& category)
{
    if (m_pChoiceLang->GetStringSelection().IsSameAs(language, false) &&
        m_pChoiceCategory->GetStringSelection().IsSameAs(category, false))
        return;
    const int lang = m_pChoiceLang->FindString(language, false);
    if (lang == wxNOT_FOUND)
        return;
    // As picking them in the two boxes would.
    m_pChoiceLang->SetSelection(lang);
    m_pPreference->m_strLang = m_pChoiceLang->GetStringSelection();
    FillCategoryChoice(m_pPreference->m_strLang);
    const int cat = m_pChoiceCategory->FindString(category, false);
    if (cat != wxNOT_FOUND)
        m_pChoiceCategory->SetSelection(cat);
    m_pPreference->m_strCategory = m_pChoiceCategory->GetStringSelection();
    RebuildResultPages(m_pPreference->m_strLang, m_pPreference->m_strCategory);
    RefillEngineList();
}

void OrvaneFrame::OnStartSearch(wxCommandEvent&)
{
    StartSearch();
}

void OrvaneFrame::OnStopSearch(wxCommandEvent&)
{
    m_nSearchPending = m_nSearching;
    m_nSearching = 0;
    m_browserManager.StopAll();
    SetSearchingState(false);
}

void OrvaneFrame::OnTimer(wxTimerEvent&)
{
    m_browserManager.ReleaseViews();
    // A search ends once every page also has its outcome, for the summary.
    bool probing = false;
    m_browserManager.ForEachPage([&](unsigned, ZulIeCtrl* page) {
        probing = probing || (page->m_bActive && page->IsProbing());
    });
    if (probing || m_browserManager.IsAnyBusy())
    {
        m_nSearching = 1;
        m_nSearchPending = 1;
        m_browserManager.ForEachPage([this](unsigned, ZulIeCtrl* page) {
            if (!page->m_bActive)
                return;
            bool busy = false;
            page->IsBusy(busy);
            busy = busy || page->IsProbing();
            SetTabImage(page, TabImageFor(page, busy));
            UpdateTabToolTip(page);
        });
        SetCursor(wxCursor(wxCURSOR_ARROWWAIT));
    }
    else
    {
        m_nSearching = 0;
        if (m_nSearchPending == 1)
        {
            m_nSearchPending = 0;
            SetSearchingState(false);
            m_browserManager.ForEachPage([this](unsigned, ZulIeCtrl* page) {
                if (page->m_bActive)
                    SetTabImage(page, TabImageFor(page, false));
            });
            SetCursor(wxCursor(wxCURSOR_ARROW));
            ShowOutcomeSummary();
        }
        m_browserManager.ForEachPage([this](unsigned, ZulIeCtrl* page) {
            if (page->m_bActive)
                UpdateTabToolTip(page);
        });
        // No progress figure of a load that has ended stays on show.
        // The results read after the end of the search join its summary.
        if (m_pStatusBar->GetStatusText(1) != m_strSummary || (!m_strSummaryBase.empty() &&
                                                               m_strSummary != m_strSummaryBase + m_pResultsPane->SummaryNote()))
            ShowSummary(m_strSummaryBase);
        FollowChangedOutcomes();
        UpdateAddThisEngine();
        CheckReportIdle();
    }

    if (!m_nVersionShown)
        RefreshStartPage();
}

void OrvaneFrame::CheckReportIdle()
{
    m_idleReport.Check(m_browserManager, IsShown());
}

void OrvaneFrame::OnPageChanged(wxAuiNotebookEvent& event)
{
    event.Skip();
    const int selection = event.GetSelection();
    if (selection < 0)
        return;
    m_nCurPage = selection;
    ZulIeCtrl* page = CurrentPage();
    if (!page)
        return;
    // Turned to while its search runs: it stays on show at the end.
    if (m_nSearchTabs > 0)
        m_turnedPages.insert(page);
    // A tab turned to before its view was made gets it now;
    // not the first tab selected while the window is built, which must show
    // before any view is made.
    if (IsShown())
        m_browserManager.CreateView(page);
    // A page still waiting for its search load starts now.
    m_browserManager.SetCurrentPage(page);
    if (m_strHeldStatus.empty())
        SetStatusText(ShownAddress::Decode(page->m_strPageUrl), 0);
    SetTitle(page->GetTitle() + " - " + m_strAppTitle);
    m_pNotebook->MarkFocusedPane();
    RetargetFindBar();
    UpdateAddThisEngine();
}

// Ctrl+Tab and Ctrl+Shift+Tab turn the focused pane's tabs, in their order
// on screen.
void OrvaneFrame::OnNextPage(wxCommandEvent&)
{
    if (m_pNotebook->AdvanceInPane(1))
        m_nCurPage = m_pNotebook->GetSelection();
}

void OrvaneFrame::OnPrevPage(wxCommandEvent&)
{
    if (m_pNotebook->AdvanceInPane(-1))
        m_nCurPage = m_pNotebook->GetSelection();
}

void OrvaneFrame::OnSelectLanguage(wxCommandEvent&)
{
    m_nFocusChoiceId = ID_CHOICE_LANG;
    m_pChoiceLang->SetFocus();
}

void OrvaneFrame::OnSelectCategory(wxCommandEvent&)
{
    m_nFocusChoiceId = ID_CHOICE_CATEGORY;
    m_pChoiceCategory->SetFocus();
}

void OrvaneFrame::OnLanguageChanged(wxCommandEvent&)
{
    const wxString language = m_pChoiceLang->GetStringSelection();
    if (language == m_pPreference->m_strLang)
        return;
    m_pPreference->m_strLang = language;
    FillCategoryChoice(language);
    m_pPreference->m_strCategory = m_pChoiceCategory->GetStringSelection();
    RebuildResultPages(language, m_pPreference->m_strCategory);
    RefillEngineList();
    if (m_nFocusChoiceId == ID_CHOICE_LANG)
        m_pChoiceLang->SetFocus();
}

void OrvaneFrame::OnCategoryChanged(wxCommandEvent&)
{
    const wxString category = m_pChoiceCategory->GetStringSelection();
    if (category == m_pPreference->m_strCategory)
        return;
    m_pPreference->m_strCategory = category;
    RebuildResultPages(m_pChoiceLang->GetStringSelection(), category);
    RefillEngineList();
    if (m_nFocusChoiceId == ID_CHOICE_CATEGORY)
        m_pChoiceCategory->SetFocus();
}

void OrvaneFrame::OnClearResult(wxCommandEvent&)
{
    m_pKeywordBox->SetValue(PromptText());
    RebuildResultPages(m_pPreference->m_strLang, m_pPreference->m_strCategory);
    m_pKeywordBox->SetFocus();
}

void OrvaneFrame::OnNewSearching(wxCommandEvent&)
{
    KeywordPrompt();
}

void OrvaneFrame::OnKeywordClick(wxMouseEvent& event)
{
    event.Skip();
    // After GTK has put the cursor where the click was.
    CallAfter(&OrvaneFrame::SelectPrompt);
}

void OrvaneFrame::SelectPrompt()
{
    if (m_pKeywordBox->GetValue() == PromptText())
        m_pKeywordBox->SelectAll();
}

void OrvaneFrame::KeywordPrompt()
{
    // Not typing: no suggestions for the prompt, and a held message (the
    // layout's note at start-up) stays.
    if (m_pKeywordBox->GetValue().empty())
        m_pKeywordBox->ChangeValue(PromptText());
    m_pKeywordBox->SetFocus();
}

void OrvaneFrame::SaveOnClose()
{
    if (!m_engineManager.Save())
    {
        wxMessageBox(wxString::Format(_("The search engine list could not be saved to \"%s\"."),
                                      m_engineManager.GetFileName()),
                     _("Orvane"), wxOK | wxICON_ERROR | wxCENTRE, nullptr);
    }

    if (m_pPreference)
    {
        {
            WindowGeometry geometry(*this);
            m_pPreference->SaveFrameGeometry(geometry);
        }
        m_pPreference->m_arrKeywords = m_pKeywordBox->GetStrings();
        m_pPreference->m_strLang = m_pChoiceLang->GetStringSelection();
        m_pPreference->m_strCategory = m_pChoiceCategory->GetStringSelection();
        m_pResultsPane->SaveLayout(*m_pPreference);
        m_pPreference->Save();
    }
}
