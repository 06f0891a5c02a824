#include "engines/EngineImportDlg.h"

#include "common/DialogFont.h"
#include "exchange/EngineImport.h"
#include "catalogue/EngineManager.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/dcmemory.h>
#include <wx/filename.h>
#include <wx/imaglist.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/renderer.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <set>

const long EngineImportDlg::ID_LISTCTRL_IMPORT = wxNewId();
const long EngineImportDlg::ID_COMBOBOX_IMPORT_LANG = wxNewId();
const long EngineImportDlg::ID_COMBOBOX_IMPORT_CATEGORY = wxNewId();
const long EngineImportDlg::ID_BUTTON_SELECT_ALL = wxNewId();
const long EngineImportDlg::ID_BUTTON_SELECT_NONE = wxNewId();

namespace
{
// A file's own name; an address as it is.
wxString SourceName(const wxString& source)
{
    if (source.Contains(wxS("://")))
        return source;
    return wxFileName(source).GetFullName();
}
} // namespace

EngineImportDlg::EngineImportDlg(wxWindow* parent, EngineImport& import,
                                 const EngineManager& catalogue, const wxString& language,
                                 const wxString& category)
    : m_import(import), m_catalogue(catalogue)
{
    Create(parent, wxID_ANY, _("Import Engines"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    SetFont(DialogFont(9));
    BuildLayout(language, category);
    FillList();
    // The list's rows live in a child window, which gets the mouse.
    for (wxWindow* child : m_pList->GetChildren())
    {
        if (static_cast<void*>(child) == static_cast<void*>(m_pList->m_headerWin))
            continue;
        child->Bind(wxEVT_LEFT_DOWN, &EngineImportDlg::OnListClick, this);
        child->Bind(wxEVT_MOTION, &EngineImportDlg::OnListMotion, this);
    }
    m_pList->Bind(wxEVT_LIST_KEY_DOWN, &EngineImportDlg::OnListKey, this);
    m_pList->Bind(wxEVT_LIST_ITEM_SELECTED, &EngineImportDlg::OnItemSelected, this);
    m_pComboLang->Bind(wxEVT_TEXT, &EngineImportDlg::OnGroupChanged, this);
    m_pComboCategory->Bind(wxEVT_TEXT, &EngineImportDlg::OnGroupChanged, this);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TickAll(true); }, ID_BUTTON_SELECT_ALL);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { TickAll(false); }, ID_BUTTON_SELECT_NONE);
    Bind(wxEVT_BUTTON, &EngineImportDlg::OnOK, this, wxID_OK);
}

EngineImportDlg::~EngineImportDlg() = default;

void EngineImportDlg::BuildLayout(const wxString& language, const wxString& category)
{
    const int border = 4;
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(new wxStaticText(this, wxID_ANY, _("Tick the engines to add:")), 0, wxALL, border);

    m_pList = new wxListCtrl(this, ID_LISTCTRL_IMPORT, wxDefaultPosition, wxSize(860, 240),
                             wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_HRULES, wxDefaultValidator,
                             "ID_LISTCTRL_IMPORT");
    BuildTickImages();
    m_pList->AppendColumn(_("Name"), wxLIST_FORMAT_LEFT, 170);
    m_pList->AppendColumn(_("URL"), wxLIST_FORMAT_LEFT, 260);
    m_pList->AppendColumn(_("Encoding"), wxLIST_FORMAT_LEFT, 80);
    // TRANSLATORS: column of the import dialog: the catalogue already has an engine with this URL
    m_pList->AppendColumn(_("In catalogue"), wxLIST_FORMAT_LEFT, 140);
    m_pList->AppendColumn(_("Note"), wxLIST_FORMAT_LEFT, 210);
    column->Add(m_pList, 1, wxALL | wxEXPAND, border);
    m_pNote = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, 0,
                               "ID_STATICTEXT_IMPORT_NOTE");
    m_pNote->Hide();
    column->Add(m_pNote, 0, wxLEFT | wxRIGHT | wxEXPAND, border);

    auto* ticks = new wxBoxSizer(wxHORIZONTAL);
    ticks->Add(new wxButton(this, ID_BUTTON_SELECT_ALL, _("Select &All"), wxDefaultPosition,
                            wxDefaultSize, 0, wxDefaultValidator, "ID_BUTTON_SELECT_ALL"),
               0, wxALL, border);
    ticks->Add(new wxButton(this, ID_BUTTON_SELECT_NONE, _("Select N&one"), wxDefaultPosition,
                            wxDefaultSize, 0, wxDefaultValidator, "ID_BUTTON_SELECT_NONE"),
               0, wxALL, border);
    column->Add(ticks, 0);

    wxArrayString languages;
    m_catalogue.GetLanguages(languages);
    wxArrayString categories;
    m_catalogue.GetCategories(categories, wxEmptyString);
    auto* group = new wxBoxSizer(wxHORIZONTAL);
    group->Add(new wxStaticText(this, wxID_ANY, _("&Language:")), 0,
               wxALL | wxALIGN_CENTER_VERTICAL, border);
    m_pComboLang = new wxComboBox(this, ID_COMBOBOX_IMPORT_LANG, language, wxDefaultPosition,
                                  wxDefaultSize, languages, 0, wxDefaultValidator,
                                  "ID_COMBOBOX_IMPORT_LANG");
    group->Add(m_pComboLang, 1, wxALL | wxALIGN_CENTER_VERTICAL, border);
    group->Add(new wxStaticText(this, wxID_ANY, _("C&ategory:")), 0,
               wxALL | wxALIGN_CENTER_VERTICAL, border);
    m_pComboCategory = new wxComboBox(this, ID_COMBOBOX_IMPORT_CATEGORY, category,
                                      wxDefaultPosition, wxDefaultSize, categories, 0,
                                      wxDefaultValidator, "ID_COMBOBOX_IMPORT_CATEGORY");
    group->Add(m_pComboCategory, 1, wxALL | wxALIGN_CENTER_VERTICAL, border);
    column->Add(group, 0, wxEXPAND);
    column->Add(new wxStaticText(this, wxID_ANY,
                                 _("Engines from an Orvane catalogue file keep their own language "
                                   "and category.")),
                0, wxALL, border);

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, _("&OK"), wxDefaultPosition, wxDefaultSize, 0,
                            wxDefaultValidator, "wxID_OK");
    buttons->Add(ok, 0, wxALL, border);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("&Cancel"), wxDefaultPosition, wxDefaultSize,
                              0, wxDefaultValidator, "wxID_CANCEL"),
                 0, wxALL, border);
    column->Add(buttons, 0, wxALIGN_RIGHT);
    ok->SetDefault();

    // The same margin as the engine dialog: each control's own and this one.
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(column, 1, wxALL | wxEXPAND, border);
    SetSizer(top);
    top->Fit(this);
    top->SetSizeHints(this);
}

