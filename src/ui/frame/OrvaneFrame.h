#pragma once

#include "pages/BrowserManager.h"
#include "pages/BrowserObserver.h"
#include "about/CheckVerThread.h"
#include "instance/CommandLine.h"
#include "instance/EngineCommand.h"
#include "instance/DesktopQuery.h"
#include "engines/DescriptionFetcher.h"
#include "catalogue/EngineManager.h"
#include "catalogue/EngineObserver.h"
#include "exchange/BrowserProfiles.h"
#include "pages/IdleReport.h"
#include "WebDownloads.h"
#include "outcome/EngineHealth.h"

#include <wx/frame.h>
#include <wx/thread.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include <functional>
#include <memory>
#include <map>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

class wxAuiManager;
class wxAuiManagerEvent;
class wxAuiNotebookEvent;
class wxAuiToolBar;
class wxButton;
class wxWebView;
class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxImageList;
class CatalogueCheck;
class wxListCtrl;
class wxListEvent;
class wxMenu;
class wxMenuItem;
class wxPanel;
class wxStaticLine;
class wxStatusBar;
class DeferredStatusBar;
class wxMSHTMLEvent;
class VersionCheckLink;
class EngineImport;
class Preference;
class ResultNotebook;
class ResultsPane;
class SuggDlg;
class FindBar;
class NoticeBar;
class WebDownloads;
class wxKeyEvent;
enum class PageLayout;

// The program's single main window. Its implementation is split by concern:
//   OrvaneFrame.cpp           construction, layout, menus, commands
//   OrvaneFrameSearch.cpp     choices, result pages, search flow, closing
//   OrvaneFrameEngines.cpp    the engine manager panel
//   OrvaneFrameStartPage.cpp  version check, start page, settings/About/update commands
//   OrvaneFrameSuggest.cpp    keyword-change handling for the suggestion pop-up
//   OrvaneFramePages.cpp      the pages as a browser: failures, find, zoom, tab menu, downloads
//   OrvaneFrameLayout.cpp     the pages side by side: layouts, the focused pane, scrolling together
class OrvaneFrame : public wxFrame, public EngineObserver, public BrowserObserver
{
public:
    OrvaneFrame(wxWindow* parent, wxWindowID id = wxID_ANY);
    ~OrvaneFrame() override;
    // Closing stops the busy timer; while a page's markup is being read the
    // window goes only once the read has returned (see ReadMarkup).
    bool Destroy() override;

    void OnEngineChanged() override;
    void OnBrowserNotify() override {}

    // Searches for a keyword as if typed into the keyword box and Enter pressed.
    void SearchFor(const wxString& keyword);

    // Searches from outside the window (the desktop's search providers):
    // switches to `group` when it still has enabled engines, then searches.
    void SearchInGroup(const SearchGroup& group, const wxString& keyword);
    // The keyword box focused with its text selected, ready to type over;
    // `status`, if any, shown in the status bar.
    void FocusKeywordBox(const wxString& status = wxString());
    SearchGroup CurrentGroup() const;
    const EngineManager& Catalogue() const { return m_engineManager; }
    // The groups searched last, most recent first (DesktopQuery::NoteRecent).
    const wxArrayString& RecentGroups() const;

    // A command of the command line handed over by a later start, run
    // against this window's catalogue and current group. An import waits
    // while a search runs; `start`, if given, is asked right before the
    // command runs and drops it (with no `done`) when it says no; `done` is
    // called once, on the GUI thread.
    using CommandDone = std::function<void(const EngineCommand::Reply&)>;
    void RunCommand(const CommandLine& command, CommandDone done,
                    std::function<bool()> start = {});

