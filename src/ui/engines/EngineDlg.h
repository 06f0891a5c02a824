#pragma once

#include <wx/dialog.h>

class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxStaticLine;
class wxStaticText;
class wxTextCtrl;
class Engine;
class EngineManager;

// Modal dialog that fills in or changes one engine record. The record is
// written only when the user confirms valid input; Cancel leaves it as it was.
class EngineDlg : public wxDialog
{
public:
    explicit EngineDlg(wxWindow* parent, wxWindowID id = wxID_ANY);
    ~EngineDlg() override;

    // Set by the caller before the dialog is shown; neither is owned.
    EngineManager* m_pEngineManager = nullptr;
    Engine* m_pEngine = nullptr;

    // Longest name and URL template the user may type.
    static constexpr unsigned long NAME_MAX_LENGTH = 16;
    static constexpr unsigned long URL_MAX_LENGTH = 256;

    static const long ID_STATICTEXT1;
    static const long ID_COMBOBOX_LANG;
    static const long ID_STATICTEXT2;
    static const long ID_COMBOBOX_CATEGORY;
    static const long ID_STATICTEXT3;
    static const long ID_TEXTCTRL_NAME;
    static const long ID_STATICTEXT4;
    static const long ID_CHOICE_ENCODING;
    static const long ID_STATICTEXT_URL;
    static const long ID_TEXTCTRL_URL;
    static const long ID_STATICTEXT5;
    static const long ID_TEXTCTRL_INDEX;
    static const long ID_CHECKBOX_ENABLE_INDEX;
    static const long ID_CHECKBOX_ENABLE;
    static const long ID_STATICLINE1;
    static const long ID_STATICTEXT_SHORTCUT;
    static const long ID_TEXTCTRL_SHORTCUT;

    wxStaticText* m_pLabelLang = nullptr;
    wxComboBox* m_pComboLang = nullptr;
    wxStaticText* m_pLabelCategory = nullptr;
    wxComboBox* m_pComboCategory = nullptr;
    wxStaticText* m_pLabelName = nullptr;
    wxTextCtrl* m_pTextName = nullptr;
    wxStaticText* m_pLabelEncoding = nullptr;
    wxChoice* m_pChoiceEncoding = nullptr;
    wxStaticText* m_pLabelUrl = nullptr;
    wxTextCtrl* m_pTextUrl = nullptr;
    wxStaticText* m_pLabelIndex = nullptr;
    wxTextCtrl* m_pTextIndex = nullptr;
    wxCheckBox* m_pCheckEnableIndex = nullptr;
    wxCheckBox* m_pCheckEnable = nullptr;
    wxStaticLine* m_pButtonsLine = nullptr;
    wxStaticText* m_pLabelShortcut = nullptr;
    wxTextCtrl* m_pTextShortcut = nullptr;

    void OnInitDialog(wxInitDialogEvent& event);
    void OnCheckEnableIndex(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);

private:
    void BuildLayout();
    // GTK has no length limit for multi-line fields: this one cuts what was
    // just typed or pasted beyond m_nUrlMaxLength.
    void OnUrlText(wxCommandEvent& event);
    void CutUrlToLimit();
    unsigned long m_nUrlMaxLength = URL_MAX_LENGTH;
    // Shows an input error and leaves the dialog open.
    static void ShowInputError(const wxString& message);
};
