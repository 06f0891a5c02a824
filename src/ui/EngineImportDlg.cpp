#include "EngineImportDlg.h"

#include "DialogFont.h"
#include "exchange/EngineImport.h"
#include "catalogue/EngineManager.h"

#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

const long EngineImportDlg::ID_LISTCTRL_IMPORT = wxNewId();
const long EngineImportDlg::ID_COMBOBOX_IMPORT_LANG = wxNewId();
const long EngineImportDlg::ID_COMBOBOX_IMPORT_CATEGORY = wxNewId();

EngineImportDlg::EngineImportDlg(wxWindow* parent, EngineImport& import,
                                 const EngineManager& catalogue, const wxString& language,
                                 const wxString& category)
    : m_import(import)
{
    Create(parent, wxID_ANY, _("Import Engines"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    SetFont(DialogFont(9));
    BuildLayout(catalogue, language, category);
    FillList();
    m_pList->Bind(wxEVT_LIST_ITEM_CHECKED, &EngineImportDlg::OnItemChecked, this);
    m_pList->Bind(wxEVT_LIST_ITEM_SELECTED, &EngineImportDlg::OnItemSelected, this);
    Bind(wxEVT_BUTTON, &EngineImportDlg::OnOK, this, wxID_OK);
}

void EngineImportDlg::BuildLayout(const EngineManager& catalogue, const wxString& language,
                                  const wxString& category)
{
    const int border = 4;
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new wxStaticText(this, wxID_ANY, _("Tick the engines to add:")), 0, wxALL, border);

    m_pList = new wxListCtrl(this, ID_LISTCTRL_IMPORT, wxDefaultPosition, wxSize(860, 240),
                             wxLC_REPORT | wxLC_SINGLE_SEL | wxLC_HRULES, wxDefaultValidator,
                             "ID_LISTCTRL_IMPORT");
    m_pList->EnableCheckBoxes();
    m_pList->AppendColumn(_("Name"), wxLIST_FORMAT_LEFT, 150);
    m_pList->AppendColumn(_("URL"), wxLIST_FORMAT_LEFT, 260);
    m_pList->AppendColumn(_("Encoding"), wxLIST_FORMAT_LEFT, 80);
    // TRANSLATORS: column of the import dialog: the catalogue already has an engine with this URL
    m_pList->AppendColumn(_("In catalogue"), wxLIST_FORMAT_LEFT, 100);
    m_pList->AppendColumn(_("Note"), wxLIST_FORMAT_LEFT, 280);
    top->Add(m_pList, 1, wxALL | wxEXPAND, border);
    m_pNote = new wxStaticText(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(-1, 36),
                               wxST_NO_AUTORESIZE);
    top->Add(m_pNote, 0, wxALL | wxEXPAND, border);

    wxArrayString languages;
    catalogue.GetLanguages(languages);
    wxArrayString categories;
    catalogue.GetCategories(categories, wxEmptyString);
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
    top->Add(group, 0, wxALL | wxEXPAND, border);
    top->Add(new wxStaticText(this, wxID_ANY,
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
    top->Add(buttons, 0, wxALL | wxALIGN_RIGHT, border);
    ok->SetDefault();

    SetSizer(top);
    top->Fit(this);
    top->SetSizeHints(this);
}

void EngineImportDlg::FillList()
{
    const auto& items = m_import.Items();
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
        if (item.duplicate)
            m_pList->SetItem(row, COLUMN_IN_CATALOGUE, _("Yes"));
        if (!item.problem.IsEmpty())
            m_pList->SetItem(row, COLUMN_NOTE, item.problem.Text(true));
        else if (!item.shortcutNote.IsEmpty())
            m_pList->SetItem(row, COLUMN_NOTE, item.shortcutNote.Text(true));
        else if (item.fromCatalogue)
            m_pList->SetItem(row, COLUMN_NOTE,
                             wxString::Format("%s / %s", item.engine->m_strLanguage,
                                              item.engine->m_strCategory));
        m_pList->CheckItem(row, item.chosen);
    }
}

bool EngineImportDlg::CanAdd(long row) const
{
    const auto& items = m_import.Items();
    if (row < 0 || static_cast<size_t>(row) >= items.size())
        return false;
    return items[row].engine && items[row].problem.IsEmpty();
}

void EngineImportDlg::OnItemChecked(wxListEvent& event)
{
    // A row that cannot be added keeps its box empty; the note says why.
    if (!CanAdd(event.GetIndex()))
        m_pList->CheckItem(event.GetIndex(), false);
}

void EngineImportDlg::OnItemSelected(wxListEvent& event)
{
    m_pNote->SetLabelText(m_pList->GetItemText(event.GetIndex(), COLUMN_NOTE));
    m_pNote->Wrap(m_pNote->GetSize().GetWidth());
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
        const bool ticked = CanAdd(static_cast<long>(i)) && m_pList->IsItemChecked(static_cast<long>(i));
        if (ticked && (!items[i].fromCatalogue || items[i].engine->m_strLanguage.empty() ||
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
        items[i].chosen = CanAdd(static_cast<long>(i)) && m_pList->IsItemChecked(static_cast<long>(i));
    SetReturnCode(wxID_OK);
    if (IsModal())
        EndModal(wxID_OK);
    else
        Hide();
}
