#pragma once

#include <wx/dialog.h>

#include <memory>
#include <vector>

class wxComboBox;
class wxImageList;
class wxListCtrl;
class wxListEvent;
class wxMouseEvent;
class wxStaticText;
class EngineImport;
class EngineManager;

// Shows what an import found (name, URL template, encoding, whether the
// catalogue already has the URL in that group, or why it cannot be added,
// and the file when there are several) with a tick per engine that can be
// added, and the language and category for engines from descriptions.
// Ticks are the items' `chosen` flags; the caller applies them after OK.
class EngineImportDlg : public wxDialog
{
public:
    EngineImportDlg(wxWindow* parent, EngineImport& import, const EngineManager& catalogue,
                    const wxString& language, const wxString& category);
    ~EngineImportDlg() override;

    // Trimmed texts of the two boxes.
    wxString GetLanguage() const;
    wxString GetCategory() const;

    // A row that cannot be added has no box and is never ticked.
    bool IsTicked(long row) const;
    void SetTicked(long row, bool ticked);
    // Ticks every row that can be added, or none.
    void TickAll(bool ticked);

    wxListCtrl* GetList() const { return m_pList; }
    wxComboBox* GetLanguageBox() const { return m_pComboLang; }
    wxComboBox* GetCategoryBox() const { return m_pComboCategory; }
    // The selected row's note in full, under the list; hidden without one.
    wxStaticText* GetNoteText() const { return m_pNote; }

    static const long ID_LISTCTRL_IMPORT;
    static const long ID_COMBOBOX_IMPORT_LANG;
    static const long ID_COMBOBOX_IMPORT_CATEGORY;
    static const long ID_BUTTON_SELECT_ALL;
    static const long ID_BUTTON_SELECT_NONE;

    enum Column
    {
        COLUMN_NAME = 0,
        COLUMN_URL,
        COLUMN_ENCODING,
        COLUMN_IN_CATALOGUE,
        COLUMN_NOTE,
        COLUMN_FILE  // only when the rows come from more than one file
    };
    // Pictures of a row's box.
    enum
    {
        IMAGE_UNTICKED = 0,
        IMAGE_TICKED,
        IMAGE_NO_BOX
    };

private:
    void BuildLayout(const wxString& language, const wxString& category);
    void BuildTickImages();
    void FillList();
    void ShowRowState(long row);
    void OnListClick(wxMouseEvent& event);
    void OnListMotion(wxMouseEvent& event);
    void OnListKey(wxListEvent& event);
    void OnItemSelected(wxListEvent& event);
    void OnGroupChanged(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
    // The row's item can be added (it has an engine and no problem).
    bool CanAdd(long row) const;
    void ShowNote(long row);

    EngineImport& m_import;
    const EngineManager& m_catalogue;
    std::unique_ptr<wxImageList> m_pTickImages;
    wxListCtrl* m_pList = nullptr;
    wxComboBox* m_pComboLang = nullptr;
    wxComboBox* m_pComboCategory = nullptr;
    wxStaticText* m_pNote = nullptr;
    long m_nToolTipRow = -1;
};
