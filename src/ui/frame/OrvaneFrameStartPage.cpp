// The main window's version check and start page, and its settings, About
// and update commands.
#include "frame/OrvaneFrame.h"

#include "about/AboutDlg.h"
#include "pages/ZulIeCtrl.h"
#include "about/CheckVerThread.h"
#include "store/ConfigStore.h"
#include "about/MakerPages.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"
#include "settings/SettingDlg.h"
#include "suggest/SuggDlg.h"
#include "pages/StartPage.h"
#include "about/VersionCheckLink.h"

#include <wx/combobox.h>
#include <wx/confbase.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/translation.h>
#include <wx/utils.h>

wxString OrvaneFrame::s_strPageText;

namespace
{
void ShowLockFailure()
{
    // Not translated, unlike its caption.
    wxMessageBox("Lock not ok!", _("Orvane"), wxOK | wxCENTRE);
}

// The language the page's texts are in: the interface language when its
// catalogue is loaded, else the English of the sources.
wxString PageLanguage()
{
    const wxLocale* locale = wxGetLocale();
    wxTranslations* translations = wxTranslations::Get();
    if (!locale || !translations || !translations->IsLoaded(ConfigStore::AppName))
        return "en";
    wxString tag = locale->GetCanonicalName();
    tag.Replace("_", "-");
    return tag;
}
} // namespace

void OrvaneFrame::StartVersionCheck()
{
    {
        // Written at every start, so that it is there and in the interface
        // language even when no check runs. Should it fail, the old page
        // stays: not worth a message at every start.
        wxLogNull quiet;
        BuildStartPage();
    }

    wxString host = ConfigStore::Get()->Read(PreferenceKey::VersionHost,
                                             wxString(PreferenceDefault::VersionHost));
    host.Trim(true).Trim(false);
    // No host, no published page to ask: no check and no message.
    if (!host.empty())
    {
        m_pVersionLink = std::make_shared<VersionCheckLink>(
            this, [this](const wxString& version) { SetLatestVersion(version); });
        m_pVersionThread = std::make_unique<CheckVerThread>(m_pVersionLink, host);
        if (m_pVersionThread->Create() != wxTHREAD_NO_ERROR)
            wxMessageBox(_("Can't create thread!"), wxMessageBoxCaptionStr, wxOK | wxCENTRE);
        if (m_pVersionThread->Run() != wxTHREAD_NO_ERROR)
        {
            wxMessageBox(_("Can't start thread!"), wxMessageBoxCaptionStr, wxOK | wxCENTRE);
            m_pVersionThread.reset();  // no worker to wait for
        }
    }

    RefreshStartPage();
}

void OrvaneFrame::StopVersionCheck()
{
    if (!m_pVersionLink)
        return;
    // From here on the worker hands nothing to this frame, and it gives up
    // its request within 50 ms. Joining it keeps the thread, and the
    // toolkit's per-thread clean-up at its end, from outliving the window.
    m_pVersionLink->Detach();
    if (m_pVersionThread)
        m_pVersionThread->Wait();
    m_pVersionThread.reset();
    m_pVersionLink.reset();
}

void OrvaneFrame::SetLatestVersion(const wxString& version)
{
    // Worker thread; the link's lock keeps this frame alive meanwhile.
    wxMutexLocker lock(m_verMutex);
    if (!lock.IsOk())
    {
        CallAfter(&ShowLockFailure);
        return;
    }
    m_strLatestVersion = version;
}

void OrvaneFrame::RefreshStartPage()
{
    wxMutexLocker lock(m_verMutex);
    if (!lock.IsOk())
    {
        ShowLockFailure();
        return;
    }
    // Also guards a caller that keeps polling after the page was written.
    if (m_strLatestVersion.empty() || m_nVersionShown)
        return;
    m_strLatestVersion = StartPage::LatestVersionText(m_strLatestVersion);
    m_nVersionShown = true;
    BuildStartPage();
}

void OrvaneFrame::BuildStartPage()
{
    LoadStartPageTemplate();
    const wxString latest = m_nVersionShown ? m_strLatestVersion : StartPage::NotCheckedText();
    // A failed write has been logged by the file layer; the old page stays.
    StartPage::Write(ProgramFolder::File("conf/index.htm"),
                     StartPage::Fill(StartPage::Translate(s_strPageText, PageLanguage()),
                                     StartPage::YourVersionText(), latest));
}

void OrvaneFrame::LoadStartPageTemplate()
{
    s_strPageText = StartPage::LoadTemplate(ProgramFolder::File("conf/index_tpl.htm"));
}

void OrvaneFrame::OnSetting(wxCommandEvent&)
{
    SettingDlg dialog(this, wxID_ANY);
    // Engines of the catalogue that name a suggestion address are offered too.
    std::vector<SuggestionPreset> presets;
    for (const auto& engine : m_engineManager.m_engines)
    {
        if (!engine->m_strSuggestUrl.empty())
            presets.push_back({engine->m_strName, engine->m_strSuggestUrl, wxString()});
    }
    dialog.AddSuggestionPresets(presets);
    if (dialog.ShowModal() != wxID_OK)
        return;
    if (dialog.SuggestionServicesChanged() && m_pSuggDlg)
        m_pSuggDlg->ResetService();

    Preference* pref = Preference::Get();
    if (m_pKeywordBox)
    {
        // Refill the list (entries may have been deleted). Only the list:
        // wxComboBox::Clear would also empty the typed text and send a text
        // event that starts a suggestion fetch.
        const wxString typed = m_pKeywordBox->GetValue();
        m_pKeywordBox->wxItemContainer::Clear();
        if (!pref->m_arrKeywords.empty())
            m_pKeywordBox->Append(pref->m_arrKeywords);
        if (m_pKeywordBox->GetValue() != typed)
            m_pKeywordBox->ChangeValue(typed);
        KeywordPrompt();
    }
    pref->Save();
}

void OrvaneFrame::OnCheckUpdate(wxCommandEvent&)
{
    // The maker's download page, or the handbook while there is none.
    MakerPages::Open(MakerPages::DownloadPage(), this,
                     [this](const wxString& address) { return ShowOwnPage(address); });
}

void OrvaneFrame::OnAbout(wxCommandEvent&)
{
    AboutDlg dialog(this, wxID_ANY);
    dialog.m_showInPage = [this](const wxString& address) { return ShowOwnPage(address); };
    dialog.ShowModal();
}

bool OrvaneFrame::ShowOwnPage(const wxString& address)
{
    // As a link followed inside the page: the tab keeps its engine.
    ZulIeCtrl* page = CurrentPage();
    if (!page)
        return false;
    page->LoadUrl(address);
    return true;
}
