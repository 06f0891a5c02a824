// The main window's construction, layout and its small commands.
// The search flow and closing live in OrvaneFrameSearch.cpp.
#include "results/ResultsPane.h"
#include "frame/OrvaneFrame.h"

#include "common/DeferredStatusBar.h"
#include "common/DialogFont.h"
#include "pages/FindBar.h"
#include "pages/NoticeBar.h"
#include "frame/KeywordDropTarget.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"
#include "pages/CatalogueCheck.h"
#include "pages/ResultNotebook.h"
#include "suggest/SuggDlg.h"
#include "settings/UILanguage.h"
#include "WebDownloads.h"
#include "WebSession.h"
#include "frame/WindowGeometry.h"
#include "pages/ZulIeCtrl.h"

#include <wx/aui/auibook.h>
#include <wx/aui/aui.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/dcclient.h>
#include <wx/imaglist.h>
#include <wx/listctrl.h>
#include <wx/log.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/scrolwin.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/statusbr.h>
#include <wx/utils.h>
#include <wx/webview.h>

#include <algorithm>

#ifdef __WXGTK3__
#include <gtk/gtk.h>
#endif

#define ORVANE_DEFINE_ID(name) const long OrvaneFrame::name = wxNewId()
ORVANE_DEFINE_ID(ID_TOOL_BACK);
ORVANE_DEFINE_ID(ID_TOOL_FORWARD);
ORVANE_DEFINE_ID(ID_TOOL_REFRESH);
ORVANE_DEFINE_ID(ID_TOOL_STOPIE);
ORVANE_DEFINE_ID(ID_CHOICE_LANG);
ORVANE_DEFINE_ID(ID_CHOICE_CATEGORY);
ORVANE_DEFINE_ID(ID_TOOL_ENGINE_MGR);
ORVANE_DEFINE_ID(ID_TOOL_CLEAR);
ORVANE_DEFINE_ID(ID_COMBOBOX_KEYWORD);
ORVANE_DEFINE_ID(ID_TOOL_START_SEARCH);
ORVANE_DEFINE_ID(ID_TOOL_STOP_SEARCH);
ORVANE_DEFINE_ID(ID_TOOL_SETTING);
ORVANE_DEFINE_ID(ID_TOOL_FULLSCREEN);
ORVANE_DEFINE_ID(ID_NOTEBOOK_IE);
ORVANE_DEFINE_ID(ID_PANEL_ENGINE_MGR);
ORVANE_DEFINE_ID(ID_LISTCTRL_ENGINE);
ORVANE_DEFINE_ID(ID_CHECKBOX_SHOWALL);
ORVANE_DEFINE_ID(ID_STATICLINE1);
ORVANE_DEFINE_ID(ID_STATICLINE2);
ORVANE_DEFINE_ID(ID_BUTTON_ADD);
ORVANE_DEFINE_ID(ID_BUTTON_EDIT);
ORVANE_DEFINE_ID(ID_BUTTON_DELETE);
ORVANE_DEFINE_ID(ID_BUTTON_COPY);
ORVANE_DEFINE_ID(ID_BUTTON_ENABLE);
ORVANE_DEFINE_ID(ID_STATUSBAR1);
ORVANE_DEFINE_ID(ID_TIMER);
ORVANE_DEFINE_ID(ID_MENU_QUIT);
ORVANE_DEFINE_ID(ID_MENU_BACK);
ORVANE_DEFINE_ID(ID_MENU_FORWARD);
ORVANE_DEFINE_ID(ID_MENU_REFRESH);
ORVANE_DEFINE_ID(ID_MENU_STOPIE);
ORVANE_DEFINE_ID(ID_MENU_SELECT_LANG);
ORVANE_DEFINE_ID(ID_MENU_SELECT_CATEGORY);
ORVANE_DEFINE_ID(ID_MENU_NEW_SEARCHING);
ORVANE_DEFINE_ID(ID_MENU_START_SEARCH);
ORVANE_DEFINE_ID(ID_MENU_STOP_SEARCH);
ORVANE_DEFINE_ID(ID_MENU_NEXT_PAGE);
ORVANE_DEFINE_ID(ID_MENU_PREV_PAGE);
ORVANE_DEFINE_ID(ID_MENU_NEXT_ATTENTION);
ORVANE_DEFINE_ID(ID_MENU_ENGINE_MGR);
ORVANE_DEFINE_ID(ID_MENU_FULLSCREEN);
ORVANE_DEFINE_ID(ID_MENU_SETTING);
ORVANE_DEFINE_ID(ID_MENU_UI_LANGUAGE);
ORVANE_DEFINE_ID(ID_MENU_CHECK_UPDATE);
ORVANE_DEFINE_ID(ID_MENU_ABOUT);
ORVANE_DEFINE_ID(ID_MENU_IMPORT);
ORVANE_DEFINE_ID(ID_PROFILE_ENGINES_READ);
ORVANE_DEFINE_ID(ID_MENU_EXPORT);
ORVANE_DEFINE_ID(ID_MENU_EXPORT_RESULTS);
ORVANE_DEFINE_ID(ID_MENU_ALL_RESULTS);
ORVANE_DEFINE_ID(ID_MENU_ADD_THIS_ENGINE);
ORVANE_DEFINE_ID(ID_MENU_FIND);
ORVANE_DEFINE_ID(ID_MENU_ZOOM_IN);
ORVANE_DEFINE_ID(ID_MENU_ZOOM_OUT);
ORVANE_DEFINE_ID(ID_MENU_ZOOM_RESET);
#undef ORVANE_DEFINE_ID