    // Identifiers, allocated once at program load.
    static const long ID_TOOL_BACK;
    static const long ID_TOOL_FORWARD;
    static const long ID_TOOL_REFRESH;
    static const long ID_TOOL_STOPIE;
    static const long ID_CHOICE_LANG;
    static const long ID_CHOICE_CATEGORY;
    static const long ID_TOOL_ENGINE_MGR;
    static const long ID_TOOL_CLEAR;
    static const long ID_COMBOBOX_KEYWORD;
    static const long ID_TOOL_START_SEARCH;
    static const long ID_TOOL_STOP_SEARCH;
    static const long ID_TOOL_SETTING;
    static const long ID_TOOL_FULLSCREEN;
    static const long ID_NOTEBOOK_IE;
    static const long ID_PANEL_ENGINE_MGR;
    static const long ID_LISTCTRL_ENGINE;
    static const long ID_CHECKBOX_SHOWALL;
    static const long ID_STATICLINE1;
    static const long ID_STATICLINE2;
    static const long ID_BUTTON_ADD;
    static const long ID_BUTTON_EDIT;
    static const long ID_BUTTON_DELETE;
    static const long ID_BUTTON_COPY;
    static const long ID_BUTTON_ENABLE;
    static const long ID_STATUSBAR1;
    static const long ID_TIMER;
    static const long ID_MENU_QUIT;
    static const long ID_MENU_BACK;
    static const long ID_MENU_FORWARD;
    static const long ID_MENU_REFRESH;
    static const long ID_MENU_STOPIE;
    static const long ID_MENU_SELECT_LANG;
    static const long ID_MENU_SELECT_CATEGORY;
    static const long ID_MENU_NEW_SEARCHING;
    static const long ID_MENU_START_SEARCH;
    static const long ID_MENU_STOP_SEARCH;
    static const long ID_MENU_NEXT_PAGE;
    static const long ID_MENU_PREV_PAGE;
    static const long ID_MENU_NEXT_ATTENTION;
    static const long ID_MENU_ENGINE_MGR;
    static const long ID_MENU_FULLSCREEN;
    static const long ID_MENU_SETTING;
    static const long ID_MENU_UI_LANGUAGE;
    static const long ID_MENU_CHECK_UPDATE;
    static const long ID_MENU_ABOUT;
    static const long ID_MENU_IMPORT;
    static const long ID_MENU_EXPORT;
    static const long ID_MENU_EXPORT_RESULTS;
    static const long ID_MENU_ALL_RESULTS;
    static const long ID_MENU_ADD_THIS_ENGINE;
    static const long ID_MENU_FIND;
    static const long ID_MENU_ZOOM_IN;
    static const long ID_MENU_ZOOM_OUT;
    static const long ID_MENU_ZOOM_RESET;
    static const long ID_MENU_TAB_RELOAD;
    static const long ID_MENU_TAB_OPEN_OUTSIDE;
    static const long ID_MENU_TAB_COPY_ADDRESS;
    static const long ID_MENU_LAYOUT_SINGLE;
    static const long ID_MENU_LAYOUT_TWO;
    static const long ID_MENU_LAYOUT_THREE;
    static const long ID_MENU_LAYOUT_FOUR;
    static const long ID_MENU_SCROLL_TOGETHER;

    // Image list indexes.
    enum
    {
        IMAGE_ENGINE_ENABLED = 0,
        IMAGE_ENGINE_DISABLED = 1,
        IMAGE_PAGE_BLANK = 2,
        IMAGE_PAGE_COMPLETED = 3,
        IMAGE_LOADING_FIRST = 4,
        IMAGE_LOADING_LAST = 7,
        IMAGE_PAGE_FAILED = 8,
        IMAGE_PAGE_EMPTY = 9,
        IMAGE_PAGE_BOTCHECK = 10,
        IMAGE_PAGE_CONSENT = 11,
        IMAGE_PAGE_HTTPERROR = 12
    };
    // The engine list's Health column follows the catalogue's columns.
    static const int ENGINE_COLUMN_HEALTH = 8;

private:
    // The GUI tests look inside through this fixture.
    friend class OrvaneFrameAccess;

    // --- Owned by value ---
    EngineManager m_engineManager;
    BrowserManager m_browserManager;
    wxTimer m_timer;
    wxString m_strLatestVersion;
    wxMutex m_verMutex;
    // Shared with the version-check worker; detached when the frame goes away.
    std::shared_ptr<VersionCheckLink> m_pVersionLink;
    std::unique_ptr<CheckVerThread> m_pVersionThread;  // joined when the window goes
    std::vector<int> m_connectedPageIds;
    wxString m_strAppTitle;
    IdleReport m_idleReport;
    // A message the pages' own status texts leave alone until the person
    // types or searches (FocusKeywordBox).
    wxString m_strHeldStatus;
    // The note that the layout does not fit, taken back when it fits again
    // unless another message has replaced it.
    wxString m_strLayoutNote;

