#include "results/ResultsPane.h"

#include "pages/BrowserManager.h"
#include "pages/ResultNotebook.h"
#include "pages/ZulIeCtrl.h"
#include "ResultSpotlight.h"

#include "base/ShownAddress.h"
#include "found/ResultsOutput.h"
#include "store/Preference.h"
#include "store/SafeFile.h"

#include <wx/aui/framemanager.h>
#include <wx/choice.h>
#include <wx/clipbrd.h>
#include <wx/filedlg.h>
#include <wx/filename.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/webview.h>

namespace
{
constexpr const char* PaneName = "All Results";
constexpr int FollowMs = 250;

enum
{
    ID_OPEN = wxID_HIGHEST + 400,
    ID_OPEN_OUTSIDE,
    ID_COPY_ADDRESS,
    ID_COPY_ALL,
    ID_SHOW_IN_PAGE,  // and one after it per engine
};

wxString FromUtf8(const std::string& text)
{
    return wxString::FromUTF8(text.data(), text.size());
}

// Host and path, as a person reads them.
wxString ShownHostAndPath(const std::string& url)
{
    wxString shown = FromUtf8(url);
    for (const char* scheme : {"https://", "http://"})
        if (shown.StartsWith(scheme, &shown))
            break;
    shown = shown.BeforeFirst('#').BeforeFirst('?');
    if (shown.EndsWith("/") && shown.Find('/') + 1 == static_cast<int>(shown.length()))
        shown.RemoveLast();
    return ShownAddress::Decode(shown);
}

size_t BestEngine(const ResultMerge::Merged& result)
{
    size_t best = result.foundBy.front().first;
    int position = result.foundBy.front().second;
    for (const auto& [engine, at] : result.foundBy)
        if (at < position)
        {
            best = engine;
            position = at;
        }
    return best;
}
} // namespace

ResultsPane::ResultsPane(wxWindow* parent, BrowserManager& pages, ResultNotebook* notebook)
    : wxPanel(parent, wxID_ANY), m_pages(pages), m_notebook(notebook), m_timer(this)
{
    m_header = new wxStaticText(this, wxID_ANY, wxString());
    m_filter = new wxChoice(this, wxID_ANY);
    m_list = new ResultList(this);
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_header, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 4);
    top->Add(m_filter, 0, wxEXPAND | wxALL, 4);
    top->Add(m_list, 1, wxEXPAND);
    SetSizer(top);
    RefillFilter();
    ShowHeader();

    m_filter->Bind(wxEVT_CHOICE, &ResultsPane::OnFilter, this);
    m_list->Bind(wxEVT_KEY_DOWN, &ResultsPane::OnKey, this);
    m_list->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { OpenInPage(); });
    m_list->Bind(wxEVT_CONTEXT_MENU, &ResultsPane::OnContextMenu, this);
    Bind(wxEVT_TIMER, &ResultsPane::OnTimer, this);
    Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
        event.Skip();
        WrapHeader();
    });
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OpenInPage(); }, ID_OPEN);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { OpenOutside(); }, ID_OPEN_OUTSIDE);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { CopyAddress(); }, ID_COPY_ADDRESS);
    Bind(wxEVT_MENU, [this](wxCommandEvent&) { CopyAll(); }, ID_COPY_ALL);
    Bind(
        wxEVT_MENU, [this](wxCommandEvent& event) { ShowInPage(static_cast<size_t>(event.GetId() - ID_SHOW_IN_PAGE)); },
        ID_SHOW_IN_PAGE, ID_SHOW_IN_PAGE + 999);
    m_timer.Start(FollowMs);
}

void ResultsPane::Dock(wxAuiManager& manager, const Preference& preference)
{
    m_manager = &manager;
    const wxSize size(preference.m_nResultsPaneWidth, -1);
    wxAuiPaneInfo info;
    info.Name(PaneName)
        .Caption(_("All Results"))
        .CaptionVisible(true)
        .CloseButton(true)
        .Floatable(false)
        .Resizable(true)
        .TopDockable(false)
        .BottomDockable(false)
        .BestSize(size)
        .MinSize(wxSize(PreferenceDefault::MinResultsPaneWidth, 100))
        .Show(preference.m_nResultsPane != 0);
    if (preference.m_strResultsPaneSide == "left")
        info.Left();
    else
        info.Right();
    manager.AddPane(this, info);
}