namespace
{
const wxColour kImageMaskColour(15, 0, 0);

// Pictures are looked up in the program folder, whatever the working
// directory. A missing file is reported by the toolkit's log; the caller gets
// an invalid bitmap and decides what stands in for it.
wxBitmap LoadPicture(const wxString& path)
{
    wxBitmap bitmap;
    bitmap.LoadFile(ProgramFolder::File(path), wxBITMAP_TYPE_ANY);
    return bitmap;
}

// A fully transparent 16 x 16 picture: keeps a tool or an image-list slot in
// place when its file is missing, so the image indexes stay meaningful.
wxBitmap BlankPicture()
{
    wxImage image(16, 16);
    image.InitAlpha();
    memset(image.GetAlpha(), 0, 16 * 16);
    return wxBitmap(image);
}

wxBitmap ToolPicture(const wxString& path)
{
    wxBitmap bitmap = LoadPicture(path);
    return bitmap.IsOk() ? bitmap : BlankPicture();
}

// GTK's default buttons are too tall for the panel's button column to fit
// in the pane's minimum height; trim their vertical padding.
void MakeCompact(wxWindow* window)
{
#ifdef __WXGTK3__
    static GtkCssProvider* provider = [] {
        GtkCssProvider* css = gtk_css_provider_new();
        gtk_css_provider_load_from_data(
            css, "button { padding-top: 2px; padding-bottom: 2px; min-height: 0; }", -1, nullptr);
        return css;
    }();
    gtk_style_context_add_provider(gtk_widget_get_style_context(window->GetHandle()),
                                   GTK_STYLE_PROVIDER(provider),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    window->InvalidateBestSize();
#else
    wxUnusedVar(window);
#endif
}

#ifdef __WXGTK3__
// Runs after the window's draw handler, so the first frame is complete.
gboolean ReleaseViewsAfterDraw(GtkWidget* widget, cairo_t*, gpointer data)
{
    g_signal_handlers_disconnect_by_func(widget, reinterpret_cast<gpointer>(ReleaseViewsAfterDraw), data);
    static_cast<BrowserManager*>(data)->ReleaseViews();
    return FALSE;
}
#endif

wxMenuItem* AppendItem(wxMenu* menu, long id, const wxString& label, const wxString& help,
                       const wxString& picture = wxString())
{
    auto* item = new wxMenuItem(menu, id, label, help, wxITEM_NORMAL);
    if (!picture.empty())
    {
        wxBitmap bitmap = LoadPicture(picture);
        if (bitmap.IsOk())
            item->SetBitmap(bitmap);
    }
    menu->Append(item);
    return item;
}

// Shows Ctrl+Tab beside a menu item: GTK cannot bind it to menus, and the
// frame's key handling does the work.
void ShowCtrlTabHint(wxMenuItem* item, bool shift)
{
#ifdef __WXGTK3__
    GtkWidget* widget = item->GetMenuItem();
    GtkWidget* label = widget ? gtk_bin_get_child(GTK_BIN(widget)) : nullptr;
    if (label && GTK_IS_ACCEL_LABEL(label))
        gtk_accel_label_set_accel(
            GTK_ACCEL_LABEL(label), GDK_KEY_Tab,
            GdkModifierType(GDK_CONTROL_MASK | (shift ? GDK_SHIFT_MASK : 0)));
#else
    (void)item;
    (void)shift;
#endif
}
} // namespace

OrvaneFrame::OrvaneFrame(wxWindow* parent, wxWindowID id)
    : wxFrame(parent, id, _("Orvane"), wxDefaultPosition, wxDefaultSize, wxDEFAULT_FRAME_STYLE,
              "wxID_ANY"),
      m_strAppTitle(_("Orvane"))
{
    SetClientSize(893, 550);
    SetFont(DialogFont(9));

    // What the tab on show needs comes first, then its web view, so that
    // WebKit starts the page's process while the rest of the window is
    // built. The hidden tabs get theirs after the window appears.
    m_pAuiManager = std::make_unique<wxAuiManager>(this, wxAUI_MGR_DEFAULT | wxAUI_MGR_ALLOW_ACTIVE_PANE);
    // However the engine manager was dragged, the result pages keep half the height.
    m_pAuiManager->SetDockSizeConstraint(1.0 / 3, 0.5);
    BuildNotebook();
    BuildToolBar();
    BuildStatusBar();
    BindCommands();

    m_pPreference = Preference::Get();
    // Before the first page exists: WebKit reads the cookie store once.
    WebSession::Configure(m_pPreference->m_nKeepCookies != 0);
    wxIEHtmlWin::SetLoadTimeout(m_pPreference->m_nPageTimeout);
    m_pHealth = std::make_unique<EngineHealth>();
    m_pHealth->SetCatalogue(&m_engineManager);
    // An unreadable file starts an empty history, kept aside for the person.
    m_pHealth->Load();
    if (!m_pHealth->GetSetAside().empty())
    {
        m_strHeldStatus = wxString::Format(_("The engine health file could not be read; it was kept as %s."),
                                           m_pHealth->GetSetAside());
        SetStatusText(m_strHeldStatus, 0);
    }

    BuildImageList();
    m_engineManager.m_pObserver = this;
    m_engineManager.SetFileName(ProgramFolder::File("conf/config.xml"));
    m_engineManager.Load();
    m_browserManager.m_pParent = m_pNotebook;
    // The first paint competes with every web process started before it; the
    // hidden tabs wait for it (the timer lets them go should no paint come).
    m_browserManager.HoldViews();
#ifdef __WXGTK3__
    g_signal_connect_after(GetHandle(), "draw", G_CALLBACK(ReleaseViewsAfterDraw), &m_browserManager);
#endif
    // Writes the start page, which the first view loads.
    StartVersionCheck();
    OnEngineChanged();
    if (ZulIeCtrl* page = CurrentPage())
        m_browserManager.CreateView(page);

    BuildEngineManagerPanel();
    // Beside the pages, never a tab of their own.
    m_pResultsPane = new ResultsPane(this, m_browserManager, m_pNotebook);
    m_pResultsPane->Dock(*m_pAuiManager, *m_pPreference);
    BuildPageBars();
    BuildMenuBar();
    // Tab from the keyword box goes to the language and category lists,
    // then to the engine list; the result pages come last.
    // The toolbar itself would take the focus, showing nothing.
    m_pToolBar->SetCanFocus(false);
    m_pChoiceLang->MoveAfterInTabOrder(m_pKeywordBox);
    m_pChoiceCategory->MoveAfterInTabOrder(m_pChoiceLang);
    m_pEngineMgrPanel->MoveAfterInTabOrder(m_pToolBar);
    m_pNotebook->MoveAfterInTabOrder(m_pEngineMgrPanel);

    m_timer.SetOwner(this, ID_TIMER);
    m_timer.Start(500);

    Centre(wxBOTH);

    BindEngineManagerEvents();
    BindImportCommands();

    m_pKeywordBox->SetDropTarget(new KeywordDropTarget(m_pKeywordBox));
    m_pKeywordBox->Bind(wxEVT_LEFT_UP, &OrvaneFrame::OnKeywordClick, this);

    SetUpDownloads();
    {
        WindowGeometry geometry(*this);
        m_pPreference->LoadFrameGeometry(geometry);
    }

    const bool showEngineManager = m_pPreference->m_nShowEngineManager == 1;
    m_pAuiManager->GetPane(m_pEngineMgrPanel).Show(showEngineManager);
    SetToolHighlighted(ID_TOOL_ENGINE_MGR, showEngineManager);
    m_pAuiManager->Update();
    // The pages' panes need the notebook's size, known only now.
    ArrangePages(false);

    if (!m_pPreference->m_arrKeywords.empty())
        m_pKeywordBox->Append(m_pPreference->m_arrKeywords);

    m_pEngineList->SetImageList(m_pImageList.get(), wxIMAGE_LIST_SMALL);
    const struct
    {
        wxString heading;
        int width;
    } columns[] = {
        {_("Name"), 160},     {_("Language"), 80}, {_("Category"), 80}, {_("Status"), 80},
        {_("Encoding"), 80},  {_("Index"), 80},    {_("Url"), 320},
        // TRANSLATORS: engine list column: the keyword shortcut, as in "!w sea otter"
        {_("Shortcut"), 110},
        // TRANSLATORS: engine list column: searches with results out of the last ones, as "18/20"
        {_("Health"), 70},
    };
    for (size_t i = 0; i < WXSIZEOF(columns); ++i)
        m_pEngineList->InsertColumn(i, columns[i].heading, wxLIST_FORMAT_LEFT, columns[i].width);

    m_pEngineList->Bind(wxEVT_MOTION, &OrvaneFrame::OnEngineListMotion, this);
    // The generic list's windows: its headings and its rows.
    for (wxWindow* child : m_pEngineList->GetChildren())
        child->Bind(wxEVT_MOTION, &OrvaneFrame::OnEngineHeaderMotion, this);
    RefillEngineList();
    // Idle from the start: the start pages may load between two ticks of the
    // timer, which would then never restore the idle state for them.
    SetSearchingState(false);
    KeywordPrompt();
    ShowEngineCount();

    m_timer.Start(200);

    m_idleReport.Start(m_pKeywordBox);
}

void OrvaneFrame::BuildNotebook()
{
    m_pNotebook = new ResultNotebook(
        this, ID_NOTEBOOK_IE, wxDefaultPosition, wxDefaultSize,
        wxAUI_NB_TOP | wxAUI_NB_TAB_SPLIT | wxAUI_NB_TAB_MOVE | wxAUI_NB_TAB_EXTERNAL_MOVE |
            wxAUI_NB_SCROLL_BUTTONS | wxAUI_NB_WINDOWLIST_BUTTON | wxNO_BORDER);
    m_pNotebook->SetFont(DialogFont(10));
    // The pages' room also changes when the engine manager shows or hides.
    m_pNotebook->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        QueueLayoutCheck();
    });
    m_pAuiManager->AddPane(m_pNotebook, wxAuiPaneInfo()
                                            .Name("NoteBookIE")
                                            .Caption(_("NoteBook IE"))
                                            .CenterPane()
                                            .Layer(9)
                                            .PaneBorder(false));
}

