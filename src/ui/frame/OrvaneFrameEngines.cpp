// The engine manager panel: the engine list, its sorting and buttons. Every
// change goes through the catalogue, whose notification refills the list.
#include "frame/OrvaneFrame.h"

#include "pages/OutcomeText.h"

#include "engines/EngineDlg.h"
#include "catalogue/EngineRules.h"
#include "catalogue/ShortcutQuery.h"
#include "store/Preference.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/datetime.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/statusbr.h>
#include <wx/wupdlock.h>

#include <algorithm>
#include <map>
#include <memory>

namespace
{
// Text colour of a disabled engine's row.
const wxColour DISABLED_ENGINE_COLOUR(172, 168, 153);
// A pale red that keeps black and greyed text readable.
const wxColour FAILING_ENGINE_COLOUR(252, 224, 220);

// How the engine list is sorted; SortItems hands it to the comparison.
struct EngineSort
{
    int column = 0;
    bool descending = false;
    // Share of searches with results, for the Health column; engines never
    // searched have none and go last.
    std::map<const Engine*, double> health;
};

int wxCALLBACK CompareEngineRows(wxIntPtr item1, wxIntPtr item2, wxIntPtr sortData)
{
    const auto* sort = reinterpret_cast<const EngineSort*>(sortData);
    const auto* first = reinterpret_cast<const Engine*>(item1);
    const auto* second = reinterpret_cast<const Engine*>(item2);
    int result = 0;
    if (sort->column == OrvaneFrame::ENGINE_COLUMN_HEALTH)
    {
        const auto a = sort->health.find(first);
        const auto b = sort->health.find(second);
        const bool hasA = a != sort->health.end();
        const bool hasB = b != sort->health.end();
        if (hasA != hasB)
            return hasA ? -1 : 1;  // unsearched engines last either way
        if (hasA && a->second != b->second)
            result = a->second < b->second ? -1 : 1;
        else
            result = EngineRules::Compare(first, second, EngineRules::COLUMN_INDEX);
    }
    else
    {
        result = EngineRules::Compare(first, second, sort->column);
    }
    return sort->descending ? -result : result;
}

// Selects and shows the engine's row. Raises the item-selected report, which
// makes it the selected engine.
void SelectEngineRow(wxListCtrl* list, const Engine* engine)
{
    const long row = list->FindItem(-1, reinterpret_cast<wxUIntPtr>(engine));
    if (row == wxNOT_FOUND)
        return;
    list->SetItemState(row, wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED,
                       wxLIST_STATE_SELECTED | wxLIST_STATE_FOCUSED);
    list->EnsureVisible(row);
}
} // namespace

void OrvaneFrame::BindEngineManagerEvents()
{
    Bind(wxEVT_LIST_ITEM_SELECTED, &OrvaneFrame::OnEngineSelected, this, ID_LISTCTRL_ENGINE);
    Bind(wxEVT_LIST_ITEM_DESELECTED, &OrvaneFrame::OnEngineDeselected, this, ID_LISTCTRL_ENGINE);
    Bind(wxEVT_LIST_COL_CLICK, &OrvaneFrame::OnEngineColumnClick, this, ID_LISTCTRL_ENGINE);
    Bind(wxEVT_CHECKBOX, &OrvaneFrame::OnShowAll, this, ID_CHECKBOX_SHOWALL);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnAddEngine, this, ID_BUTTON_ADD);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnEditEngine, this, ID_BUTTON_EDIT);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnDeleteEngine, this, ID_BUTTON_DELETE);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnCopyEngine, this, ID_BUTTON_COPY);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnEnableEngine, this, ID_BUTTON_ENABLE);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnEngineUp, this, wxID_UP);
    Bind(wxEVT_BUTTON, &OrvaneFrame::OnEngineDown, this, wxID_DOWN);
}

wxWindow* OrvaneFrame::EngineListHeader() const
{
    // GTK's list is the generic one: a heading window at the top, above the
    // rows' window (neither has a class of its own to tell them apart by).
    for (wxWindow* child : m_pEngineList->GetChildren())
    {
        if (child->GetPosition().y == 0 && child->GetSize().y < m_pEngineList->GetClientSize().y / 2)
            return child;
    }
    return nullptr;
}