    // --- Held by pointer ---
    Preference* m_pPreference = nullptr;
    SuggDlg* m_pSuggDlg = nullptr;
    std::unique_ptr<wxImageList> m_pImageList;
    std::unique_ptr<wxAuiManager> m_pAuiManager;
    ResultNotebook* m_pNotebook = nullptr;
    wxAuiToolBar* m_pToolBar = nullptr;
    DeferredStatusBar* m_pStatusBar = nullptr;
    wxMenuItem* m_pMenuNewSearching = nullptr;
    wxMenuItem* m_pMenuStartSearching = nullptr;
    wxMenuItem* m_pMenuStopSearching = nullptr;
    wxMenuItem* m_pMenuImport = nullptr;
    wxMenuItem* m_pMenuAddThisEngine = nullptr;
    wxChoice* m_pChoiceLang = nullptr;
    wxChoice* m_pChoiceCategory = nullptr;
    wxComboBox* m_pKeywordBox = nullptr;
    wxPanel* m_pEngineMgrPanel = nullptr;
    ResultsPane* m_pResultsPane = nullptr;
    wxString m_strSummaryBase;  // the summary without the results pane's note
    wxListCtrl* m_pEngineList = nullptr;
    wxCheckBox* m_pCheckShowAll = nullptr;
    // The engine manager's button column, scrolled when the pane is lower.
    wxWindow* m_pEngineButtons = nullptr;
    // Above the editing buttons, and between them and the ordering buttons.
    wxStaticLine* m_pEditButtonsLine = nullptr;
    wxStaticLine* m_pOrderButtonsLine = nullptr;
    wxButton* m_pButtonAdd = nullptr;
    wxButton* m_pButtonEdit = nullptr;
    wxButton* m_pButtonDelete = nullptr;
    wxButton* m_pButtonCopy = nullptr;
    wxButton* m_pButtonEnable = nullptr;
    wxButton* m_pButtonUp = nullptr;
    wxButton* m_pButtonDown = nullptr;

    // --- State ---
    Engine* m_pSelectedEngine = nullptr;
    int m_nSearching = 0;
    int m_nSearchPending = 0;
    int m_nSortColumn = 5;
    bool m_nSortAscending = false;
    bool m_nShowAll = false;
    int m_nCurPage = 0;
    int m_nFocusChoiceId = -1;
    bool m_nFirstNotify = true;
    bool m_nVersionShown = false;
    // The image shown on each tab (the notebook cannot report it).
    std::map<const wxWindow*, int> m_tabImages;
    // The load and verdict counts, and the state, each tab's tooltip was
    // written for.
    enum class TabTipState
    {
        Loaded,
        Loading,
        Stopped
    };
    using TabTipKey = std::tuple<unsigned, unsigned, TabTipState>;
    std::map<const wxWindow*, TabTipKey> m_tabLoadCounts;
    // From Start search until its pages have finished: the number of tabs
    // searched, for the outcome summary, and those pages.
    int m_nSearchTabs = 0;
    std::vector<const wxWindow*> m_searchedPages;
    // The outcomes the last summary counted: a page whose outcome changes
    // afterwards (a check passed in place) updates the summary and Health.
    std::map<const wxWindow*, PageOutcome> m_summarized;
    // Each engine's recent outcomes, for the engine list and the classifier.
    std::unique_ptr<EngineHealth> m_pHealth;
    FindBar* m_pFindBar = nullptr;
    NoticeBar* m_pNoticeBar = nullptr;
    // Closed by the person while a download ran: progress no longer shows it.
    bool m_bNoticeBarClosed = false;
    std::unique_ptr<WebDownloads> m_pDownloads;