void OrvaneFrame::BuildToolBar()
{
    // Tools that do not fit a narrow window go into the overflow menu.
    m_pToolBar = new wxAuiToolBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxAUI_TB_DEFAULT_STYLE | wxAUI_TB_OVERFLOW | wxNO_BORDER);
    auto addTool = [this](long id, const wxString& label, const wxString& picture,
                          const wxString& tooltip, wxItemKind kind = wxITEM_NORMAL) {
        m_pToolBar->AddTool(id, label, ToolPicture(picture), wxNullBitmap, kind, tooltip,
                            wxEmptyString, nullptr);
    };
    const wxFont controlFont = DialogFont(10);

    addTool(ID_TOOL_BACK, _("Back"), "img/prev.png", _("Go back one page\nAlt+Left Arrow"));
    addTool(ID_TOOL_FORWARD, _("Forward"), "img/next.png",
            _("Go forward one page\nAlt+Right Arrow"));
    addTool(ID_TOOL_REFRESH, _("Refresh"), "img/Refresh_s16_02.png",
            _("Refresh current page\nF5"));
    addTool(ID_TOOL_STOPIE, _("StopIE"), "img/Delete_s16_01.png",
            _("Stop loading this page\nCtrl+Q"));
    m_pToolBar->AddSeparator();

    m_pChoiceLang = new wxChoice(m_pToolBar, ID_CHOICE_LANG, wxDefaultPosition, wxSize(100, -1),
                                 0, nullptr, 0, wxDefaultValidator, "ID_CHOICE_LANG");
    m_pChoiceLang->SetFont(controlFont);
    m_pToolBar->AddControl(m_pChoiceLang, _("Language"));
    m_pToolBar->AddSpacer(4);
    m_pChoiceCategory = new wxChoice(m_pToolBar, ID_CHOICE_CATEGORY, wxDefaultPosition,
                                     wxSize(100, -1), 0, nullptr, 0, wxDefaultValidator,
                                     "ID_CHOICE_CATEGORY");
    m_pChoiceCategory->SetFont(controlFont);
    m_pToolBar->AddControl(m_pChoiceCategory, _("Category"));
    // Check tools, so that "highlighted" is the toolbar's own pressed look.
    addTool(ID_TOOL_ENGINE_MGR, _("Search Engine Manager"), "img/engine_s16_00.png",
            _("Show or hide search engine manager\nF7"), wxITEM_CHECK);
    m_pToolBar->AddSeparator();

    addTool(ID_TOOL_CLEAR, _("Clear Result"), "img/KeywordClear_s16_01.png", _("Clear Result"));
    m_pKeywordBox = new wxComboBox(m_pToolBar, ID_COMBOBOX_KEYWORD, wxEmptyString,
                                   wxDefaultPosition, wxSize(KeywordWidth, -1), 0, nullptr,
                                   wxCB_DROPDOWN | wxTE_PROCESS_ENTER, wxDefaultValidator,
                                   "ID_COMBOBOX_KEYWORD");
    m_pKeywordBox->SetFont(controlFont);
    m_pToolBar->AddControl(m_pKeywordBox, _("Keyword"));
    addTool(ID_TOOL_START_SEARCH, _("Start Searching"), "img/Search_s16_01.png",
            _("Start Searching\nF8"));
    addTool(ID_TOOL_STOP_SEARCH, _("Stop Searching"), "img/Stop_s16_01.png",
            _("Stop Searching\nF9"));
    m_pToolBar->AddSeparator();

    addTool(ID_TOOL_SETTING, _("Setting"), "img/Setting_s16_01.png", _("Open setting dialog"));
    addTool(ID_TOOL_FULLSCREEN, _("FullScreen"), "img/Fullscreen_s16_01.png",
            _("Show full screen \nF11"), wxITEM_CHECK);
    m_pToolBar->Realize();
    m_nToolBarOtherWidth = m_pToolBar->GetBestSize().x - m_pKeywordBox->GetSize().x;

    m_pAuiManager->AddPane(m_pToolBar, wxAuiPaneInfo()
                                           .Name("SreachToolbar")
                                           .Caption(_("Search toolbar"))
                                           .ToolbarPane()
                                           .Top()
                                           .Layer(10)
                                           .LeftDockable(false)
                                           .RightDockable(false)
                                           .Gripper(true)
                                           .PaneBorder(false)
                                           .CloseButton(false));
}

