#include "settings/SettingDlg.h"

#include "store/ConfigStore.h"
#include "common/DialogFont.h"
#include "store/Preference.h"
#include "settings/SuggServicePage.h"
#include "settings/PrivacyPage.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/checklst.h>
#include <wx/msgdlg.h>
#include <wx/notebook.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <algorithm>

#define SETTINGDLG_DEFINE_ID(name) const long SettingDlg::name = wxNewId()
SETTINGDLG_DEFINE_ID(ID_NOTEBOOK1);
SETTINGDLG_DEFINE_ID(ID_PANEL1);
SETTINGDLG_DEFINE_ID(ID_PANEL2);
SETTINGDLG_DEFINE_ID(ID_PANEL3);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX1);
SETTINGDLG_DEFINE_ID(ID_STATICTEXT2);
SETTINGDLG_DEFINE_ID(ID_CHECKLISTBOX_KEYWORD);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX_ALL);
SETTINGDLG_DEFINE_ID(ID_BUTTON_DEL);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX_SIZE_POS);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX3);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX2);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX_HIDE_MENU);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX_HIDE_SB);
SETTINGDLG_DEFINE_ID(ID_CHECKBOX_HIDE_CAPTION);

namespace
{
wxCheckBox* NewCheckBox(wxWindow* parent, long id, const wxString& label, const char* name)
{
    return new wxCheckBox(parent, id, label, wxDefaultPosition, wxDefaultSize, 0,
                          wxDefaultValidator, name);
}
} // namespace

SettingDlg::SettingDlg(wxWindow* parent, wxWindowID id)
{
    Create(parent, id, _("Setting dialog"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER, "id");
    SetFont(DialogFont(9));

    m_pNotebook = new wxNotebook(this, ID_NOTEBOOK1, wxDefaultPosition, wxDefaultSize, 0,
                                 "ID_NOTEBOOK1");
    BuildKeywordPage();
    BuildGeneralPage();
    BuildFullScreenPage();
    m_pSuggPage = new SuggServicePage(m_pNotebook, SuggServicePage::ID_PANEL_SUGG);
    m_pNotebook->AddPage(m_pSuggPage, _("Suggestions"), false);
    m_pPrivacyPage = new PrivacyPage(m_pNotebook);
    m_pNotebook->AddPage(m_pPrivacyPage, _("Privacy"), false);
    m_pNotebook->SetSelection(0);
    // Wide enough for every tab to show without scroll arrows.
    int tabsWidth = 0;
    for (size_t i = 0; i < m_pNotebook->GetPageCount(); ++i)
        tabsWidth += m_pNotebook->GetTextExtent(m_pNotebook->GetPageText(i)).x + 40;
    // A fixed minimum width replaces the best one: keep the widest page whole too.
    m_pNotebook->SetMinSize(wxSize(std::max(tabsWidth, m_pNotebook->GetBestSize().x), -1));

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->AddStretchSpacer(1);
    buttons->Add(new wxButton(this, wxID_OK, _("&OK"), wxDefaultPosition, wxDefaultSize, 0,
                              wxDefaultValidator, "wxID_OK"),
                 0, wxALL, 4);
    buttons->Add(new wxButton(this, wxID_CANCEL, _("&Cancel"), wxDefaultPosition,
                              wxDefaultSize, 0, wxDefaultValidator, "wxID_CANCEL"),
                 0, wxALL, 4);

    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(m_pNotebook, 1, wxEXPAND | wxALL, 4);
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 4);
    SetSizerAndFit(top);
    SetMinSize(GetSize());

    Bind(wxEVT_INIT_DIALOG, &SettingDlg::OnInitDialog, this);
    Bind(wxEVT_CHECKBOX, &SettingDlg::OnSelectAll, this, ID_CHECKBOX_ALL);
    Bind(wxEVT_BUTTON, &SettingDlg::OnDeleteKeywords, this, ID_BUTTON_DEL);
    Bind(wxEVT_BUTTON, &SettingDlg::OnOK, this, wxID_OK);
}