void EngineImportDlg::BuildTickImages()
{
    // Drawn boxes rather than the list's own: a row that cannot be added
    // must show no box at all, which the list's check boxes cannot do.
    wxRendererNative& renderer = wxRendererNative::Get();
    const wxSize size = renderer.GetCheckBoxSize(m_pList);
    m_pTickImages = std::make_unique<wxImageList>(size.x, size.y, false, 3);
    for (int flags : {0, int(wxCONTROL_CHECKED), -1})
    {
        wxBitmap bitmap(size.x, size.y, 32);
        bitmap.UseAlpha();
        {
            wxMemoryDC dc(bitmap);
            dc.SetBackground(*wxTRANSPARENT_BRUSH);
            dc.Clear();
            if (flags >= 0)
                renderer.DrawCheckBox(m_pList, dc, wxRect(size), flags);
        }
        if (flags < 0)
        {
            wxImage blank(size.x, size.y);
            blank.InitAlpha();
            memset(blank.GetAlpha(), 0, size.x * size.y);
            bitmap = wxBitmap(blank);
        }
        m_pTickImages->Add(bitmap);
    }
    m_pList->SetImageList(m_pTickImages.get(), wxIMAGE_LIST_SMALL);
}

void EngineImportDlg::FillList()
{
    const auto& items = m_import.Items();
    std::set<wxString> sources;
    for (const EngineImport::Item& item : items)
        sources.insert(item.source);
    const bool manyFiles = sources.size() > 1;
    if (manyFiles)
    {
        // Room for it within the list's width: no sideways scrolling.
        const int widths[] = {150, 220, 70, 130, 160, 130};
        m_pList->AppendColumn(_("File"), wxLIST_FORMAT_LEFT);
        for (int column = 0; column < static_cast<int>(WXSIZEOF(widths)); ++column)
            m_pList->SetColumnWidth(column, widths[column]);
    }

    for (size_t i = 0; i < items.size(); ++i)
    {
        const EngineImport::Item& item = items[i];
        const long row = m_pList->InsertItem(static_cast<long>(i),
                                             item.engine ? item.engine->m_strName : item.source);
        if (item.engine)
        {
            m_pList->SetItem(row, COLUMN_URL, item.engine->m_strUrl);
            m_pList->SetItem(row, COLUMN_ENCODING, item.engine->m_strEncoding);
        }
        if (!item.problem.IsEmpty())
            m_pList->SetItem(row, COLUMN_NOTE, item.problem.Text(true));
        else if (!item.shortcutNote.IsEmpty())
            m_pList->SetItem(row, COLUMN_NOTE, item.shortcutNote.Text(true));
        else if (item.fromCatalogue)
            m_pList->SetItem(row, COLUMN_NOTE,
                             wxString::Format("%s / %s", item.engine->m_strLanguage,
                                              item.engine->m_strCategory));
        if (manyFiles)
            m_pList->SetItem(row, COLUMN_FILE, SourceName(item.source));
        ShowRowState(row);
    }
}