void OrvaneFrame::BuildEngineManagerPanel()
{
    m_pEngineMgrPanel = new wxPanel(this, ID_PANEL_ENGINE_MGR, wxDefaultPosition, wxDefaultSize,
                                    wxTAB_TRAVERSAL, "ID_PANEL_ENGINE_MGR");
    m_pEngineMgrPanel->SetFont(DialogFont(9));
    m_pEngineMgrPanel->SetMinSize(wxSize(EnginePaneWidth, EnginePaneHeight));

    m_pEngineList = new wxListCtrl(m_pEngineMgrPanel, ID_LISTCTRL_ENGINE, wxDefaultPosition,
                                   wxSize(584, 241),
                                   wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_HRULES,
                                   wxDefaultValidator, "ID_LISTCTRL_ENGINE");
    m_pEngineList->SetMinSize(wxSize(0, 0));

    const int edge = wxLEFT | wxRIGHT | wxTOP | wxEXPAND;
    // In a small window the pane is lower than the buttons: they scroll.
    auto* buttons = new wxScrolledWindow(m_pEngineMgrPanel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                         wxVSCROLL | wxTAB_TRAVERSAL, "ID_SCROLLED_ENGINE_BUTTONS");
    m_pEngineButtons = buttons;
    auto* column = new wxBoxSizer(wxVERTICAL);
    m_pCheckShowAll = new wxCheckBox(buttons, ID_CHECKBOX_SHOWALL, _("&Show all"),
                                     wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                                     "ID_CHECKBOX_SHOWALL");
    m_pCheckShowAll->SetValue(false);
    column->Add(m_pCheckShowAll, 0, edge, 6);

    auto addLine = [&](long id, const char* name) {
        auto* line = new wxStaticLine(buttons, id, wxDefaultPosition, wxSize(10, -1),
                                      wxLI_HORIZONTAL, name);
        column->Add(line, 0, edge, 4);
        return line;
    };
    auto addButton = [&](long id, const wxString& label, const char* name) {
        auto* button = new wxButton(buttons, id, label, wxDefaultPosition,
                                    wxDefaultSize, 0, wxDefaultValidator, name);
        MakeCompact(button);
        column->Add(button, 0, edge, 4);
        return button;
    };
    m_pEditButtonsLine = addLine(ID_STATICLINE1, "ID_STATICLINE1");
    m_pButtonAdd = addButton(ID_BUTTON_ADD, _("&Add..."), "ID_BUTTON_ADD");
    m_pButtonEdit = addButton(ID_BUTTON_EDIT, _("&Edit..."), "ID_BUTTON_EDIT");
    m_pButtonDelete = addButton(ID_BUTTON_DELETE, _("&Delete"), "ID_BUTTON_DELETE");
    m_pButtonCopy = addButton(ID_BUTTON_COPY, _("&Copy..."), "ID_BUTTON_COPY");
    m_pButtonEnable = addButton(ID_BUTTON_ENABLE, _("E&n/Disable"), "ID_BUTTON_ENABLE");
    m_pOrderButtonsLine = addLine(ID_STATICLINE2, "ID_STATICLINE2");
    // Created under another id and given its own after: with a stock id and
    // the stock label, GTK shows its stock button, whose text follows the
    // system locale instead of our catalogue.
    m_pButtonUp = addButton(wxID_ANY, _("&Up"), "wxID_UP");
    m_pButtonUp->SetId(wxID_UP);
    m_pButtonDown = addButton(wxID_DOWN, _("D&own"), "wxID_DOWN");

    column->AddSpacer(4);
    buttons->SetSizer(column);
    buttons->SetScrollRate(0, 8);
    // As wide as the buttons and a scroll bar, as low as the pane makes it.
    buttons->SetMinSize(wxSize(column->GetMinSize().x + wxSystemSettings::GetMetric(wxSYS_VSCROLL_X, buttons), 0));
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_pEngineList, 1, wxEXPAND, 0);
    row->Add(buttons, 0, wxEXPAND, 0);
    m_pEngineMgrPanel->SetSizer(row);
    row->Fit(m_pEngineMgrPanel);
    row->SetSizeHints(m_pEngineMgrPanel);

    m_pAuiManager->AddPane(m_pEngineMgrPanel, wxAuiPaneInfo()
                                                  .Name("Search Engine Manager")
                                                  .Caption(_("Search Engine Manager"))
                                                  .CaptionVisible(true)
                                                  .PaneBorder(true)
                                                  .CloseButton(true)
                                                  .Movable(true)
                                                  .Floatable(true)
                                                  .Resizable(true)
                                                  .Bottom()
                                                  .Layer(9)
                                                  .LeftDockable(false)
                                                  .RightDockable(false)
                                                  .MinSize(wxSize(EnginePaneWidth, EnginePaneHeight)));
}