void SettingDlg::BuildKeywordPage()
{
    m_pPanelKeyword = new wxPanel(m_pNotebook, ID_PANEL2, wxDefaultPosition, wxDefaultSize,
                                  wxTAB_TRAVERSAL, "ID_PANEL2");
    m_pCheckPreserveKeyword =
        NewCheckBox(m_pPanelKeyword, ID_CHECKBOX1, _("Preserve keyword &history"), "ID_CHECKBOX1");
    m_pKeywordLabel = new wxStaticText(m_pPanelKeyword, ID_STATICTEXT2, _("&Keyword list"),
                                       wxDefaultPosition, wxDefaultSize, 0, "ID_STATICTEXT2");
    m_pKeywordList = new wxCheckListBox(m_pPanelKeyword, ID_CHECKLISTBOX_KEYWORD,
                                        wxDefaultPosition, wxSize(-1, 160), 0, nullptr, 0,
                                        wxDefaultValidator, "ID_CHECKLISTBOX_KEYWORD");
    m_pCheckSelectAll =
        NewCheckBox(m_pPanelKeyword, ID_CHECKBOX_ALL, _("Select &All"), "ID_CHECKBOX_ALL");
    m_pButtonDelete = new wxButton(m_pPanelKeyword, ID_BUTTON_DEL, _("&Delete"),
                                   wxDefaultPosition, wxDefaultSize, 0, wxDefaultValidator,
                                   "ID_BUTTON_DEL");

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_pCheckSelectAll, 1, wxALIGN_CENTER_VERTICAL | wxALL, 4);
    row->Add(m_pButtonDelete, 0, wxALIGN_CENTER_VERTICAL | wxALL, 4);

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_pCheckPreserveKeyword, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pKeywordLabel, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pKeywordList, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 2);
    m_pPanelKeyword->SetSizer(sizer);
    m_pNotebook->AddPage(m_pPanelKeyword, _("Keyword Management"), true);
}

void SettingDlg::BuildGeneralPage()
{
    m_pPanelGeneral = new wxPanel(m_pNotebook, ID_PANEL1, wxDefaultPosition, wxDefaultSize,
                                  wxTAB_TRAVERSAL, "ID_PANEL1");
    // The label's trailing blank is part of the catalogue's text.
    m_pCheckSizePos = NewCheckBox(m_pPanelGeneral, ID_CHECKBOX_SIZE_POS,
                                  _("Preserve &window size and position "), "ID_CHECKBOX_SIZE_POS");
    m_pCheckLangCategory = NewCheckBox(m_pPanelGeneral, ID_CHECKBOX3,
                                       _("Preserve selected &language and category"), "ID_CHECKBOX3");
    m_pCheckSuggestion =
        NewCheckBox(m_pPanelGeneral, ID_CHECKBOX2, _("Enable &Suggetion"), "ID_CHECKBOX2");

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_pCheckSizePos, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pCheckLangCategory, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pCheckSuggestion, 0, wxEXPAND | wxALL, 6);
    m_pPanelGeneral->SetSizer(sizer);
    m_pNotebook->AddPage(m_pPanelGeneral, _("General"), false);
}

void SettingDlg::BuildFullScreenPage()
{
    m_pPanelFullScreen = new wxPanel(m_pNotebook, ID_PANEL3, wxDefaultPosition, wxDefaultSize,
                                     wxTAB_TRAVERSAL, "ID_PANEL3");
    m_pCheckHideMenu = NewCheckBox(m_pPanelFullScreen, ID_CHECKBOX_HIDE_MENU,
                                   _("Hide &menu bar"), "ID_CHECKBOX_HIDE_MENU");
    m_pCheckHideStatusBar = NewCheckBox(m_pPanelFullScreen, ID_CHECKBOX_HIDE_SB,
                                        _("Hide &status bar"), "ID_CHECKBOX_HIDE_SB");
    m_pCheckHideCaption = NewCheckBox(m_pPanelFullScreen, ID_CHECKBOX_HIDE_CAPTION,
                                      _("Hide &caption"), "ID_CHECKBOX_HIDE_CAPTION");

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_pCheckHideMenu, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pCheckHideStatusBar, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 6);
    sizer->Add(m_pCheckHideCaption, 0, wxEXPAND | wxALL, 6);
    m_pPanelFullScreen->SetSizer(sizer);
    m_pNotebook->AddPage(m_pPanelFullScreen, _("Full Screen"), false);
}