void ResultsPane::SaveLayout(Preference& preference) const
{
    if (!m_manager)
        return;
    const wxAuiPaneInfo& info = m_manager->GetPane(const_cast<ResultsPane*>(this));
    if (!info.IsOk())
        return;
    preference.m_nResultsPane = info.IsShown() ? 1 : 0;
    preference.m_strResultsPaneSide = info.dock_direction == wxAUI_DOCK_LEFT ? "left" : "right";
    if (info.IsShown() && GetSize().x >= PreferenceDefault::MinResultsPaneWidth)
        preference.m_nResultsPaneWidth = GetSize().x;
}

bool ResultsPane::IsPaneShown() const
{
    return m_manager && m_manager->GetPane(const_cast<ResultsPane*>(this)).IsShown();
}

void ResultsPane::Toggle()
{
    if (!m_manager)
        return;
    wxAuiPaneInfo& info = m_manager->GetPane(this);
    const bool focused = wxWindow::FindFocus() == m_list;
    if (info.IsShown() && focused)
    {
        info.Hide();
        m_manager->Update();
        // The focus goes back to the page on show.
        if (m_notebook && m_notebook->GetCurrentPage())
            m_notebook->GetCurrentPage()->SetFocus();
        return;
    }
    if (!info.IsShown())
    {
        info.Show();
        m_manager->Update();
    }
    m_list->SetFocus();
    if (m_list->GetSelection() == wxNOT_FOUND && m_list->GetItemCount() > 0)
        m_list->SetSelection(0);
}

void ResultsPane::NewSearch(const wxString& words, const wxString& language, const wxString& category)
{
    m_words = words.utf8_str().data();
    m_language = language.utf8_str().data();
    m_category = category.utf8_str().data();
    m_feed.NewSearch(m_pages);
    m_filter->SetSelection(All);
    Rebuild();
}

void ResultsPane::OnTimer(wxTimerEvent&)
{
    Follow();
}

void ResultsPane::Follow()
{
    if (m_feed.Follow(m_pages))
        Rebuild();
}

void ResultsPane::Rebuild()
{
    m_merged = ResultMerge::Merge(m_feed.Engines());
    RefillFilter();
    std::vector<ResultList::Row> rows;
    m_shown.clear();
    const auto& engines = m_feed.Engines();
    for (size_t i = 0; i < m_merged.results.size(); ++i)
    {
        const ResultMerge::Merged& result = m_merged.results[i];
        if (!Passes(result))
            continue;
        rows.push_back(RowFor(result, engines));
        m_shown.push_back(i);
    }
    m_list->SetRows(std::move(rows));
    ShowHeader();
}

ResultList::Row ResultsPane::RowFor(const ResultMerge::Merged& result, const std::vector<EngineFound>& engines)
{
    ResultList::Row row;
    row.title = FromUtf8(result.title);
    row.address = ShownHostAndPath(result.url);
    row.snippet = FromUtf8(result.snippet);
    row.engines = static_cast<int>(result.foundBy.size());
    wxString names;
    for (const auto& [engine, position] : result.foundBy)
        names << (names.empty() ? "" : ", ") << FromUtf8(engines[engine].name) << " #" << position;
    // TRANSLATORS: who found a result: "3 engines: Alpha #1, Beta #2, Gamma #4"
    row.foundBy = wxString::Format(wxPLURAL("%d engine: %s", "%d engines: %s", row.engines), row.engines, names);
    row.key = FromUtf8(ResultMerge::ComparisonKey(result.url));
    return row;
}

size_t ResultsPane::CountAgreed() const
{
    size_t agreed = 0;
    for (const auto& result : m_merged.results)
        agreed += result.foundBy.size() >= 2 ? 1 : 0;
    return agreed;
}

void ResultsPane::ShowHeader()
{
    size_t withResults = 0;
    for (const EngineFound& engine : m_feed.Engines())
        withResults += engine.results.empty() ? 0 : 1;
    const size_t results = m_merged.results.size();
    const size_t agreed = CountAgreed();
    const wxString counted = wxString::Format(wxPLURAL("%zu result", "%zu results", results), results);
    const wxString from = wxString::Format(wxPLURAL("from %zu engine", "from %zu engines", withResults), withResults);
    const wxString more =
        wxString::Format(wxPLURAL("%zu found by more than one", "%zu found by more than one", agreed), agreed);
    // TRANSLATORS: the All Results header reads "%s %s, %s": "218 results" "from 12 engines", "31 found by more than one"
    wxString header = wxString::Format(_("%s %s, %s"), counted, from, more);
    // A narrow pane shows the same parts a line each.
    wxString lines = counted + " " + from + "\n" + more;
    const int waiting = m_feed.NeedingPerson();
    if (waiting > 0)
    {
        // TRANSLATORS: pages with a bot check or consent wall; F4 goes to them
        const wxString need = wxString::Format(wxPLURAL("%d page needs you", "%d pages need you", waiting), waiting);
        header << "; " << need;
        lines << "\n" << need;
    }
    if (m_strHeader != header)
    {
        m_strHeader = header;
        m_strHeaderLines = lines;
        m_header->SetToolTip(header + "\n" + _("F4 goes to the next page needing attention."));
        WrapHeader();
    }
}