void OrvaneFrame::BuildMenuBar()
{
    auto* menuBar = new wxMenuBar();

    auto* fileMenu = new wxMenu();
    m_pMenuImport = AppendItem(fileMenu, ID_MENU_IMPORT, _("Import Engines..."),
                               _("Add engines from OpenSearch descriptions, catalogue files or a browser"));
    AppendItem(fileMenu, ID_MENU_EXPORT, _("Export Engines..."),
               _("Save engines as a catalogue file or as OpenSearch descriptions"));
    AppendItem(fileMenu, ID_MENU_EXPORT_RESULTS, _("Export Results..."),
               _("Save the merged results as tab-separated lines or JSON"));
    fileMenu->AppendSeparator();
    AppendItem(fileMenu, ID_MENU_QUIT, _("Quit\tAlt-X"), _("Quit the application"));
    menuBar->Append(fileMenu, _("&File"));

    auto* viewMenu = new wxMenu();
    AppendItem(viewMenu, ID_MENU_BACK, _("Back\tAlt+Left"), _("Go back one page\nAlt+Left Arrow"),
               "img/prev.png");
    AppendItem(viewMenu, ID_MENU_FORWARD, _("Forward\tAlt+Right"),
               _("Go forward one page\nAlt+Right Arrow"), "img/next.png");
    AppendItem(viewMenu, ID_MENU_REFRESH, _("Refresh\tF5"), _("Refresh current page\nF5"),
               "img/Refresh_s16_02.png");
    AppendItem(viewMenu, ID_MENU_STOPIE, _("Stop loading this page\tCtrl+Q"),
               _("Stop loading this page\nCtrl+Q"), "img/Delete_s16_01.png");
    m_pMenuAddThisEngine = AppendItem(viewMenu, ID_MENU_ADD_THIS_ENGINE, _("Add This Engine..."),
                                      _("Add the search engine this page offers"));
    viewMenu->AppendSeparator();
    // The frame's key handling sees these keys first (also Ctrl+G, and
    // Ctrl+= for Zoom In); the menu shows and offers them.
    AppendItem(viewMenu, ID_MENU_FIND, _("Find...\tCtrl+F"), _("Find text in the current page"));
    AppendItem(viewMenu, ID_MENU_ZOOM_IN, _("Zoom In\tCtrl++"), _("Make the current page larger"));
    AppendItem(viewMenu, ID_MENU_ZOOM_OUT, _("Zoom Out\tCtrl+-"), _("Make the current page smaller"));
    AppendItem(viewMenu, ID_MENU_ZOOM_RESET, _("Actual Size\tCtrl+0"),
               _("Show the current page at its normal size"));
    viewMenu->AppendSeparator();
    AppendLayoutMenu(viewMenu);
    viewMenu->AppendSeparator();
    AppendItem(viewMenu, ID_MENU_SELECT_LANG, _("Select Language\tF2"), _("Select Language"));
    AppendItem(viewMenu, ID_MENU_SELECT_CATEGORY, _("Select Category\tF3"), _("Select Category"));
    m_pMenuNewSearching = AppendItem(viewMenu, ID_MENU_NEW_SEARCHING, _("New Searching\tF6"),
                                     _("New Searching\nF6"));
    m_pMenuStartSearching = AppendItem(viewMenu, ID_MENU_START_SEARCH, _("Start Searching\tF8"),
                                       _("Start Searching"), "img/Search_s16_01.png");
    m_pMenuStopSearching = AppendItem(viewMenu, ID_MENU_STOP_SEARCH, _("Stop Searching\tF9"),
                                      _("Stop Searching"), "img/Stop_s16_01.png");
    {
        // Without this the toolkit says on stderr, at every start, that
        // GTK menus cannot carry these keys.
        wxLogNull quiet;
        ShowCtrlTabHint(AppendItem(viewMenu, ID_MENU_NEXT_PAGE, _("Next Page\tCtrl+Tab"),
                                   _("Go to next page\nCtrl+Tab")),
                        false);
        ShowCtrlTabHint(AppendItem(viewMenu, ID_MENU_PREV_PAGE,
                                   _("Previous Page\tCtrl+Shift+Tab"),
                                   _("Back to previous page\nCtrl+Shift+Tab")),
                        true);
    }
    AppendItem(viewMenu, ID_MENU_NEXT_ATTENTION, _("Next Page Needing Attention\tF4"),
               _("Go to the next page with a bot check or a consent wall"));
    AppendItem(viewMenu, ID_MENU_ALL_RESULTS, _("All Results\tF12"),
               _("Show or hide what every engine found, merged into one list"));
    menuBar->Append(viewMenu, _("&View"));

    auto* toolsMenu = new wxMenu();
    AppendItem(toolsMenu, ID_MENU_ENGINE_MGR, _("Search Engine Manager\tF7"),
               _("Show or hide search engine manager"), "img/engine_s16_00.png");
    AppendItem(toolsMenu, ID_MENU_FULLSCREEN, _("Full Screen\tF11"), _("Show full screen \nF11"),
               "img/Fullscreen_s16_01.png");
    toolsMenu->AppendSeparator();
    AppendItem(toolsMenu, ID_MENU_SETTING, _("&Setting..."), _("Open setting dialog"),
               "img/Setting_s16_01.png");
    AppendItem(toolsMenu, ID_MENU_UI_LANGUAGE, _("UI &language..."), _("Change UI language"));
    menuBar->Append(toolsMenu, _("&Tools"));

    auto* helpMenu = new wxMenu();
    AppendItem(helpMenu, ID_MENU_CHECK_UPDATE, _("Check for Update..."), _("Check for Update"),
               "img/Update_s16_01.png");
    helpMenu->AppendSeparator();
    AppendItem(helpMenu, ID_MENU_ABOUT, _("&About...\tF1"), _("Show info about this application"),
               "img/About_s16_01.png");
    menuBar->Append(helpMenu, _("&Help"));

    SetMenuBar(menuBar);
}