void OrvaneFrame::OnEngineHeaderMotion(wxMouseEvent& event)
{
    event.Skip();
    auto* header = static_cast<wxWindow*>(event.GetEventObject());
    if (header != EngineListHeader())
        return;
    // The headings scroll sideways with the rows.
    int x = m_pEngineList->CalcUnscrolledPosition(event.GetPosition()).x;
    int column = 0;
    for (; column < m_pEngineList->GetColumnCount(); ++column)
    {
        x -= m_pEngineList->GetColumnWidth(column);
        if (x < 0)
            break;
    }
    const wxString tip =
        column == ENGINE_COLUMN_HEALTH
            // TRANSLATORS: the tooltip of the engine list's Health heading
            ? _("Health: the engine's searches with results out of its last ones (at most 20).\n"
                "A pale red row: its last three searches failed, met an error status or a bot check.\n"
                "Point at a row for its outcomes with their dates.")
            : wxString();
    if (header->GetToolTipText() == tip)
        return;
    if (tip.empty())
        header->UnsetToolTip();
    else
        header->SetToolTip(tip);
}

void OrvaneFrame::OnEngineListMotion(wxMouseEvent& event)
{
    event.Skip();
    int flags = 0;
    const long row = m_pEngineList->HitTest(event.GetPosition(), flags);
    const Engine* engine = row == wxNOT_FOUND ? nullptr : reinterpret_cast<const Engine*>(m_pEngineList->GetItemData(row));
    wxString tip;
    if (engine)
    {
        // The latest first, as the person asks "what happened last time".
        const std::vector<EngineHealth::Entry> history = m_pHealth->History(*engine);
        for (auto it = history.rbegin(); it != history.rend(); ++it)
        {
            if (!tip.empty())
                tip << "\n";
            tip << wxDateTime(static_cast<time_t>(it->when)).Format("%Y-%m-%d %H:%M") << "  "
                << OutcomeText::Name(it->outcome);
        }
    }
    if (m_pEngineList->GetToolTipText() != tip)
    {
        if (tip.empty())
            m_pEngineList->UnsetToolTip();
        else
            m_pEngineList->SetToolTip(tip);
    }
}

void OrvaneFrame::RefillEngineList()
{
    if (!m_pEngineList)
        return;
    wxWindowUpdateLocker noUpdates(m_pEngineList);
    if (m_pEngineList->GetItemCount() > 0)
        m_pEngineList->DeleteAllItems();
    // Nothing is selected until a marked row is; the buttons must not act
    // on an engine that the list no longer shows.
    m_pSelectedEngine = nullptr;
    SetEngineButtonStates(false);

    EngineArray engines;
    if (m_nShowAll)
    {
        for (const auto& engine : m_engineManager.m_engines)
            engines.push_back(engine.get());
    }
    else
    {
        engines = m_engineManager.GetEngines(m_pChoiceLang->GetStringSelection(),
                                             m_pChoiceCategory->GetStringSelection(), true);
    }

    const ShortcutQuery shortcuts(m_engineManager);
    Engine* marked = nullptr;
    for (Engine* engine : engines)
    {
        const long row = m_pEngineList->InsertItem(
            m_pEngineList->GetItemCount(), engine->m_strName,
            engine->m_bEnable ? IMAGE_ENGINE_ENABLED : IMAGE_ENGINE_DISABLED);
        m_pEngineList->SetItem(row, EngineRules::COLUMN_LANGUAGE, engine->m_strLanguage);
        m_pEngineList->SetItem(row, EngineRules::COLUMN_CATEGORY, engine->m_strCategory);
        // An engine stored with another kind of address stays listed, so the
        // user can mend or delete it, but says why its tab shows nothing.
        const bool webAddress = EngineRules::IsWebAddress(engine->m_strUrl);
        // TRANSLATORS: the engine list's status column: the engine takes part in searches or not
        wxString status = engine->m_bEnable ? _("Enable") : _("Disable");
        if (!webAddress)
            // TRANSLATORS: the engine list's status column (about 10 characters fit): the
            // engine's address is not an http or https one, so it is never opened
            status = _("Blocked");
        m_pEngineList->SetItem(row, EngineRules::COLUMN_STATUS, status);
        m_pEngineList->SetItem(row, EngineRules::COLUMN_ENCODING, engine->m_strEncoding);
        m_pEngineList->SetItem(row, EngineRules::COLUMN_INDEX,
                               wxString::Format("%d", engine->m_nIndex));
        m_pEngineList->SetItem(row, EngineRules::COLUMN_URL, engine->m_strUrl);
        if (!engine->m_strShortcut.empty())
            m_pEngineList->SetItem(row, EngineRules::COLUMN_SHORTCUT,
                                   shortcuts.IsUsed(*engine)
                                       ? engine->m_strShortcut
                                       // TRANSLATORS: a stored shortcut that is malformed or another engine's
                                       : wxString::Format(_("%s (not used)"), engine->m_strShortcut));
        m_pEngineList->SetItemPtrData(row, reinterpret_cast<wxUIntPtr>(engine));
        if (!engine->m_bEnable || !webAddress)
            m_pEngineList->SetItemTextColour(row, DISABLED_ENGINE_COLOUR);
        const std::vector<EngineHealth::Entry> history = m_pHealth->History(*engine);
        if (!history.empty())
            m_pEngineList->SetItem(row, ENGINE_COLUMN_HEALTH,
                                   wxString::Format("%d/%d", EngineHealth::ResultCount(history),
                                                    static_cast<int>(history.size())));
        // Three failures, error statuses or bot checks in a row: the engine
        // may be blocked or gone (an empty page is no sign of that).
        if (EngineHealth::IsFailing(history))
            m_pEngineList->SetItemBackgroundColour(row, FAILING_ENGINE_COLOUR);
        if (engine->m_bMark)
            marked = engine;
    }

    m_nSortAscending = true;
    SortEngineRows(m_nSortColumn, false);

    // Selected only now: sorting clears the selection of the generic list.
    if (marked)
        SelectEngineRow(m_pEngineList, marked);
    SyncEngineSelection();
}