void ResultsPane::WrapHeader()
{
    // Narrow panes and longer translations wrap the header rather than cut it.
    const int width = GetClientSize().x - 8;
    m_header->SetLabel(m_header->GetTextExtent(m_strHeader).x <= width ? m_strHeader : m_strHeaderLines);
    if (width > 20)
        m_header->Wrap(width);
    Layout();
}

void ResultsPane::RefillFilter()
{
    std::vector<size_t> engines;
    const auto& found = m_feed.Engines();
    for (size_t i = 0; i < found.size(); ++i)
        if (!found[i].results.empty())
            engines.push_back(i);
    std::vector<std::string> names;
    for (size_t engine : engines)
        names.push_back(found[engine].name);
    const bool same = names == m_filterNames;
    m_filterEngines = engines;
    if (same && m_filter->GetCount() > 0)
        return;
    // The choice stays on the same engine when others join.
    const int selection = m_filter->GetSelection();
    std::string only;
    if (selection > Alone && static_cast<size_t>(selection - Alone - 1) < m_filterNames.size())
        only = m_filterNames[selection - Alone - 1];
    m_filterNames = names;
    wxArrayString items;
    items.Add(_("All"));
    items.Add(_("Found by More Than One"));
    items.Add(_("Found by One Engine"));
    int next = selection >= 0 && selection <= Alone ? selection : All;
    for (size_t i = 0; i < engines.size(); ++i)
    {
        items.Add(wxString::Format(_("Only in %s"), FromUtf8(found[engines[i]].name)));
        if (!only.empty() && names[i] == only)
            next = static_cast<int>(Alone + 1 + i);
    }
    m_filter->Set(items);
    m_filter->SetSelection(next);
}

bool ResultsPane::Passes(const ResultMerge::Merged& result) const
{
    const int filter = m_filter->GetSelection();
    switch (filter)
    {
    case wxNOT_FOUND:
    case All:
        return true;
    case Agreed:
        return result.foundBy.size() >= 2;
    case Alone:
        return result.foundBy.size() == 1;
    default:
    {
        const size_t index = static_cast<size_t>(filter - Alone - 1);
        return index < m_filterEngines.size() && result.foundBy.size() == 1 &&
               result.foundBy.front().first == m_filterEngines[index];
    }
    }
}

void ResultsPane::OnFilter(wxCommandEvent&)
{
    Rebuild();
}

const ResultMerge::Merged* ResultsPane::Selected() const
{
    const int selection = m_list->GetSelection();
    if (selection < 0 || static_cast<size_t>(selection) >= m_shown.size())
        return nullptr;
    return &m_merged.results[m_shown[selection]];
}

wxString ResultsPane::SummaryNote() const
{
    const size_t agreed = CountAgreed();
    if (agreed == 0)
        return wxString();
    // TRANSLATORS: added to the status bar's end-of-search summary
    return wxString::Format(wxPLURAL(", %zu result found by more than one engine",
                                     ", %zu results found by more than one engine", agreed),
                            agreed);
}

wxString ResultsPane::AllLines() const
{
    wxString text;
    for (const wxString& line : ResultsOutput::Lines(m_feed.Engines(), m_merged))
        text << line << "\n";
    return text;
}

std::string ResultsPane::Json() const
{
    return ResultsOutput::Json({m_words, m_language, m_category}, m_feed.Engines(), m_merged);
}