void OrvaneFrame::BuildStatusBar()
{
    m_pStatusBar = new DeferredStatusBar(this, ID_STATUSBAR1, wxSTB_DEFAULT_STYLE, "ID_STATUSBAR1");
    // The count and size fields must hold their texts in the desktop's font
    // (and in translation), which is often wider than the font these widths
    // were chosen for.
    int countFieldWidth = CountFieldWidth;
    // The progress field also sums up the outcomes of a search's pages; it
    // widens to the summary when one is shown; FitStatusFields then fits
    // the count and size fields to their texts.
    const int progressFieldWidth = ProgressFieldWidth;
    int sizeFieldWidth = SizeFieldWidth;
    {
        wxClientDC dc(m_pStatusBar);
        dc.SetFont(m_pStatusBar->GetFont());
        const wxString count = wxString::Format(_("Engine Count: %d / %d"), 8888, 8888);
        countFieldWidth = std::max(countFieldWidth, dc.GetTextExtent(count).x + 24);
        const wxString sample = wxString::Format(_("Frame Size: w = %d, h = %d"), 8888, 8888);
        sizeFieldWidth = std::max(sizeFieldWidth, dc.GetTextExtent(sample).x + 24);
    }
    const int widths[4] = {-1, progressFieldWidth, countFieldWidth, sizeFieldWidth};
    const int styles[4] = {wxSB_NORMAL, wxSB_NORMAL, wxSB_NORMAL, wxSB_NORMAL};
    m_pStatusBar->SetFieldsCount(4, widths);
    m_pStatusBar->SetStatusStyles(4, styles);
    SetStatusBar(m_pStatusBar);
    // The bar gets its new width after the window's own size event, at a
    // time of the toolkit's choosing: its fields are fitted to it then.
    m_pStatusBar->Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        FitStatusFields();
    });
}

void OrvaneFrame::BuildImageList()
{
    static const char* const files[] = {
        "img/engine_s16_01.png",  "img/engine_s16_02.png",  "img/page_blank.png",
        "img/page_completed.png", "img/loading_s16_05.png", "img/loading_s16_06.png",
        "img/loading_s16_07.png", "img/loading_s16_08.png", "img/page_failed.png",
        "img/page_empty.png",     "img/page_botcheck.png",  "img/page_consent.png",
        "img/page_httperror.png",
    };
    m_pImageList = std::make_unique<wxImageList>(16, 16, true, WXSIZEOF(files));
    for (const char* file : files)
    {
        wxBitmap bitmap = LoadPicture(file);
        if (!bitmap.IsOk())
            bitmap = BlankPicture();
        m_pImageList->Add(bitmap, kImageMaskColour);
    }
    m_pNotebook->SetImageList(m_pImageList.get());
}

void OrvaneFrame::BindCommands()
{
    m_pNotebook->Bind(wxEVT_AUINOTEBOOK_PAGE_CHANGED, &OrvaneFrame::OnPageChanged, this);

    auto bindMenuAndTool = [this](long menuId, long toolId, void (OrvaneFrame::*handler)(wxCommandEvent&)) {
        if (menuId != wxID_NONE)
            Bind(wxEVT_MENU, handler, this, menuId);
        if (toolId != wxID_NONE)
            Bind(wxEVT_TOOL, handler, this, toolId);
    };
    bindMenuAndTool(ID_MENU_BACK, ID_TOOL_BACK, &OrvaneFrame::OnBack);
    bindMenuAndTool(ID_MENU_FORWARD, ID_TOOL_FORWARD, &OrvaneFrame::OnForward);
    bindMenuAndTool(ID_MENU_REFRESH, ID_TOOL_REFRESH, &OrvaneFrame::OnRefresh);
    bindMenuAndTool(ID_MENU_STOPIE, ID_TOOL_STOPIE, &OrvaneFrame::OnStopIE);
    Bind(wxEVT_CHOICE, &OrvaneFrame::OnLanguageChanged, this, ID_CHOICE_LANG);
    Bind(wxEVT_CHOICE, &OrvaneFrame::OnCategoryChanged, this, ID_CHOICE_CATEGORY);
    bindMenuAndTool(ID_MENU_ENGINE_MGR, ID_TOOL_ENGINE_MGR, &OrvaneFrame::OnToggleEngineManager);
    bindMenuAndTool(wxID_NONE, ID_TOOL_CLEAR, &OrvaneFrame::OnClearResult);
    Bind(wxEVT_COMBOBOX, &OrvaneFrame::OnKeywordChanged, this, ID_COMBOBOX_KEYWORD);
    Bind(wxEVT_TEXT, &OrvaneFrame::OnKeywordChanged, this, ID_COMBOBOX_KEYWORD);
    Bind(wxEVT_TEXT_ENTER, &OrvaneFrame::OnStartSearch, this, ID_COMBOBOX_KEYWORD);
    bindMenuAndTool(ID_MENU_START_SEARCH, ID_TOOL_START_SEARCH, &OrvaneFrame::OnStartSearch);
    bindMenuAndTool(ID_MENU_STOP_SEARCH, ID_TOOL_STOP_SEARCH, &OrvaneFrame::OnStopSearch);
    bindMenuAndTool(ID_MENU_SETTING, ID_TOOL_SETTING, &OrvaneFrame::OnSetting);
    bindMenuAndTool(ID_MENU_FULLSCREEN, ID_TOOL_FULLSCREEN, &OrvaneFrame::OnFullScreen);
    Bind(wxEVT_AUI_PANE_CLOSE, &OrvaneFrame::OnPaneClose, this);
    Bind(wxEVT_MENU, &OrvaneFrame::OnQuit, this, ID_MENU_QUIT);
    Bind(wxEVT_MENU, &OrvaneFrame::OnSelectLanguage, this, ID_MENU_SELECT_LANG);
    Bind(wxEVT_MENU, &OrvaneFrame::OnSelectCategory, this, ID_MENU_SELECT_CATEGORY);
    Bind(wxEVT_MENU, &OrvaneFrame::OnNewSearching, this, ID_MENU_NEW_SEARCHING);
    Bind(wxEVT_MENU, &OrvaneFrame::OnNextPage, this, ID_MENU_NEXT_PAGE);
    Bind(wxEVT_MENU, &OrvaneFrame::OnPrevPage, this, ID_MENU_PREV_PAGE);
    Bind(wxEVT_MENU, &OrvaneFrame::OnNextAttention, this, ID_MENU_NEXT_ATTENTION);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_pResultsPane->Toggle(); }, ID_MENU_ALL_RESULTS);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { m_pResultsPane->Export(); }, ID_MENU_EXPORT_RESULTS);
    Bind(wxEVT_MENU, &OrvaneFrame::OnUILanguage, this, ID_MENU_UI_LANGUAGE);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ShowFindBar(); }, ID_MENU_FIND);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ZoomCurrentPage(1); }, ID_MENU_ZOOM_IN);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ZoomCurrentPage(-1); }, ID_MENU_ZOOM_OUT);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { ZoomCurrentPage(0); }, ID_MENU_ZOOM_RESET);
    Bind(wxEVT_MENU, &OrvaneFrame::OnCheckUpdate, this, ID_MENU_CHECK_UPDATE);
    Bind(wxEVT_MENU, &OrvaneFrame::OnAbout, this, ID_MENU_ABOUT);
    Bind(wxEVT_TIMER, &OrvaneFrame::OnTimer, this, ID_TIMER);
    Bind(wxEVT_SIZE, &OrvaneFrame::OnSize, this);
    Bind(wxEVT_CHAR_HOOK, &OrvaneFrame::OnCharHook, this);
}

