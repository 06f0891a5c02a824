#include "engines/EngineDlg.h"

#include "common/DialogFont.h"
#include "catalogue/Engine.h"
#include "catalogue/EngineManager.h"
#include "catalogue/EngineRules.h"
#include "base/KeywordEncoding.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statline.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <algorithm>

#define ORVANE_DEFINE_DLG_ID(name) const long EngineDlg::name = wxNewId()
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT1);
ORVANE_DEFINE_DLG_ID(ID_COMBOBOX_LANG);
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT2);
ORVANE_DEFINE_DLG_ID(ID_COMBOBOX_CATEGORY);
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT3);
ORVANE_DEFINE_DLG_ID(ID_TEXTCTRL_NAME);
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT4);
ORVANE_DEFINE_DLG_ID(ID_CHOICE_ENCODING);
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT_URL);
ORVANE_DEFINE_DLG_ID(ID_TEXTCTRL_URL);
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT5);
ORVANE_DEFINE_DLG_ID(ID_TEXTCTRL_INDEX);
ORVANE_DEFINE_DLG_ID(ID_CHECKBOX_ENABLE_INDEX);
ORVANE_DEFINE_DLG_ID(ID_CHECKBOX_ENABLE);
ORVANE_DEFINE_DLG_ID(ID_STATICLINE1);
ORVANE_DEFINE_DLG_ID(ID_STATICTEXT_SHORTCUT);
ORVANE_DEFINE_DLG_ID(ID_TEXTCTRL_SHORTCUT);
#undef ORVANE_DEFINE_DLG_ID

namespace
{
// Fixes the longest text the user may type without cutting a longer value
// that a record already holds: that one is shown as it is.
void LimitLength(wxTextCtrl* ctrl, unsigned long limit)
{
    ctrl->SetMaxLength(std::max<unsigned long>(limit, ctrl->GetValue().length()));
}
} // namespace