void ResultsPane::Export()
{
    wxFileDialog save(wxGetTopLevelParent(this), _("Export Results"), wxString(), wxS("results.tsv"),
                      _("Tab-separated lines (*.tsv)|*.tsv|JSON (*.json)|*.json"),
                      wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
    if (save.ShowModal() != wxID_OK)
        return;
    const bool json = save.GetFilterIndex() == 1 || wxFileName(save.GetPath()).GetExt().Lower() == "json";
    if (!ExportTo(save.GetPath(), json))
        wxMessageBox(wxString::Format(_("The results could not be saved to %s."), save.GetPath()),
                     _("Export Results"), wxOK | wxICON_ERROR, wxGetTopLevelParent(this));
}

bool ResultsPane::ExportTo(const wxString& path, bool json) const
{
    // The text outlives its UTF-8 view: the buffer may point into it.
    const wxString text = AllLines();
    const wxScopedCharBuffer lines = text.utf8_str();
    return !path.empty() && SafeFile::Replace(path, json ? Json() + "\n" : std::string(lines.data(), lines.length()));
}

ZulIeCtrl* ResultsPane::TurnTo(size_t engine)
{
    ZulIeCtrl* page = m_feed.PageOf(engine);
    if (!page || !m_notebook)
        return nullptr;
    const int tab = m_notebook->GetPageIndex(page);
    if (tab == wxNOT_FOUND)
        return nullptr;
    // Side by side, the page's own pane turns to it.
    m_notebook->ShowInPane(page);
    if (!page->IsShownOnScreen())
        m_notebook->SetSelection(static_cast<size_t>(tab));
    return page;
}

void ResultsPane::OpenInPage()
{
    const ResultMerge::Merged* result = Selected();
    if (!result || result->foundBy.empty())
        return;
    const wxString url = FromUtf8(result->url);
    if (ZulIeCtrl* page = TurnTo(BestEngine(*result)))
        page->LoadUrl(url);
}

void ResultsPane::OpenOutside()
{
    if (const ResultMerge::Merged* result = Selected())
        wxIEHtmlWin::OpenOutside(FromUtf8(result->url));
}

void ResultsPane::CopyAddress()
{
    const ResultMerge::Merged* result = Selected();
    if (!result)
        return;
    wxClipboardLocker lock;
    if (!!lock)
        wxTheClipboard->SetData(new wxTextDataObject(FromUtf8(result->url)));
}

void ResultsPane::CopyAll()
{
    if (m_merged.results.empty())
        return;
    wxClipboardLocker lock;
    if (!!lock)
        wxTheClipboard->SetData(new wxTextDataObject(AllLines()));
}

void ResultsPane::ShowInPage(size_t engine)
{
    const ResultMerge::Merged* result = Selected();
    if (!result)
        return;
    ZulIeCtrl* page = TurnTo(engine);
    if (page && page->GetWebView())
        ResultSpotlight::Show(page->GetWebView()->GetNativeBackend(), result->url, result->title);
}

void ResultsPane::OnKey(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    const int modifiers = event.GetModifiers();
    if (key == WXK_RETURN || key == WXK_NUMPAD_ENTER)
    {
        if (modifiers == wxMOD_CONTROL)
            OpenOutside();
        else
            OpenInPage();
        return;
    }
    if ((key == 'C' || key == 'c') && modifiers == (wxMOD_CONTROL | wxMOD_SHIFT))
        return CopyAll();
    if ((key == 'C' || key == 'c') && modifiers == wxMOD_CONTROL)
        return CopyAddress();
    event.Skip();
}

void ResultsPane::OnContextMenu(wxContextMenuEvent& event)
{
    // The row under the pointer is the one the menu is for.
    const wxPoint at = event.GetPosition() == wxDefaultPosition ? wxDefaultPosition : m_list->ScreenToClient(event.GetPosition());
    if (at != wxDefaultPosition)
    {
        const int row = m_list->VirtualHitTest(at.y);
        if (row != wxNOT_FOUND)
            m_list->SetSelection(row);
    }
    const ResultMerge::Merged* result = Selected();
    wxMenu menu;
    menu.Append(ID_OPEN, _("Open in Engine's Page\tEnter"));
    menu.Append(ID_OPEN_OUTSIDE, _("Open in Desktop Browser\tCtrl+Enter"));
    menu.Append(ID_COPY_ADDRESS, _("Copy Address\tCtrl+C"));
    if (result)
    {
        menu.AppendSeparator();
        const auto& engines = m_feed.Engines();
        for (const auto& [engine, position] : result->foundBy)
        {
            if (engine >= 1000)
                break;
            menu.Append(ID_SHOW_IN_PAGE + static_cast<int>(engine),
                        wxString::Format(_("Show in %s's Page"), FromUtf8(engines[engine].name)));
        }
    }
    menu.AppendSeparator();
    menu.Append(ID_COPY_ALL, _("Copy All Results\tCtrl+Shift+C"));
    for (int id : {ID_OPEN, ID_OPEN_OUTSIDE, ID_COPY_ADDRESS})
        menu.Enable(id, result != nullptr);
    menu.Enable(ID_COPY_ALL, !m_merged.results.empty());
    // From the keyboard, the menu opens at the selected row rather than at the pointer.
    wxPoint where = at;
    if (where == wxDefaultPosition && m_list->GetSelection() != wxNOT_FOUND)
        where = m_list->GetItemRect(static_cast<size_t>(m_list->GetSelection())).GetBottomLeft() + wxPoint(16, -8);
    PopupMenu(&menu, where == wxDefaultPosition ? wxDefaultPosition : m_list->GetPosition() + where);
}