    // --- OrvaneFrame.cpp: layout and commands ---
    void BuildNotebook();
    void BuildToolBar();
    void BuildEngineManagerPanel();
    void BuildMenuBar();
    void BuildStatusBar();
    void BuildImageList();
    void BindCommands();
    void OnBack(wxCommandEvent& event);
    void OnForward(wxCommandEvent& event);
    void OnRefresh(wxCommandEvent& event);
    void OnStopIE(wxCommandEvent& event);
    void OnToggleEngineManager(wxCommandEvent& event);
    void OnPaneClose(wxAuiManagerEvent& event);
    void OnFullScreen(wxCommandEvent& event);
    void OnQuit(wxCommandEvent& event);
    void OnUILanguage(wxCommandEvent& event);
    void OnSize(wxSizeEvent& event);
    // A small window: a narrower keyword box, tools in the toolbar's
    // overflow menu, and a lower engine manager.
    void FitPanesToWindow();
    static constexpr int KeywordWidth = 400;
    static constexpr int MinKeywordWidth = 160;
    static constexpr int EnginePaneWidth = 600;
    static constexpr int EnginePaneHeight = 256;
    int m_nToolBarOtherWidth = 0;
    // GTK menus cannot carry Ctrl+Tab accelerators: Next/Previous Page keys.
    void OnCharHook(wxKeyEvent& event);
    // Whether the key was typed inside a result page.
    bool KeyFromPage(const wxKeyEvent& event) const;
    // Tab and Shift+Tab through the stops a person can use, in turn.
    std::vector<wxWindow*> TabStops();
    bool MoveTabFocus(const wxKeyEvent& event);
    // Runs the menu command whose key this is; true when there is one.
    bool RunMenuKey(const wxKeyEvent& event);
    void SetToolHighlighted(long toolId, bool highlighted);
    // The page on the selected tab, or null when there is none.
    ZulIeCtrl* CurrentPage();

    // --- OrvaneFrameSearch.cpp: search flow ---
    void FillLanguageChoice();
    void FillCategoryChoice(const wxString& language);
    void RebuildResultPages(const wxString& language, const wxString& category);
    void RemoveAllNotebookPages();
    void ConnectPageEvents(ZulIeCtrl* page);
    // Shows an image-list picture on the page's tab (if the page is on one).
    void SetTabImage(ZulIeCtrl* page, int image);
    void SetAllTabImages(int image);
    // The image shown on a tab, or -1.
    int GetTabImage(size_t tab) const;
    void SetSearchingState(bool searching);
    void StartSearch();
    // Shows a language and category (matched without regard to case) as
    // choosing them in the boxes would; nothing when they are on show.
    void ShowGroup(const wxString& language, const wxString& category);
    void OnStartSearch(wxCommandEvent& event);
    void OnStopSearch(wxCommandEvent& event);
    void OnTimer(wxTimerEvent& event);
    void OnPageChanged(wxAuiNotebookEvent& event);
    void OnNextPage(wxCommandEvent& event);
    void OnPrevPage(wxCommandEvent& event);
    void OnSelectLanguage(wxCommandEvent& event);
    void OnSelectCategory(wxCommandEvent& event);
    void OnLanguageChanged(wxCommandEvent& event);
    void OnCategoryChanged(wxCommandEvent& event);
    void OnClearResult(wxCommandEvent& event);
    void OnNewSearching(wxCommandEvent& event);
    void KeywordPrompt();
    static wxString PromptText();
    // A click into the prompt selects it all, as the keyboard's focus does,
    // so that the first key typed replaces it.
    void OnKeywordClick(wxMouseEvent& event);
    void SelectPrompt();
    // The prompt left in place is searched for, but says nothing of the
    // engines: its outcomes stay out of their health.
    bool m_bSearchCountsInHealth = true;
    void OnPageTitleChange(wxMSHTMLEvent& event);
    void OnPageStatusTextChange(wxMSHTMLEvent& event);
    void OnPageDocumentComplete(wxMSHTMLEvent& event);
    void OnPageProgressChange(wxMSHTMLEvent& event);
    void CheckReportIdle();
    void SaveOnClose();

    // --- OrvaneFrameEngines.cpp: engine manager panel ---
    void BindEngineManagerEvents();
    void RefillEngineList();
    void SetEngineButtonStates(bool hasSelection);
    // Takes the selected engine and the buttons' state from the list.
    void SyncEngineSelection();
    void ShowEngineCount();
    void KeepUserChoices();
    void OnEngineSelected(wxListEvent& event);
    void OnEngineDeselected(wxListEvent& event);
    void OnEngineColumnClick(wxListEvent& event);
    // Sorts the engine list by a column; the user's selection is the caller's.
    void SortEngineRows(int column, bool descending);
    void OnShowAll(wxCommandEvent& event);
    void OnAddEngine(wxCommandEvent& event);
    void OnEditEngine(wxCommandEvent& event);
    void OnCopyEngine(wxCommandEvent& event);
    void OnDeleteEngine(wxCommandEvent& event);
    void OnEnableEngine(wxCommandEvent& event);
    void OnEngineUp(wxCommandEvent& event);
    void OnEngineDown(wxCommandEvent& event);

