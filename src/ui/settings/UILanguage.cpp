#include "settings/UILanguage.h"

#include "store/ConfigStore.h"
#include "store/Preference.h"

#include <wx/choicdlg.h>
#include <wx/confbase.h>
#include <wx/intl.h>
#include <wx/listbox.h>
#include <wx/log.h>

namespace
{
const char* const DefaultValue = "default";

struct LanguageRow
{
    const char* label;  // only the first one is translated
    int language;
};

const LanguageRow Languages[] = {
    {wxTRANSLATE("(Use default language)"), wxLANGUAGE_DEFAULT},
    {"Chinese (Traditional)", wxLANGUAGE_CHINESE_TRADITIONAL},
    {"Chinese (Simplified)", wxLANGUAGE_CHINESE_SIMPLIFIED},
    {"English", wxLANGUAGE_ENGLISH},
    {"Japanese", wxLANGUAGE_JAPANESE},
};
// The row of the stored choice; the first ("default") when there is none.
int StoredRow()
{
    wxConfigBase* config = ConfigStore::Get();
    config->SetPath("/");
    const wxString stored = config->Read(PreferenceKey::UILanguage, wxString());
    if (stored.empty() || stored == DefaultValue)
        return 0;
    const wxLanguageInfo* info = wxLocale::FindLanguageInfo(stored);
    for (size_t row = 1; row < WXSIZEOF(Languages); ++row)
    {
        const wxLanguageInfo* rowInfo = wxLocale::GetLanguageInfo(Languages[row].language);
        // As saved, or another code for the same language.
        if ((rowInfo && rowInfo->CanonicalName == stored) || (info && info->Language == Languages[row].language))
            return static_cast<int>(row);
    }
    return 0;
}
} // namespace

int GetUILanguage()
{
    wxConfigBase* config = ConfigStore::Get();
    config->SetPath("/");
    const wxString stored = config->Read(PreferenceKey::UILanguage, wxString());
    if (!stored.empty())
    {
        if (stored == DefaultValue)
            return wxLANGUAGE_DEFAULT;
        if (const wxLanguageInfo* info = wxLocale::FindLanguageInfo(stored))
            return info->Language;
        wxLogError(_("Uknown locale code '%s' in registry."), stored);
        return wxLANGUAGE_DEFAULT;
    }

    const int language = ChooseUILanguage();
    if (language == wxLANGUAGE_UNKNOWN)
        return wxLANGUAGE_DEFAULT;
    SaveUILanguage(language);
    return language;
}

int ChooseUILanguage()
{
    wxArrayString labels;
    for (const LanguageRow& row : Languages)
        labels.Add(row.language == wxLANGUAGE_DEFAULT ? wxGetTranslation(row.label)
                                                      : wxString(row.label));

    wxSingleChoiceDialog dialog(nullptr, _("Select your prefered language"),
                                _("Language selection"), labels);
    // GTK's default list height cuts the last language off; show every row.
    for (wxWindow* child : dialog.GetChildren())
        if (auto* list = dynamic_cast<wxListBox*>(child))
        {
            const int rowHeight = list->GetCharHeight() * 3 / 2;
            list->SetMinSize(wxSize(list->GetBestSize().x,
                                    rowHeight * static_cast<int>(labels.size()) + rowHeight / 2));
        }
    // The language in use is the one offered; the list has the focus, so
    // that the arrow keys move in it (Escape cancels, as in any dialog).
    dialog.SetSelection(StoredRow());
    for (wxWindow* child : dialog.GetChildren())
        if (auto* list = dynamic_cast<wxListBox*>(child))
            list->SetFocus();
    dialog.Fit();
    dialog.Centre();
    const int index = dialog.ShowModal() == wxID_OK ? dialog.GetSelection() : -1;
    if (index < 0 || index >= static_cast<int>(labels.size()))
        return wxLANGUAGE_UNKNOWN;
    return Languages[index].language;
}

void SaveUILanguage(int language)
{
    if (language == wxLANGUAGE_UNKNOWN)
        return;
    wxConfigBase* config = ConfigStore::Get();
    config->SetPath("/");
    if (language == wxLANGUAGE_DEFAULT)
        config->Write(PreferenceKey::UILanguage, DefaultValue);
    else if (const wxLanguageInfo* info = wxLocale::GetLanguageInfo(language))
        config->Write(PreferenceKey::UILanguage, info->CanonicalName);
    // Written at once: the choice must survive until the restart it asks for.
    config->Flush();
}