void OrvaneFrame::OnCharHook(wxKeyEvent& event)
{
    if (HandlePageKey(event) || HandlePaneKey(event))
        return;
    if (KeyFromPage(event) && RunMenuKey(event))
        return;
    if (MoveTabFocus(event))
        return;
    const int modifiers = event.GetModifiers();
    if (event.GetKeyCode() == WXK_TAB &&
        (modifiers == wxMOD_CONTROL || modifiers == (wxMOD_CONTROL | wxMOD_SHIFT)))
    {
        wxCommandEvent command(wxEVT_MENU, modifiers & wxMOD_SHIFT ? ID_MENU_PREV_PAGE
                                                                    : ID_MENU_NEXT_PAGE);
        command.SetEventObject(this);
        ProcessWindowEvent(command);
        return;
    }
    event.Skip();
}

bool OrvaneFrame::KeyFromPage(const wxKeyEvent& event) const
{
    // The toolkit does not follow the focus into a web view: the key's own
    // window tells.
    for (auto* w = wxDynamicCast(event.GetEventObject(), wxWindow); w && w != this; w = w->GetParent())
    {
        if (dynamic_cast<const ZulIeCtrl*>(w))
            return true;
    }
    return false;
}

std::vector<wxWindow*> OrvaneFrame::TabStops()
{
    std::vector<wxWindow*> stops = {m_pKeywordBox, m_pChoiceLang, m_pChoiceCategory};
    if (ZulIeCtrl* page = CurrentPage())
    {
        if (page->GetWebView())
            stops.push_back(page->GetWebView());
    }
    if (m_pAuiManager->GetPane(m_pEngineMgrPanel).IsShown())
    {
        for (wxWindow* w : {static_cast<wxWindow*>(m_pEngineList), static_cast<wxWindow*>(m_pCheckShowAll),
                            static_cast<wxWindow*>(m_pButtonAdd), static_cast<wxWindow*>(m_pButtonEdit),
                            static_cast<wxWindow*>(m_pButtonDelete), static_cast<wxWindow*>(m_pButtonCopy),
                            static_cast<wxWindow*>(m_pButtonEnable), static_cast<wxWindow*>(m_pButtonUp),
                            static_cast<wxWindow*>(m_pButtonDown)})
            stops.push_back(w);
    }
    stops.erase(std::remove_if(stops.begin(), stops.end(),
                               [](wxWindow* w) { return !w->IsEnabled() || !w->IsShownOnScreen(); }),
                stops.end());
    return stops;
}

bool OrvaneFrame::MoveTabFocus(const wxKeyEvent& event)
{
    // The toolkit's own order runs through the toolbar and then loses the
    // focus in windows that show none: these stops are visited in turn.
    // Inside a page Tab is the page's until it lets go of it.
    const int modifiers = event.GetModifiers();
    if (event.GetKeyCode() != WXK_TAB || (modifiers != 0 && modifiers != wxMOD_SHIFT))
        return false;
    const std::vector<wxWindow*> stops = TabStops();
    const auto* from = wxDynamicCast(event.GetEventObject(), wxWindow);
    for (size_t i = 0; i < stops.size(); ++i)
    {
        for (const wxWindow* w = from; w && w != this; w = w->GetParent())
        {
            if (w != stops[i])
                continue;
            const size_t n = stops.size();
            wxWindow* next = stops[modifiers == wxMOD_SHIFT ? (i + n - 1) % n : (i + 1) % n];
            next->SetFocus();
            if (next == m_pKeywordBox)
                m_pKeywordBox->SelectAll();
            return true;
        }
    }
    return false;
}

bool OrvaneFrame::RunMenuKey(const wxKeyEvent& event)
{
    // A web view takes every key before the window's menu sees it, and lets
    // go only of those its page did not use: the menu's keys are run here
    // first, as browsers do, Alt+Left in a text field included.
    wxMenuBar* menuBar = GetMenuBar();
    if (!menuBar)
        return false;
    int flags = wxACCEL_NORMAL;
    if (event.AltDown())
        flags |= wxACCEL_ALT;
    if (event.ControlDown())
        flags |= wxACCEL_CTRL;
    if (event.ShiftDown())
        flags |= wxACCEL_SHIFT;
    if (event.MetaDown())
        return false;
    const int key = event.GetKeyCode();
    for (size_t m = 0; m < menuBar->GetMenuCount(); ++m)
    {
        for (wxMenuItem* item : menuBar->GetMenu(m)->GetMenuItems())
        {
            std::unique_ptr<wxAcceleratorEntry> accel(item->GetAccel());
            if (!accel || accel->GetKeyCode() != key || accel->GetFlags() != flags)
                continue;
            if (!item->IsEnabled())
                return true;
            wxCommandEvent command(wxEVT_MENU, item->GetId());
            command.SetEventObject(this);
            ProcessWindowEvent(command);
            return true;
        }
    }
    return false;
}

ZulIeCtrl* OrvaneFrame::CurrentPage()
{
    // The selected tab's own page: tabs may have been dragged into another
    // order or tab group, so the tab position is not always the page key.
    if (m_nCurPage < 0 || static_cast<size_t>(m_nCurPage) >= m_pNotebook->GetPageCount())
        return nullptr;
    return dynamic_cast<ZulIeCtrl*>(m_pNotebook->GetPage(m_nCurPage));
}

void OrvaneFrame::OnBack(wxCommandEvent&)
{
    if (ZulIeCtrl* page = CurrentPage())
        page->GoBack();
}