void SettingDlg::OnInitDialog(wxInitDialogEvent& event)
{
    if (wxConfigBase* config = ConfigStore::Get())
        m_pSuggPage->Load(*config);
    const Preference* pref = Preference::Get();
    // Only exactly 1 counts as on here; the hide flags below count anything but 0.
    m_pCheckSizePos->SetValue(pref->m_nPreserveFrameSizePos == 1);
    m_pCheckLangCategory->SetValue(pref->m_nPreserveLangCategory == 1);
    m_pCheckSuggestion->SetValue(pref->m_nEnableSuggestion == 1);
    m_pCheckPreserveKeyword->SetValue(pref->m_nPreserveKeyword == 1);

    m_pKeywordList->Clear();
    if (!pref->m_arrKeywords.empty())
        m_pKeywordList->Append(pref->m_arrKeywords);

    m_pCheckHideCaption->SetValue(pref->m_nHideCaption != 0);
    m_pCheckHideMenu->SetValue(pref->m_nHideMenuBar != 0);
    m_pCheckHideStatusBar->SetValue(pref->m_nHideStatusBar != 0);
    m_pPrivacyPage->Load(*pref);
    event.Skip();
}

void SettingDlg::OnSelectAll(wxCommandEvent&)
{
    // Ticks every item whichever way the box was just clicked; it never unticks.
    for (unsigned int i = 0; i < m_pKeywordList->GetCount(); ++i)
        m_pKeywordList->Check(i, true);
}

void SettingDlg::OnDeleteKeywords(wxCommandEvent&)
{
    if (wxMessageBox(_("Do you want to delete?"), _("Confirm"), wxYES_NO | wxICON_QUESTION, this)
        != wxYES)
        return;

    wxArrayString kept;
    for (unsigned int i = 0; i < m_pKeywordList->GetCount(); ++i)
    {
        if (!m_pKeywordList->IsChecked(i))
            kept.Add(m_pKeywordList->GetString(i));
    }
    m_pKeywordList->Clear();
    if (!kept.empty())
        m_pKeywordList->Append(kept);
}

void SettingDlg::AddSuggestionPresets(const std::vector<SuggestionPreset>& presets)
{
    m_pSuggPage->AddPresets(presets);
}

void SettingDlg::OnOK(wxCommandEvent&)
{
    const wxString invalid = m_pSuggPage->FirstInvalidLanguage();
    if (!invalid.empty())
    {
        m_pNotebook->SetSelection(m_pNotebook->FindPage(m_pSuggPage));
        wxMessageBox(wxString::Format(_("The suggestion address for %s must be an http or https "
                                        "address holding {searchTerms}."),
                                      m_pSuggPage->LanguageLabel(invalid)),
                     _("Confirm"), wxOK | wxCENTRE, this);
        return;
    }
    if (wxConfigBase* config = ConfigStore::Get())
        m_bSuggServicesChanged = m_pSuggPage->Store(*config);

    Preference* pref = Preference::Get();
    pref->m_nPreserveFrameSizePos = m_pCheckSizePos->GetValue() ? 1 : 0;
    pref->m_nPreserveLangCategory = m_pCheckLangCategory->GetValue() ? 1 : 0;
    pref->m_nEnableSuggestion = m_pCheckSuggestion->GetValue() ? 1 : 0;

    pref->m_arrKeywords.clear();
    if (m_pCheckPreserveKeyword->GetValue())
    {
        pref->m_nPreserveKeyword = 1;
        for (unsigned int i = 0; i < m_pKeywordList->GetCount(); ++i)
            pref->m_arrKeywords.Add(m_pKeywordList->GetString(i));
    }
    else
    {
        pref->m_nPreserveKeyword = 0;
    }

    pref->m_nHideCaption = m_pCheckHideCaption->GetValue() ? 1 : 0;
    pref->m_nHideMenuBar = m_pCheckHideMenu->GetValue() ? 1 : 0;
    pref->m_nHideStatusBar = m_pCheckHideStatusBar->GetValue() ? 1 : 0;
    m_pPrivacyPage->Store(*pref);

    // Ends a modal run, or hides the dialog when it was shown without one.
    SetReturnCode(wxID_OK);
    EndDialog(wxID_OK);
}
