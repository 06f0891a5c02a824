#pragma once

#include "net/SuggestionPreset.h"

#include <wx/dialog.h>

#include <vector>

class wxButton;
class wxCheckBox;
class wxCheckListBox;
class wxNotebook;
class wxPanel;
class wxStaticText;
class SuggServicePage;
class PrivacyPage;

// The modal settings dialog: the preference flags on three notebook pages and
// the keyword history, whose ticked entries can be deleted, a fourth page
// with the suggestion service of each language and a fifth on cookies and
// site data. OK copies the controls back
// into the single Preference and the services into the store; Cancel changes
// nothing.
class SettingDlg : public wxDialog
{
public:
    SettingDlg(wxWindow* parent, wxWindowID id = wxID_ANY);

    // More suggestion services to offer by name (before the dialog is shown).
    void AddSuggestionPresets(const std::vector<SuggestionPreset>& presets);
    // After OK: the suggestion service of some language changed.
    bool SuggestionServicesChanged() const { return m_bSuggServicesChanged; }

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

    bool m_bSuggServicesChanged = false;

public:
    SuggServicePage* m_pSuggPage = nullptr;

private:

    void OnInitDialog(wxInitDialogEvent& event);
    void OnSelectAll(wxCommandEvent& event);
    void OnDeleteKeywords(wxCommandEvent& event);
    void OnOK(wxCommandEvent& event);
};