void EngineImportDlg::ShowRowState(long row)
{
    const EngineImport::Item& item = m_import.Items()[row];
    // TRANSLATORS: import dialog, "In catalogue" column: one in the group differs in other query parameters only
    m_pList->SetItem(row, COLUMN_IN_CATALOGUE, item.duplicate  ? _("Yes")
                                               : item.probable ? _("Probably in catalogue")
                                                               : wxString());
    m_pList->SetItemImage(row, !CanAdd(row) ? IMAGE_NO_BOX
                               : item.chosen ? IMAGE_TICKED
                                             : IMAGE_UNTICKED);
}

bool EngineImportDlg::CanAdd(long row) const
{
    const auto& items = m_import.Items();
    if (row < 0 || static_cast<size_t>(row) >= items.size())
        return false;
    return items[row].engine && items[row].problem.IsEmpty();
}

bool EngineImportDlg::IsTicked(long row) const
{
    return CanAdd(row) && m_import.Items()[row].chosen;
}

void EngineImportDlg::SetTicked(long row, bool ticked)
{
    // A row that cannot be added keeps no tick; its note says why.
    if (!CanAdd(row))
        return;
    m_import.Items()[row].chosen = ticked;
    ShowRowState(row);
}

void EngineImportDlg::TickAll(bool ticked)
{
    for (long row = 0; row < m_pList->GetItemCount(); ++row)
        SetTicked(row, ticked);
}

void EngineImportDlg::OnListClick(wxMouseEvent& event)
{
    event.Skip();
    int flags = 0;
    const long row = m_pList->HitTest(event.GetPosition(), flags);
    if (row != wxNOT_FOUND && (flags & wxLIST_HITTEST_ONITEMICON))
        SetTicked(row, !IsTicked(row));
}

void EngineImportDlg::OnListMotion(wxMouseEvent& event)
{
    event.Skip();
    int flags = 0;
    const long row = m_pList->HitTest(event.GetPosition(), flags);
    if (row == m_nToolTipRow)
        return;
    m_nToolTipRow = row;
    // The column cuts long notes; the tip shows them whole.
    auto* window = static_cast<wxWindow*>(event.GetEventObject());
    const wxString note = row == wxNOT_FOUND ? wxString() : m_pList->GetItemText(row, COLUMN_NOTE);
    if (note.empty())
        window->UnsetToolTip();
    else
        window->SetToolTip(note);
}

void EngineImportDlg::OnListKey(wxListEvent& event)
{
    if (event.GetKeyCode() == WXK_SPACE && event.GetIndex() >= 0)
        SetTicked(event.GetIndex(), !IsTicked(event.GetIndex()));
    else
        event.Skip();
}

void EngineImportDlg::OnItemSelected(wxListEvent& event)
{
    ShowNote(event.GetIndex());
}

void EngineImportDlg::ShowNote(long row)
{
    const wxString note = m_pList->GetItemText(row, COLUMN_NOTE);
    m_pNote->SetLabelText(note);
    m_pNote->Wrap(m_pList->GetClientSize().GetWidth());
    m_pNote->Show(!note.empty());
    Layout();
}

void EngineImportDlg::OnGroupChanged(wxCommandEvent& event)
{
    event.Skip();
    // Whether a description is a duplicate depends on the group it joins.
    m_import.CheckDuplicates(m_catalogue, GetLanguage(), GetCategory());
    for (long row = 0; row < m_pList->GetItemCount(); ++row)
        ShowRowState(row);
}

wxString EngineImportDlg::GetLanguage() const
{
    wxString text = m_pComboLang->GetValue();
    return text.Trim(true).Trim(false);
}

wxString EngineImportDlg::GetCategory() const
{
    wxString text = m_pComboCategory->GetValue();
    return text.Trim(true).Trim(false);
}

void EngineImportDlg::OnOK(wxCommandEvent& WXUNUSED(event))
{
    auto& items = m_import.Items();
    bool needsGroup = false;
    for (size_t i = 0; i < items.size(); ++i)
    {
        if (IsTicked(static_cast<long>(i)) &&
            (!items[i].fromCatalogue || items[i].engine->m_strLanguage.empty() ||
             items[i].engine->m_strCategory.empty()))
            needsGroup = true;
    }
    if (needsGroup && GetLanguage().empty())
    {
        wxMessageBox(_("Please input language!"), _("Confirm"), wxOK | wxCENTRE, nullptr);
        return;
    }
    if (needsGroup && GetCategory().empty())
    {
        wxMessageBox(_("Please input category!"), _("Confirm"), wxOK | wxCENTRE, nullptr);
        return;
    }
    for (size_t i = 0; i < items.size(); ++i)
        items[i].chosen = IsTicked(static_cast<long>(i));
    SetReturnCode(wxID_OK);
    if (IsModal())
        EndModal(wxID_OK);
    else
        Hide();
}