    // --- OrvaneFrameStartPage.cpp: version check, start page, small dialogs ---
    void StartVersionCheck();
    void StopVersionCheck();
    // Called by the version-check worker, on its own thread.
    void SetLatestVersion(const wxString& version);
    // Called on the GUI thread: builds the start page once a version has arrived.
    void RefreshStartPage();
    void BuildStartPage();
    void LoadStartPageTemplate();
    void OnSetting(wxCommandEvent& event);
    void OnCheckUpdate(wxCommandEvent& event);
    void OnAbout(wxCommandEvent& event);
    // Loads one of our own pages into the result page on show.
    bool ShowOwnPage(const wxString& address);
    static wxString s_strPageText;

    // --- OrvaneFramePages.cpp: the pages as a browser ---
    void BuildPageBars();
    void SetUpDownloads();
    // Whether a download a page started on its own may be saved; asked
    // over the tab that started it.
    bool AskSaveDownload(const WebDownloads::Question& question);
    // Ctrl+F, Ctrl+G, Ctrl+Shift+G, zoom keys, Escape; true when handled.
    bool HandlePageKey(wxKeyEvent& event);
    // Made on first use.
    FindBar* GetFindBar();
    NoticeBar* GetNoticeBar();
    bool IsFindBarShown() const;
    void ShowFindBar();
    void HideFindBar();
    void RetargetFindBar();
    // direction > 0 zooms in, < 0 out, 0 back to 100%.
    void ZoomCurrentPage(int direction);
    // The tab's image for a page: failed pages show it whether busy or not.
    int TabImageFor(ZulIeCtrl* page, bool busy);
    void UpdateTabToolTip(ZulIeCtrl* page);
    void FollowChangedOutcomes();
    // Rebuilt pages say nothing of their loads before.
    void ClearTabToolTips();
    // At a search's end: the outcome summary, and the outcomes into the health.
    void ShowOutcomeSummary();
    void OnNextAttention(wxCommandEvent& event);
    void OnEngineListMotion(wxMouseEvent& event);
    // The engine list's column headings (a window of the generic list), and
    // the Health heading's legend in its tooltip.
    wxWindow* EngineListHeader() const;
    void OnEngineHeaderMotion(wxMouseEvent& event);
    // Writes the health file; engines gone from the catalogue lose their history.
    void SaveHealth();
    // The search's summary in the progress field, which stays until the
    // next search or rebuild: a later load's progress gives way to it again.
    void ShowSummary(const wxString& summary);
    wxString m_strSummary;
    // Widens the progress field to its text (a summary) as far as the window
    // allows, leaving the page's text in the first field room of its own.
    void FitStatusFields();
    static constexpr int ProgressFieldWidth = 128;
    static constexpr int CountFieldWidth = 128;
    static constexpr int SizeFieldWidth = 192;
    static constexpr int MinPageTextWidth = 160;
    void ShowNotice(const wxString& text, bool problem);
    void ShowNoticeBar();
    // Reload, Open in Default Browser and Copy Address for the current page.
    void AppendPageCommands(wxMenu& menu);
    void OnTabReload(wxCommandEvent& event);
    void OnTabOpenOutside(wxCommandEvent& event);
    void OnTabCopyAddress(wxCommandEvent& event);

    // --- OrvaneFrameLayout.cpp: the pages side by side ---
    void AppendLayoutMenu(wxMenu* viewMenu);
    void OnLayout(wxCommandEvent& event);
    void OnScrollTogether(wxCommandEvent& event);
    // Lays the pages out as the person chose, in fewer panes when the
    // window is too small for it (and says so); the page on show gets the
    // first pane, or with `fromCurrent` false the first engine's.
    void ArrangePages(bool fromCurrent);
    // After a resize of the window or of the pages' room (the engine
    // manager shown or hidden): more or fewer panes when the fit has
    // changed, the panes' shares of the new size otherwise.
    void CheckLayoutFits();
    void QueueLayoutCheck();
    wxSize m_arrangedSize;
    // At a search's end, each pane showing a failed or empty page turns to
    // its next page with results, unless the person turned to that page.
    void TurnPanesToResults();
    std::set<const wxWindow*> m_turnedPages;
    // Ctrl+1 ... Ctrl+9: true when handled.
    bool HandlePaneKey(wxKeyEvent& event);
    // The pages on show in every pane, the current one first.
    std::vector<ZulIeCtrl*> ShownPages();
    PageLayout m_shownLayout{};
    bool m_bLayoutCheckQueued = false;
    // Scroll Together: the pages on show are read every tick; one that has
    // moved since the last reading sets the others to its place.
    void UpdateScrollTimer();
    void OnScrollTimer(wxTimerEvent& event);
    void OnScrollRead(ZulIeCtrl* page, double fraction);
    wxTimer m_scrollTimer;
    // Each scrollable page's last reading, and the load it was read in; a
    // page that cannot scroll has none, and is neither followed nor moved.
    struct ScrollSeen
    {
        double fraction = 0;
        unsigned loads = 0;
    };
    std::map<const wxWindow*, ScrollSeen> m_scrollSeen;

