#pragma once

#include <wx/dialog.h>

class wxButton;
class wxCheckBox;
class wxCheckListBox;
class wxNotebook;
class wxPanel;
class wxStaticText;
class PrivacyPage;

// The modal settings dialog: the preference flags on three notebook pages and
// the keyword history, whose ticked entries can be deleted. OK copies the
// controls back into the single Preference; Cancel changes nothing.
class SettingDlg : public wxDialog
{
public:
    SettingDlg(wxWindow* parent, wxWindowID id = wxID_ANY);

    static const long ID_NOTEBOOK1;
    static const long ID_PANEL1;
    static const long ID_PANEL2;
    static const long ID_PANEL3;
    static const long ID_CHECKBOX1;
    static const long ID_STATICTEXT2;
    static const long ID_CHECKLISTBOX_KEYWORD;
    static const long ID_CHECKBOX_ALL;
    static const long ID_BUTTON_DEL;
    static const long ID_CHECKBOX_SIZE_POS;
    static const long ID_CHECKBOX3;
    static const long ID_CHECKBOX2;
    static const long ID_CHECKBOX_HIDE_MENU;
    static const long ID_CHECKBOX_HIDE_SB;
    static const long ID_CHECKBOX_HIDE_CAPTION;

    wxNotebook* m_pNotebook = nullptr;
    wxPanel* m_pPanelKeyword = nullptr;
    wxPanel* m_pPanelGeneral = nullptr;
    wxPanel* m_pPanelFullScreen = nullptr;
    wxCheckBox* m_pCheckPreserveKeyword = nullptr;
    wxStaticText* m_pKeywordLabel = nullptr;
    wxCheckListBox* m_pKeywordList = nullptr;
    wxCheckBox* m_pCheckSelectAll = nullptr;
    wxButton* m_pButtonDelete = nullptr;
    wxCheckBox* m_pCheckSizePos = nullptr;
    wxCheckBox* m_pCheckLangCategory = nullptr;
    wxCheckBox* m_pCheckSuggestion = nullptr;
    wxCheckBox* m_pCheckHideMenu = nullptr;
    wxCheckBox* m_pCheckHideStatusBar = nullptr;
    wxCheckBox* m_pCheckHideCaption = nullptr;
    PrivacyPage* m_pPrivacyPage = nullptr;

private:
    void BuildKeywordPage();
    void BuildGeneralPage();
    void BuildFullScreenPage();

    void OnInitDialog(wxInitDialogEvent& event);
    void OnSelectAll(wxCommandEvent& event);
    void OnDeleteKeywords(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
};