void OrvaneFrame::SyncEngineSelection()
{
    // The list's own selection is the truth: a highlighted row that the
    // buttons ignore cannot be clicked back into use.
    const long row = m_pEngineList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    m_pSelectedEngine = row == -1 ? nullptr : reinterpret_cast<Engine*>(m_pEngineList->GetItemData(row));
    SetEngineButtonStates(m_pSelectedEngine != nullptr);
}

void OrvaneFrame::SetEngineButtonStates(bool hasSelection)
{
    if (!m_pButtonEdit)
        return;
    m_pButtonEdit->Enable(hasSelection);
    m_pButtonDelete->Enable(hasSelection);
    m_pButtonCopy->Enable(hasSelection);
    m_pButtonEnable->Enable(hasSelection);
    // Moving follows the index order of one language and category, which
    // the full list does not show.
    m_pButtonUp->Enable(hasSelection && !m_nShowAll);
    m_pButtonDown->Enable(hasSelection && !m_nShowAll);
}

void OrvaneFrame::ShowEngineCount()
{
    SetStatusText(wxString::Format(_("Engine Count: %d / %d"),
                                   static_cast<int>(m_engineManager.GetEnabledCount()),
                                   static_cast<int>(m_engineManager.m_engines.size())),
                  2);
    FitStatusFields();
}

void OrvaneFrame::KeepUserChoices()
{
    if (!m_pPreference)
        return;
    m_pPreference->m_strLang = m_pChoiceLang->GetStringSelection();
    m_pPreference->m_strCategory = m_pChoiceCategory->GetStringSelection();
}

void OrvaneFrame::OnEngineSelected(wxListEvent& event)
{
    m_pSelectedEngine = reinterpret_cast<Engine*>(m_pEngineList->GetItemData(event.GetIndex()));
    if (m_pSelectedEngine)
    {
        SetEngineButtonStates(true);
        wxString text = m_pSelectedEngine->m_strUrl;
        if (!EngineRules::IsWebAddress(text))
            text = EngineRules::NotWebAddressMessage() + "  " + text;
        SetStatusText(text, 0);
    }
    else
    {
        SetEngineButtonStates(false);
    }
}

void OrvaneFrame::OnEngineDeselected(wxListEvent& WXUNUSED(event))
{
    m_pSelectedEngine = nullptr;
    SetEngineButtonStates(false);
}

void OrvaneFrame::OnEngineColumnClick(wxListEvent& event)
{
    const int column = event.GetColumn();
    if (column < 0)
        return;
    bool descending = false;
    if (column == m_nSortColumn)
    {
        descending = m_nSortAscending;
        m_nSortAscending = !m_nSortAscending;
    }
    else
    {
        m_nSortAscending = true;
        m_nSortColumn = column;
    }
    const long selectedRow =
        m_pEngineList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    const Engine* selected = selectedRow == -1
        ? nullptr
        : reinterpret_cast<const Engine*>(m_pEngineList->GetItemData(selectedRow));
    SortEngineRows(column, descending);
    // Sorting clears the selection; the user's row stays selected.
    if (selected)
        SelectEngineRow(m_pEngineList, selected);
}