    // --- OrvaneFrameSuggest.cpp: suggestion pop-up ---
    void CreateSuggestionPopup();
    void OnKeywordChanged(wxCommandEvent& event);

    // --- OrvaneFrameImport.cpp: import, export, Add This Engine, tab menu ---
    void BindImportCommands();
    // The browsers' profiles are found and counted on a worker: a slow or
    // hostile profile never freezes the window. The source chooser follows.
    void OnImportEngines(wxCommandEvent& event);
    void OnProfilesRead(wxThreadEvent& event);
    // The chosen profile's engines are read on the worker too; the import
    // dialog follows.
    void ReadProfileEngines(const BrowserProfiles::Profile& profile);
    void OnProfileEnginesRead(wxThreadEvent& event);
    void StopProfileReader();
    // The import and export choosers open in the last folder used.
    static wxString ChooserFolder();
    static void KeepChooserFolder(const wxString& folder);
    void OnExportEngines(wxCommandEvent& event);
    void OnAddThisEngine(wxCommandEvent& event);
    void OnTabRightUp(wxAuiNotebookEvent& event);
    // The tabs' context menu; acts on the current page.
    void FillTabMenu(wxMenu& menu);
    // Reads the files and runs the import dialog for what they hold.
    size_t ImportFiles(const wxArrayString& paths);
    // Shows what the import found; adds the ticked engines (one
    // notification) and returns how many.
    size_t RunImportDialog(EngineImport& import);
    // The OpenSearch description the current page advertises, or "".
    wxString DescriptionLinkOfCurrentPage();
    // The same, read once per load of the page (the first read of a page
    // that offers one says so in the status bar).
    wxString OfferOfCurrentPage();
    // "Add This Engine..." is enabled only for a page that offers one.
    void UpdateAddThisEngine();
    struct PageOffer
    {
        unsigned loads = 0;
        bool read = false;
        wxString link;
    };
    std::map<const wxWindow*, PageOffer> m_pageOffers;
    wxString OfferStatus(ZulIeCtrl& page);
    bool m_bReadingOffer = false;
    // Reading a page's markup runs the toolkit's loop, whose idle time
    // deletes a window that was closed: a close meanwhile waits for the read.
    wxString ReadMarkup(wxWebView* view);
    int m_nMarkupReads = 0;
    bool m_bClosing = false;
    bool m_bDestroyAfterRead = false;
    // Fetches a description in the background and opens the import dialog.
    void FetchDescription(const wxString& url);
    void OnDescriptionFetched(const wxString& url, const DescriptionFetch::Result& result);
    std::unique_ptr<DescriptionFetcher> m_pDescriptionFetcher;
    // Imports handed over during a search, run when it ends (or at close).
    struct PendingCommand
    {
        CommandLine command;
        CommandDone done;
        std::function<bool()> start;
    };
    std::vector<PendingCommand> m_pendingCommands;
    // Joined before the window goes; it reports by a queued thread event.
    std::thread m_profileReader;
    bool m_bReadingProfiles = false;
    static const long ID_PROFILE_ENGINES_READ;
    EngineCommand::Reply RunCommandNow(const CommandLine& command);
    void RunPendingCommands();
    // --check runs in views of its own while the window goes on; the
    // catalogue holds still (imports wait) until every check has answered.
    void StartCheck(const CommandLine& command, CommandDone done);
    void DropFinishedChecks();
    std::vector<std::unique_ptr<CatalogueCheck>> m_checks;
};
