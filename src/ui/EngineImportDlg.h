#pragma once

#include <wx/dialog.h>

#include <vector>

class wxComboBox;
class wxListCtrl;
class wxListEvent;
class wxStaticText;
class EngineImport;
class EngineManager;

// Shows what an import found (name, URL template, encoding, whether the
// catalogue already has the URL, or why it cannot be added) with a check box
// per engine, and the language and category for engines from descriptions.
// On OK it marks the ticked items as chosen; the caller applies them.
class EngineImportDlg : public wxDialog
{
public:
    EngineImportDlg(wxWindow* parent, EngineImport& import, const EngineManager& catalogue,
                    const wxString& language, const wxString& category);

    // Trimmed texts of the two boxes.
    wxString GetLanguage() const;
    wxString GetCategory() const;

    wxListCtrl* GetList() const { return m_pList; }
    wxComboBox* GetLanguageBox() const { return m_pComboLang; }
    wxComboBox* GetCategoryBox() const { return m_pComboCategory; }

    static const long ID_LISTCTRL_IMPORT;
    static const long ID_COMBOBOX_IMPORT_LANG;
    static const long ID_COMBOBOX_IMPORT_CATEGORY;

    enum Column
    {
        COLUMN_NAME = 0,
        COLUMN_URL,
        COLUMN_ENCODING,
        COLUMN_IN_CATALOGUE,
        COLUMN_NOTE
    };

private:
    void BuildLayout(const EngineManager& catalogue, const wxString& language,
                     const wxString& category);
    void FillList();
    void OnItemChecked(wxListEvent& event);
    void OnItemSelected(wxListEvent& event);
    void OnOK(wxCommandEvent& event);
    // The row's item can be added (it has an engine and no problem).
    bool CanAdd(long row) const;

    EngineImport& m_import;
    wxListCtrl* m_pList = nullptr;
    wxComboBox* m_pComboLang = nullptr;
    wxComboBox* m_pComboCategory = nullptr;
    // The selected row's note in full: a column cuts long ones.
    wxStaticText* m_pNote = nullptr;
};