EngineDlg::EngineDlg(wxWindow* parent, wxWindowID id)
{
    Create(parent, id, _("Engine info dialog"), wxDefaultPosition, wxDefaultSize,
           wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    SetFont(DialogFont(9));
    BuildLayout();

    Bind(wxEVT_INIT_DIALOG, &EngineDlg::OnInitDialog, this);
    Bind(wxEVT_CHECKBOX, &EngineDlg::OnCheckEnableIndex, this, ID_CHECKBOX_ENABLE_INDEX);
    Bind(wxEVT_BUTTON, &EngineDlg::OnOK, this, wxID_OK);
    Bind(wxEVT_TEXT, &EngineDlg::OnUrlText, this, ID_TEXTCTRL_URL);
}

EngineDlg::~EngineDlg() = default;

void EngineDlg::BuildLayout()
{
    const int border = 4;
    auto* top = new wxBoxSizer(wxVERTICAL);

    // Labels and single-line fields sit on the row's centre line.
    auto addLabel = [&](wxSizer* row, wxStaticText*& label, long id, const char* idName,
                        const wxString& text) {
        label = new wxStaticText(this, id, text, wxDefaultPosition, wxDefaultSize, 0, idName);
        row->Add(label, 1, wxALL | wxALIGN_CENTER_VERTICAL, border);
    };

    auto* row1 = new wxBoxSizer(wxHORIZONTAL);
    addLabel(row1, m_pLabelLang, ID_STATICTEXT1, "ID_STATICTEXT1", _("&Language:"));
    m_pComboLang = new wxComboBox(this, ID_COMBOBOX_LANG, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, 0, nullptr, 0, wxDefaultValidator,
                                  "ID_COMBOBOX_LANG");
    row1->Add(m_pComboLang, 2, wxALL | wxALIGN_CENTER_VERTICAL, border);
    addLabel(row1, m_pLabelCategory, ID_STATICTEXT2, "ID_STATICTEXT2", _("C&ategory:"));
    m_pComboCategory = new wxComboBox(this, ID_COMBOBOX_CATEGORY, wxEmptyString,
                                      wxDefaultPosition, wxDefaultSize, 0, nullptr, 0,
                                      wxDefaultValidator, "ID_COMBOBOX_CATEGORY");
    row1->Add(m_pComboCategory, 2, wxALL | wxALIGN_CENTER_VERTICAL, border);
    top->Add(row1, 0, wxALL | wxEXPAND, border);

    auto* row2 = new wxBoxSizer(wxHORIZONTAL);
    addLabel(row2, m_pLabelName, ID_STATICTEXT3, "ID_STATICTEXT3", _("&Name:"));
    m_pTextName = new wxTextCtrl(this, ID_TEXTCTRL_NAME, wxEmptyString, wxDefaultPosition,
                                 wxDefaultSize, 0, wxDefaultValidator, "ID_TEXTCTRL_NAME");
    m_pTextName->SetMaxLength(NAME_MAX_LENGTH);
    row2->Add(m_pTextName, 2, wxALL | wxALIGN_CENTER_VERTICAL, border);
    addLabel(row2, m_pLabelEncoding, ID_STATICTEXT4, "ID_STATICTEXT4", _("URL Enco&ding:"));
    m_pChoiceEncoding = new wxChoice(this, ID_CHOICE_ENCODING, wxDefaultPosition, wxDefaultSize,
                                     0, nullptr, 0, wxDefaultValidator, "ID_CHOICE_ENCODING");
    row2->Add(m_pChoiceEncoding, 2, wxALL | wxALIGN_CENTER_VERTICAL, border);
    top->Add(row2, 0, wxALL | wxEXPAND, border);

    auto* row3 = new wxBoxSizer(wxHORIZONTAL);
    addLabel(row3, m_pLabelUrl, ID_STATICTEXT_URL, "ID_STATICTEXT_URL", _("&URL:"));
    m_pTextUrl = new wxTextCtrl(this, ID_TEXTCTRL_URL, wxEmptyString, wxDefaultPosition,
                                wxSize(320, 64), wxTE_MULTILINE, wxDefaultValidator,
                                "ID_TEXTCTRL_URL");
    row3->Add(m_pTextUrl, 5, wxALL | wxEXPAND, border);
    top->Add(row3, 1, wxALL | wxEXPAND, border);

    auto* row4 = new wxBoxSizer(wxHORIZONTAL);
    addLabel(row4, m_pLabelIndex, ID_STATICTEXT5, "ID_STATICTEXT5", _("&Index:"));
    m_pTextIndex = new wxTextCtrl(this, ID_TEXTCTRL_INDEX, wxEmptyString, wxDefaultPosition,
                                  wxDefaultSize, 0, wxDefaultValidator, "ID_TEXTCTRL_INDEX");
    m_pTextIndex->Disable();
    row4->Add(m_pTextIndex, 2, wxALL | wxALIGN_CENTER_VERTICAL, border);
    m_pCheckEnableIndex = new wxCheckBox(this, ID_CHECKBOX_ENABLE_INDEX,
                                         _("Enable edit index(It is usually no necessity)"),
                                         wxDefaultPosition, wxDefaultSize, 0,
                                         wxDefaultValidator, "ID_CHECKBOX_ENABLE_INDEX");
    m_pCheckEnableIndex->SetValue(false);
    row4->Add(m_pCheckEnableIndex, 3, wxALL | wxALIGN_CENTER_VERTICAL, border);
    top->Add(row4, 0, wxALL | wxEXPAND, border);

    auto* row5 = new wxBoxSizer(wxHORIZONTAL);
    row5->Add(0, 0, 1, wxALL, border);
    m_pCheckEnable = new wxCheckBox(this, ID_CHECKBOX_ENABLE, _("&Enable"), wxDefaultPosition,
                                    wxDefaultSize, 0, wxDefaultValidator, "ID_CHECKBOX_ENABLE");
    m_pCheckEnable->SetValue(true);
    row5->Add(m_pCheckEnable, 5, wxALL | wxALIGN_CENTER_VERTICAL, border);
    top->Add(row5, 0, wxALL | wxEXPAND, border);

    // Optional, below the fields every engine has.
    auto* rowShortcut = new wxBoxSizer(wxHORIZONTAL);
    // TRANSLATORS: label of the field for an engine's keyword shortcut, as in "!w sea otter"
    addLabel(rowShortcut, m_pLabelShortcut, ID_STATICTEXT_SHORTCUT, "ID_STATICTEXT_SHORTCUT",
             _("&Shortcut:"));
    m_pTextShortcut = new wxTextCtrl(this, ID_TEXTCTRL_SHORTCUT, wxEmptyString, wxDefaultPosition,
                                     wxDefaultSize, 0, wxDefaultValidator, "ID_TEXTCTRL_SHORTCUT");
    m_pTextShortcut->SetMaxLength(EngineRules::ShortcutMaxLength);
    rowShortcut->Add(m_pTextShortcut, 2, wxALL | wxALIGN_CENTER_VERTICAL, border);
    rowShortcut->Add(0, 0, 3, wxALL, border);
    top->Add(rowShortcut, 0, wxALL | wxEXPAND, border);

    m_pButtonsLine = new wxStaticLine(this, ID_STATICLINE1, wxDefaultPosition, wxSize(10, -1),
                                      wxLI_HORIZONTAL, "ID_STATICLINE1");
    top->Add(m_pButtonsLine, 0, wxALL | wxEXPAND, border);

    auto* row6 = new wxBoxSizer(wxHORIZONTAL);
    auto* ok = new wxButton(this, wxID_OK, _("&OK"), wxDefaultPosition, wxDefaultSize, 0,
                            wxDefaultValidator, "wxID_OK");
    row6->Add(ok, 0, wxALL | wxALIGN_CENTER_VERTICAL, border);
    auto* cancel = new wxButton(this, wxID_CANCEL, _("&Cancel"), wxDefaultPosition,
                                wxDefaultSize, 0, wxDefaultValidator, "wxID_CANCEL");
    row6->Add(cancel, 0, wxALL | wxALIGN_CENTER_VERTICAL, border);
    top->Add(row6, 0, wxALL | wxALIGN_RIGHT, border);

    ok->SetDefault();
    SetSizer(top);
    top->Fit(this);
    top->SetSizeHints(this);
}

void EngineDlg::OnInitDialog(wxInitDialogEvent& event)
{
    event.Skip();
    if (!m_pEngineManager || !m_pEngine)
        return;

    wxArrayString languages;
    m_pEngineManager->GetLanguages(languages);
    m_pComboLang->Set(languages);
    wxArrayString categories;
    m_pEngineManager->GetCategories(categories, wxEmptyString);
    m_pComboCategory->Set(categories);

    m_pComboLang->SetValue(m_pEngine->m_strLanguage);
    m_pComboCategory->SetValue(m_pEngine->m_strCategory);
    // Lift the limits while a longer stored value goes in, then set them
    // again no lower than that value.
    m_pTextName->SetMaxLength(0);
    m_pTextName->ChangeValue(m_pEngine->m_strName);
    LimitLength(m_pTextName, NAME_MAX_LENGTH);
    m_pTextUrl->ChangeValue(m_pEngine->m_strUrl);
    m_nUrlMaxLength = std::max<unsigned long>(URL_MAX_LENGTH, m_pEngine->m_strUrl.length());

    m_pChoiceEncoding->Clear();
    for (size_t i = 0; i < EncodingNamesCount; ++i)
        m_pChoiceEncoding->Append(EncodingNames[i]);
    // A name the list does not have is shown as it is and kept unless the
    // user picks another.
    int encoding = EngineRules::EncodingPosition(m_pEngine->m_strEncoding);
    if (encoding == wxNOT_FOUND)
        encoding = m_pChoiceEncoding->Append(m_pEngine->m_strEncoding);
    m_pChoiceEncoding->SetSelection(encoding);

    m_pTextIndex->ChangeValue(wxString::Format("%d", m_pEngine->m_nIndex));
    m_pCheckEnableIndex->SetValue(false);
    m_pTextIndex->Disable();
    m_pCheckEnable->SetValue(m_pEngine->m_bEnable);
    m_pTextShortcut->SetMaxLength(0);
    m_pTextShortcut->ChangeValue(m_pEngine->m_strShortcut);
    LimitLength(m_pTextShortcut, EngineRules::ShortcutMaxLength);
}

void EngineDlg::OnUrlText(wxCommandEvent& WXUNUSED(event))
{
    // GTK is still inserting: changing its buffer now would break the insert.
    if (m_pTextUrl->GetValue().length() > m_nUrlMaxLength)
        CallAfter(&EngineDlg::CutUrlToLimit);
}

void EngineDlg::CutUrlToLimit()
{
    const wxString value = m_pTextUrl->GetValue();
    if (value.length() <= m_nUrlMaxLength)
        return;
    const long excess = static_cast<long>(value.length() - m_nUrlMaxLength);
    // The caret sits after the inserted text: drop its tail, as a
    // single-line field drops what does not fit.
    long end = m_pTextUrl->GetInsertionPoint();
    if (end < excess || end > static_cast<long>(value.length()))
        end = static_cast<long>(value.length());
    wxString kept = value;
    kept.erase(static_cast<size_t>(end - excess), static_cast<size_t>(excess));
    m_pTextUrl->ChangeValue(kept);
    m_pTextUrl->SetInsertionPoint(end - excess);
}

void EngineDlg::OnCheckEnableIndex(wxCommandEvent& event)
{
    m_pTextIndex->Enable(event.IsChecked());
}

void EngineDlg::ShowInputError(const wxString& message)
{
    wxMessageBox(message, _("Confirm"), wxOK | wxCENTRE, nullptr);
}

void EngineDlg::OnOK(wxCommandEvent& WXUNUSED(event))
{
    if (!m_pEngineManager || !m_pEngine)
        return;

    EngineRules::Input input;
    input.language = m_pComboLang->GetValue();
    input.category = m_pComboCategory->GetValue();
    input.name = m_pTextName->GetValue();
    input.url = m_pTextUrl->GetValue();
    input.encoding = m_pChoiceEncoding->GetStringSelection();
    input.index = m_pTextIndex->GetValue();
    input.enable = m_pCheckEnable->GetValue();
    Engine result;
    const EngineRules::Problem problem =
        EngineRules::Check(input, *m_pEngine, *m_pEngineManager, result);
    if (problem != EngineRules::Problem::None)
    {
        ShowInputError(EngineRules::Message(problem));
        return;
    }
    const Engine* holder = nullptr;
    const EngineRules::ShortcutProblem shortcutProblem = EngineRules::CheckShortcut(
        m_pTextShortcut->GetValue(), *m_pEngine, *m_pEngineManager, result.m_strShortcut, holder);
    if (shortcutProblem != EngineRules::ShortcutProblem::None)
    {
        ShowInputError(EngineRules::ShortcutMessage(shortcutProblem, result.m_strShortcut, holder));
        m_pTextShortcut->SetFocus();
        return;
    }
    *m_pEngine = result;

    SetReturnCode(wxID_OK);
    if (IsModal())
        EndModal(wxID_OK);
    else
        Hide();
}
