// Engines in and out of the catalogue: File -> Import/Export Engines, and
// "Add This Engine..." for a result page that advertises an OpenSearch
// description, offered in the View menu and in the tabs' context menu.
#include "frame/OrvaneFrame.h"

#include "pages/CatalogueCheck.h"

#include "engines/DescriptionFetcher.h"
#include "exchange/DescriptionLink.h"
#include "exchange/EngineExport.h"
#include "engines/EngineExportDlg.h"
#include "exchange/EngineImport.h"
#include "engines/EngineImportDlg.h"
#include "engines/ImportSourceDlg.h"
#include "pages/ResultNotebook.h"
#include "pages/ZulIeCtrl.h"
#include "store/ConfigStore.h"
#include "store/Preference.h"

#include <algorithm>

#include <wx/aui/auibook.h>
#include <wx/choice.h>
#include <wx/dirdlg.h>
#include <wx/filedlg.h>
#include <wx/intl.h>
#include <wx/listctrl.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>
#include <wx/webview.h>
#include <wx/confbase.h>
#include <wx/filefn.h>

void OrvaneFrame::BindImportCommands()
{
    Bind(wxEVT_MENU, &OrvaneFrame::OnImportEngines, this, ID_MENU_IMPORT);
    Bind(wxEVT_THREAD, &OrvaneFrame::OnProfilesRead, this, ID_MENU_IMPORT);
    Bind(wxEVT_THREAD, &OrvaneFrame::OnProfileEnginesRead, this, ID_PROFILE_ENGINES_READ);
    Bind(wxEVT_MENU, &OrvaneFrame::OnExportEngines, this, ID_MENU_EXPORT);
    Bind(wxEVT_MENU, &OrvaneFrame::OnAddThisEngine, this, ID_MENU_ADD_THIS_ENGINE);
    m_pNotebook->Bind(wxEVT_AUINOTEBOOK_TAB_RIGHT_UP, &OrvaneFrame::OnTabRightUp, this);
}

wxString OrvaneFrame::ChooserFolder()
{
    // The person's home folder at first, not wherever the program started.
    const wxString last = ConfigStore::Get()->Read(wxString("/") + PreferenceKey::LastFolder, wxString());
    return !last.empty() && wxDirExists(last) ? last : wxGetHomeDir();
}

void OrvaneFrame::KeepChooserFolder(const wxString& folder)
{
    if (!folder.empty())
        ConfigStore::Get()->Write(wxString("/") + PreferenceKey::LastFolder, folder);
}

namespace
{
struct ProfilesRead
{
    std::vector<BrowserProfiles::Profile> profiles;
    std::vector<size_t> counts;
};
} // namespace

void OrvaneFrame::OnImportEngines(wxCommandEvent& WXUNUSED(event))
{
    if (m_nSearching || m_bReadingProfiles)
        return;
    StopProfileReader();
    m_bReadingProfiles = true;
    // TRANSLATORS: status bar while File > Import Engines looks for browser profiles
    SetStatusText(_("Reading the browsers' profiles..."), 0);
    // A copy of its own: the worker shares no string with the GUI thread.
    const std::string home(wxGetHomeDir().utf8_str());
    m_profileReader = std::thread([this, home] {
        auto read = std::make_shared<ProfilesRead>();
        read->profiles = BrowserProfiles::Find(wxString::FromUTF8(home));
        for (const auto& profile : read->profiles)
            read->counts.push_back(BrowserProfiles::CountEngines(profile));
        auto* done = new wxThreadEvent(wxEVT_THREAD, ID_MENU_IMPORT);
        done->SetPayload(read);
        wxQueueEvent(this, done);
    });
}

void OrvaneFrame::StopProfileReader()
{
    if (m_profileReader.joinable())
        m_profileReader.join();
}