void OrvaneFrame::SortEngineRows(int column, bool descending)
{
    EngineSort sort;
    sort.column = column;
    sort.descending = descending;
    if (column == ENGINE_COLUMN_HEALTH)
    {
        for (long row = 0; row < m_pEngineList->GetItemCount(); ++row)
        {
            const auto* engine = reinterpret_cast<const Engine*>(m_pEngineList->GetItemData(row));
            const std::vector<EngineHealth::Entry> history = m_pHealth->History(*engine);
            if (!history.empty())
                sort.health[engine] = static_cast<double>(EngineHealth::ResultCount(history)) /
                                      static_cast<double>(history.size());
        }
    }
    m_pEngineList->SortItems(CompareEngineRows, reinterpret_cast<wxIntPtr>(&sort));
}

void OrvaneFrame::OnShowAll(wxCommandEvent& WXUNUSED(event))
{
    m_nShowAll = m_pCheckShowAll->GetValue();
    RefillEngineList();
}

void OrvaneFrame::OnAddEngine(wxCommandEvent& WXUNUSED(event))
{
    EngineDlg dlg(this);
    auto engine = EngineRules::NewEngine(m_engineManager);

    dlg.m_pEngineManager = &m_engineManager;
    dlg.m_pEngine = engine.get();
    if (dlg.ShowModal() != wxID_OK)
        return;  // the new engine goes with the unique_ptr
    KeepUserChoices();
    m_engineManager.AddEngine(std::move(engine));
}

void OrvaneFrame::OnEditEngine(wxCommandEvent& WXUNUSED(event))
{
    Engine* const engine = m_pSelectedEngine;
    if (!engine)
        return;
    EngineDlg dlg(this);
    dlg.m_pEngineManager = &m_engineManager;
    dlg.m_pEngine = engine;
    if (dlg.ShowModal() != wxID_OK)
        return;
    KeepUserChoices();
    m_engineManager.EngineChanged(engine);
}

void OrvaneFrame::OnCopyEngine(wxCommandEvent& WXUNUSED(event))
{
    const Engine* const source = m_pSelectedEngine;
    if (!source)
        return;
    EngineDlg dlg(this);
    auto engine = EngineRules::MakeCopy(*source, m_engineManager);

    dlg.m_pEngineManager = &m_engineManager;
    dlg.m_pEngine = engine.get();
    if (dlg.ShowModal() != wxID_OK)
        return;
    KeepUserChoices();
    m_engineManager.AddEngine(std::move(engine));
}

void OrvaneFrame::OnDeleteEngine(wxCommandEvent& WXUNUSED(event))
{
    Engine* const engine = m_pSelectedEngine;
    if (!engine)
        return;
    if (wxMessageBox(_("Do you want to delete?"), _("Confirm"),
                     wxYES_NO | wxICON_QUESTION | wxCENTRE, this) != wxYES)
        return;
    KeepUserChoices();
    // Forget the engine before it is destroyed: nothing may reach it afterwards.
    m_pSelectedEngine = nullptr;
    m_engineManager.RemoveEngine(engine);
}

void OrvaneFrame::OnEnableEngine(wxCommandEvent& WXUNUSED(event))
{
    Engine* const engine = m_pSelectedEngine;
    if (!engine)
        return;
    KeepUserChoices();
    engine->m_bEnable = !engine->m_bEnable;
    m_engineManager.EngineChanged(engine);
}

void OrvaneFrame::OnEngineUp(wxCommandEvent& WXUNUSED(event))
{
    Engine* const engine = m_pSelectedEngine;
    if (!engine)
        return;
    // Copied: the catalogue reuses its filtered list on the next query.
    const EngineArray list = m_engineManager.GetEngines(
        m_pChoiceLang->GetStringSelection(), m_pChoiceCategory->GetStringSelection(), true);
    if (Engine* previous = EngineRules::Neighbour(list, engine, -1))
        m_engineManager.SwapIndex(engine, previous);
}

void OrvaneFrame::OnEngineDown(wxCommandEvent& WXUNUSED(event))
{
    Engine* const engine = m_pSelectedEngine;
    if (!engine)
        return;
    const EngineArray list = m_engineManager.GetEngines(
        m_pChoiceLang->GetStringSelection(), m_pChoiceCategory->GetStringSelection(), true);
    if (Engine* next = EngineRules::Neighbour(list, engine, +1))
        m_engineManager.SwapIndex(engine, next);
}