void OrvaneFrame::OnForward(wxCommandEvent&)
{
    if (ZulIeCtrl* page = CurrentPage())
        page->GoForward();
}

void OrvaneFrame::OnRefresh(wxCommandEvent&)
{
    if (ZulIeCtrl* page = CurrentPage())
        page->Refresh(0);
}

void OrvaneFrame::OnStopIE(wxCommandEvent&)
{
    if (ZulIeCtrl* page = CurrentPage())
        page->Stop();
}

void OrvaneFrame::SetToolHighlighted(long toolId, bool highlighted)
{
    m_pToolBar->ToggleTool(toolId, highlighted);
    m_pToolBar->Refresh(false);
}

void OrvaneFrame::OnToggleEngineManager(wxCommandEvent&)
{
    wxAuiPaneInfo& pane = m_pAuiManager->GetPane(m_pEngineMgrPanel);
    const bool wasHidden = !pane.IsShown();
    m_pPreference->m_nShowEngineManager = wasHidden ? 1 : 0;
    SetToolHighlighted(ID_TOOL_ENGINE_MGR, wasHidden);
    pane.Show(wasHidden);
    m_pAuiManager->Update();
}

void OrvaneFrame::OnPaneClose(wxAuiManagerEvent& event)
{
    wxAuiPaneInfo* pane = event.GetPane();
    // The results pane's state is read from the docking manager at the end.
    if (pane && pane->window != m_pResultsPane && pane->HasCloseButton())
    {
        m_pPreference->m_nShowEngineManager = 0;
        SetToolHighlighted(ID_TOOL_ENGINE_MGR, false);
    }
    event.Skip();
}

void OrvaneFrame::OnFullScreen(wxCommandEvent&)
{
    const bool wasFullScreen = IsFullScreen();
    long style = wxFULLSCREEN_NOBORDER;
    if (m_pPreference->m_nHideCaption == 1)
        style |= wxFULLSCREEN_NOCAPTION;
    if (m_pPreference->m_nHideMenuBar == 1)
        style |= wxFULLSCREEN_NOMENUBAR;
    if (m_pPreference->m_nHideStatusBar == 1)
        style |= wxFULLSCREEN_NOSTATUSBAR;
    ShowFullScreen(!wasFullScreen, style);
    SetToolHighlighted(ID_TOOL_FULLSCREEN, !wasFullScreen);
}

void OrvaneFrame::OnQuit(wxCommandEvent&)
{
    Close();
}

void OrvaneFrame::OnUILanguage(wxCommandEvent&)
{
    const int language = ChooseUILanguage();
    if (language == wxLANGUAGE_UNKNOWN)
        return;
    SaveUILanguage(language);
    wxMessageBox(_("You must restart application for this change to take effect."), _("Confirm"),
                 wxOK | wxICON_INFORMATION | wxCENTRE, this);
}

void OrvaneFrame::FitPanesToWindow()
{
    if (!m_pToolBar || !m_pEngineMgrPanel)
        return;
    const wxSize client = GetClientSize();
    bool changed = false;

    // The keyword box gives way first; what still does not fit goes into
    // the toolbar's overflow menu.
    wxAuiToolBarItem* keyword = m_pToolBar->FindTool(ID_COMBOBOX_KEYWORD);
    const int width = std::max(MinKeywordWidth, std::min(KeywordWidth, client.x - m_nToolBarOtherWidth - 24));
    if (keyword && keyword->GetMinSize().x != width)
    {
        keyword->SetMinSize(wxSize(width, keyword->GetMinSize().y));
        m_pKeywordBox->SetMinSize(wxSize(width, -1));
        m_pToolBar->Realize();
        // GTK keeps the text scrolled as it was in the wider box.
        m_pKeywordBox->SetInsertionPoint(0);
        wxAuiPaneInfo& bar = m_pAuiManager->GetPane(m_pToolBar);
        bar.BestSize(m_pToolBar->GetBestSize());
        // Narrower than all its tools: the toolbar may be, and overflows.
        bar.MinSize(wxSize(std::min(m_pToolBar->GetBestSize().x, client.x), -1));
        changed = true;
    }

    // The engine manager shrinks before the result pages: they keep at
    // least half the window's height, beside the toolbar and the bars
    // under the pages.
    wxAuiDockArt* art = m_pAuiManager->GetArtProvider();
    int others = m_pToolBar->GetSize().y + art->GetMetric(wxAUI_DOCKART_CAPTION_SIZE) +
                 art->GetMetric(wxAUI_DOCKART_SASH_SIZE) + 2 * art->GetMetric(wxAUI_DOCKART_PANE_BORDER_SIZE);
    for (wxWindow* bar : {static_cast<wxWindow*>(m_pFindBar), static_cast<wxWindow*>(m_pNoticeBar)})
        if (bar && m_pAuiManager->GetPane(bar).IsShown())
            others += bar->GetSize().y;
    const int paneHeight = std::min(EnginePaneHeight, client.y - client.y / 2 - others);
    const wxSize paneMin(std::min(EnginePaneWidth, client.x), std::max(paneHeight, 80));
    wxAuiPaneInfo& pane = m_pAuiManager->GetPane(m_pEngineMgrPanel);
    if (pane.min_size != paneMin)
    {
        pane.MinSize(paneMin);
        m_pEngineMgrPanel->SetMinSize(paneMin);
        changed = true;
    }
    if (changed)
        m_pAuiManager->Update();
    // The docking manager keeps a dock's height once laid out; a dock made
    // afresh takes its pane's best size.
    if (pane.IsShown() && pane.IsDocked() && m_pEngineMgrPanel->GetSize().y > paneMin.y)
    {
        pane.BestSize(wxSize(m_pEngineMgrPanel->GetSize().x, paneMin.y));
        pane.Hide();
        m_pAuiManager->Update();
        pane.Show();
        m_pAuiManager->Update();
    }
}

void OrvaneFrame::OnSize(wxSizeEvent&)
{
    // Not skipped: the docking manager lays the panes out on its own.
    if (!m_pStatusBar)
        return;
    FitPanesToWindow();
    QueueLayoutCheck();
    const wxSize size = GetSize();
    m_pStatusBar->SetStatusText(
        wxString::Format(_("Frame Size: w = %d, h = %d"), size.GetWidth(), size.GetHeight()), 3);
}