void OrvaneFrame::OnProfilesRead(wxThreadEvent& event)
{
    StopProfileReader();
    m_bReadingProfiles = false;
    SetStatusText(wxString(), 0);
    const auto read = event.GetPayload<std::shared_ptr<ProfilesRead>>();
    const auto& profiles = read->profiles;
    // Browsers first, when there are any: a profile's engines skip the file chooser.
    if (!profiles.empty())
    {
        const std::vector<size_t>& counts = read->counts;
        ImportSourceDlg source(this, profiles, counts);
        if (source.ShowModal() != wxID_OK)
            return;
        const int chosen = source.GetProfile();
        if (chosen >= 0)
        {
            ReadProfileEngines(profiles[static_cast<size_t>(chosen)]);
            return;
        }
    }
    wxFileDialog open(this, _("Import Engines"), ChooserFolder(), wxString(),
                      _("Search engine files (*.xml)|*.xml|All files (*)|*"),
                      wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
    if (open.ShowModal() != wxID_OK)
        return;
    wxArrayString paths;
    open.GetPaths(paths);
    KeepChooserFolder(open.GetDirectory());
    ImportFiles(paths);
}

void OrvaneFrame::ReadProfileEngines(const BrowserProfiles::Profile& profile)
{
    if (m_bReadingProfiles)
        return;
    StopProfileReader();
    m_bReadingProfiles = true;
    // TRANSLATORS: status bar while File > Import Engines reads the engines of the browser profile chosen
    SetStatusText(_("Reading the profile's engines..."), 0);
    // Copies of its own: the worker shares no string with the GUI thread.
    const std::string file(profile.file.utf8_str());
    m_profileReader = std::thread([this, file] {
        auto import = std::make_shared<EngineImport>();
        BrowserProfiles::Profile read;
        read.file = wxString::FromUTF8(file);
        import->AddProfile(read);
        auto* done = new wxThreadEvent(wxEVT_THREAD, ID_PROFILE_ENGINES_READ);
        done->SetPayload(import);
        wxQueueEvent(this, done);
    });
}

void OrvaneFrame::OnProfileEnginesRead(wxThreadEvent& event)
{
    StopProfileReader();
    m_bReadingProfiles = false;
    SetStatusText(wxString(), 0);
    const auto import = event.GetPayload<std::shared_ptr<EngineImport>>();
    // A search started meanwhile: the dialog still shows what was read; adding waits.
    RunImportDialog(*import);
}

size_t OrvaneFrame::ImportFiles(const wxArrayString& paths)
{
    EngineImport import;
    for (const wxString& path : paths)
        import.AddFile(path);
    return RunImportDialog(import);
}

size_t OrvaneFrame::RunImportDialog(EngineImport& import)
{
    import.CheckDuplicates(m_engineManager, m_pChoiceLang->GetStringSelection(),
                           m_pChoiceCategory->GetStringSelection());
    EngineImportDlg dlg(this, import, m_engineManager, m_pChoiceLang->GetStringSelection(),
                        m_pChoiceCategory->GetStringSelection());
    if (dlg.ShowModal() != wxID_OK)
        return 0;
    // The catalogue may not change while a search runs.
    if (m_nSearching)
    {
        wxMessageBox(_("Engines cannot be added while a search runs."), _("Orvane"),
                     wxOK | wxCENTRE, this);
        return 0;
    }
    KeepUserChoices();
    const size_t added = import.Apply(m_engineManager, dlg.GetLanguage(), dlg.GetCategory());
    wxString status = wxString::Format(_("Engines added: %d"), static_cast<int>(added));
    for (const EngineImport::Item& item : import.Items())
        if (!item.shortcutNote.IsEmpty())
            status << wxS("  ") << item.shortcutNote.Text(true);
    SetStatusText(status, 0);
    return added;
}

void OrvaneFrame::OnExportEngines(wxCommandEvent& WXUNUSED(event))
{
    const long row = m_pEngineList->GetNextItem(-1, wxLIST_NEXT_ALL, wxLIST_STATE_SELECTED);
    const Engine* selected =
        row == -1 ? nullptr : reinterpret_cast<const Engine*>(m_pEngineList->GetItemData(row));
    EngineExportDlg ask(this, selected ? selected->m_strName : wxString());
    if (ask.ShowModal() != wxID_OK)
        return;
    std::vector<const Engine*> engines;
    if (ask.AllEngines() || !selected)
    {
        for (const auto& engine : m_engineManager.m_engines)
            engines.push_back(engine.get());
    }
    else
        engines.push_back(selected);

    ImportMessage error;
    bool ok = false;
    if (ask.AsOpenSearch())
    {
        wxDirDialog folder(this, _("Choose the folder for the descriptions"), ChooserFolder());
        if (folder.ShowModal() != wxID_OK)
            return;
        KeepChooserFolder(folder.GetPath());
        std::vector<wxString> written;
        ok = EngineExport::WriteOpenSearch(engines, folder.GetPath(), written, error);
    }
    else
    {
        wxFileDialog save(this, _("Export Engines"), ChooserFolder(), wxS("engines.xml"),
                          _("Search engine files (*.xml)|*.xml|All files (*)|*"),
                          wxFD_SAVE | wxFD_OVERWRITE_PROMPT);
        if (save.ShowModal() != wxID_OK)
            return;
        KeepChooserFolder(save.GetDirectory());
        ok = EngineExport::WriteCatalogue(engines, save.GetPath(), error);
    }
    if (!ok)
    {
        wxMessageBox(error.Text(true), _("Orvane"), wxOK | wxCENTRE | wxICON_ERROR, this);
        return;
    }
    const int count = static_cast<int>(engines.size());
    SetStatusText(wxString::Format(_("Engines exported: %d"), count), 0);
}

wxString OrvaneFrame::DescriptionLinkOfCurrentPage()
{
    ZulIeCtrl* page = CurrentPage();
    if (!page || !page->GetWebView() || m_bClosing)
        return wxString();
    // The page's own markup, not its script engine: a link tag is plain HTML.
    wxWebView* view = page->GetWebView();
    const wxString address = view->GetCurrentURL();
    const wxString markup = ReadMarkup(view);
    return m_bClosing ? wxString() : DescriptionLink::Find(markup, address);
}

wxString OrvaneFrame::ReadMarkup(wxWebView* view)
{
    ++m_nMarkupReads;
    const wxString markup = view->GetPageSource();
    if (--m_nMarkupReads == 0 && m_bDestroyAfterRead)
    {
        // Deleted on a later turn of the loop; the callers see m_bClosing
        // and stop.
        m_bDestroyAfterRead = false;
        wxFrame::Destroy();
        wxWakeUpIdle();
    }
    return markup;
}

bool OrvaneFrame::Destroy()
{
    m_bClosing = true;
    m_timer.Stop();
    if (m_nMarkupReads > 0)
    {
        m_bDestroyAfterRead = true;
        return true;
    }
    const bool scheduled = wxFrame::Destroy();
    // The window is deleted in idle time, which only an event of the toolkit
    // or a wake-up brings: closed from a quit signal or a desktop call in a
    // quiet window, it would otherwise stay until the next mouse move.
    wxWakeUpIdle();
    return scheduled;
}

wxString OrvaneFrame::OfferOfCurrentPage()
{
    ZulIeCtrl* page = CurrentPage();
    if (!page || !page->GetWebView() || m_bReadingOffer)
        return wxString();
    // Before its first load has ended a page has no markup worth reading.
    const unsigned loads = page->GetLoadCount();
    if (loads == 0)
        return wxString();
    PageOffer& offer = m_pageOffers[page];
    if (offer.loads == loads && offer.read)
        return offer.link;
    // Reading the markup runs the toolkit's loop: no second read meanwhile.
    m_bReadingOffer = true;
    const wxString link = DescriptionLinkOfCurrentPage();
    m_bReadingOffer = false;
    if (m_bClosing)
        return wxString();
    offer.link = link;
    offer.loads = loads;
    offer.read = true;
    if (!offer.link.empty())
        SetStatusText(OfferStatus(*page), 0);
    return offer.link;
}

wxString OrvaneFrame::OfferStatus(ZulIeCtrl& page)
{
    return wxString::Format(_("This page offers a search engine: %s"), page.GetTitle());
}

void OrvaneFrame::UpdateAddThisEngine()
{
    if (!m_pMenuAddThisEngine)
        return;
    // A page still loading has no complete markup to read yet.
    bool busy = false;
    ZulIeCtrl* page = CurrentPage();
    if (page)
        page->IsBusy(busy);
    const bool offered = !m_nSearching && !busy && !OfferOfCurrentPage().empty();
    if (m_pMenuAddThisEngine->IsEnabled() != offered)
        m_pMenuAddThisEngine->Enable(offered);
}

void OrvaneFrame::OnAddThisEngine(wxCommandEvent& WXUNUSED(event))
{
    if (m_nSearching)
        return;
    const wxString href = DescriptionLinkOfCurrentPage();
    if (m_bClosing)
        return;
    if (href.empty())
    {
        wxMessageBox(_("This page does not offer a search engine to add."), _("Orvane"),
                     wxOK | wxCENTRE, this);
        return;
    }
    FetchDescription(href);
}

void OrvaneFrame::FetchDescription(const wxString& url)
{
    if (!m_pDescriptionFetcher)
        m_pDescriptionFetcher = std::make_unique<DescriptionFetcher>(this);
    const bool started = m_pDescriptionFetcher->Start(
        url, [this, url](const DescriptionFetch::Result& result) { OnDescriptionFetched(url, result); });
    if (started)
        SetStatusText(wxString::Format(_("Fetching %s"), url), 0);
}

void OrvaneFrame::OnDescriptionFetched(const wxString& url, const DescriptionFetch::Result& result)
{
    SetStatusText(wxString(), 0);
    EngineImport import;
    if (result.ok)
        import.AddDescription(result.bytes, result.address);
    else
        import.AddFailure(url, result.problem);
    const EngineImport::Item& item = import.Items().front();
    if (!item.problem.IsEmpty())
    {
        wxMessageBox(item.problem.Text(true), _("Orvane"), wxOK | wxCENTRE | wxICON_ERROR, this);
        return;
    }
    RunImportDialog(import);
}

void OrvaneFrame::OnTabRightUp(wxAuiNotebookEvent& event)
{
    // The menu acts on the tab that was clicked: make it the current one.
    const int tab = event.GetSelection();
    if (tab >= 0 && tab != m_pNotebook->GetSelection())
        m_pNotebook->SetSelection(static_cast<size_t>(tab));
    m_nCurPage = m_pNotebook->GetSelection();
    // The tab's tip would otherwise pop up over the menu; the next move over
    // a tab brings it back.
    if (auto* tabs = dynamic_cast<wxWindow*>(event.GetEventObject()))
        tabs->UnsetToolTip();
    wxMenu menu;
    FillTabMenu(menu);
    PopupMenu(&menu);
}

void OrvaneFrame::FillTabMenu(wxMenu& menu)
{
    // Entries act on the current page through the frame's own menu
    // commands; add further page commands here.
    AppendPageCommands(menu);
    menu.AppendSeparator();
    menu.Append(ID_MENU_ADD_THIS_ENGINE, _("Add This Engine..."));
    menu.Enable(ID_MENU_ADD_THIS_ENGINE, !m_nSearching && !OfferOfCurrentPage().empty());
}

void OrvaneFrame::RunCommand(const CommandLine& command, CommandDone done,
                             std::function<bool()> start)
{
    if (command.LoadsPages())
    {
        if (!start || start())
            StartCheck(command, std::move(done));
        return;
    }
    if ((command.m_action == CommandLine::Action::Import ||
         command.m_action == CommandLine::Action::ImportBrowser) && (m_nSearching || !m_checks.empty()))
    {
        m_pendingCommands.push_back({command, std::move(done), std::move(start)});
        return;
    }
    if (!start || start())
        done(RunCommandNow(command));
}

EngineCommand::Reply OrvaneFrame::RunCommandNow(const CommandLine& command)
{
    const bool import = command.m_action == CommandLine::Action::Import ||
                        command.m_action == CommandLine::Action::ImportBrowser;
    if (import)
        KeepUserChoices();
    EngineCommand::Reply reply =
        EngineCommand::Run(command, m_engineManager, m_pChoiceLang->GetStringSelection(),
                           m_pChoiceCategory->GetStringSelection());
    // The caller was told what was added: it is on disk when the answer
    // goes back, as it is without a window.
    if (import && reply.status == CommandLine::ExitOk && !m_engineManager.Save())
    {
        reply.err.push_back(wxS("orvane: the catalogue could not be saved"));
        reply.status = CommandLine::ExitNothing;
    }
    return reply;
}

void OrvaneFrame::RunPendingCommands()
{
    while (!m_nSearching && m_checks.empty() && !m_pendingCommands.empty())
    {
        PendingCommand pending = std::move(m_pendingCommands.front());
        m_pendingCommands.erase(m_pendingCommands.begin());
        if (!pending.start || pending.start())
            pending.done(RunCommandNow(pending.command));
    }
}

void OrvaneFrame::StartCheck(const CommandLine& command, CommandDone done)
{
    EngineCommand::Reply refused;
    const EngineArray engines = EngineCommand::CheckedEngines(
        command, m_engineManager, m_pChoiceLang->GetStringSelection(), m_pChoiceCategory->GetStringSelection(),
        refused.err);
    if (engines.empty())
    {
        refused.status = CommandLine::ExitNothing;
        done(refused);
        return;
    }
    // The engine list changes nothing while its engines are being loaded.
    m_pEngineMgrPanel->Enable(false);
    m_checks.push_back(std::make_unique<CatalogueCheck>(
        engines, command, *m_pHealth, [this, done](const EngineCommand::Reply& reply) {
            SaveHealth();
            RefillEngineList();
            done(reply);
            // Not from inside the check's own handler.
            CallAfter(&OrvaneFrame::DropFinishedChecks);
        }));
    m_checks.back()->Start();
}

void OrvaneFrame::DropFinishedChecks()
{
    m_checks.erase(std::remove_if(m_checks.begin(), m_checks.end(),
                                  [](const std::unique_ptr<CatalogueCheck>& check) { return check->IsDone(); }),
                   m_checks.end());
    if (m_checks.empty())
    {
        m_pEngineMgrPanel->Enable(!m_nSearching);
        RunPendingCommands();
    }
}
