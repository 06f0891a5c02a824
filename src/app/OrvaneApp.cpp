#include "OrvaneApp.h"

#include "DesktopBus.h"
#include "OpenDialogs.h"
#include "instance/DesktopQuery.h"
#include "instance/CommandLine.h"
#include "instance/EngineCommand.h"
#include "store/ConfigStore.h"
#include "frame/OrvaneFrame.h"
#include "store/ProgramFolder.h"
#include "instance/SingleInstance.h"
#include "settings/UILanguage.h"

#include <wx/confbase.h>
#include <wx/dialog.h>
#include <wx/filefn.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/log.h>

#include <glib-unix.h>

#include <csignal>

namespace
{
// Below the program folder, whatever the working directory.
const char* const CatalogFolder = "locales";
const char* const IconFile = "img/Orvane.ico";
} // namespace

// main() lives in main.cpp: commands must run before the toolkit opens the
// display, and main creates the application object itself.
wxIMPLEMENT_APP_NO_MAIN(OrvaneApp);

OrvaneApp::OrvaneApp() = default;

OrvaneApp::~OrvaneApp()
{
    for (unsigned source : m_signalSources)
        g_source_remove(source);
}

void OrvaneApp::WatchQuitSignals()
{
    // GLib turns the signal into a main-loop event: nothing runs inside the
    // signal handler itself.
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
    {
        m_signalSources.push_back(g_unix_signal_add(
            signal,
            [](gpointer app) -> gboolean {
                static_cast<OrvaneApp*>(app)->QuitOnSignal();
                return G_SOURCE_CONTINUE;
            },
            this));
    }
}

void OrvaneApp::QuitOnSignal()
{
    // Every open question ends as Cancel, and none opens from now on. The
    // window goes only once their loops have returned: a dialog whose parent
    // is gone would keep the program running and crash when answered.
    auto close = [this] {
        if (m_frame)
            m_frame->Close(true);
        else
            ExitMainLoop();
    };
    if (m_dialogs)
        m_dialogs->CancelAll(close);
    else
        close();
}

void OrvaneApp::AdoptInstance(std::unique_ptr<SingleInstance> instance)
{
    m_instance = std::move(instance);
}

CommandLine OrvaneApp::s_startCommand;

void OrvaneApp::SetStartCommand(const CommandLine& command)
{
    s_startCommand = command;
}

bool OrvaneApp::OnInit()
{
    SetVendorName(ConfigStore::VendorName);
    SetAppName(ConfigStore::AppName);

    // Every default read from now on is written back: a first run leaves a
    // complete set of keys behind.
    ConfigStore::Get()->SetRecordDefaults(true);

    wxLocale::AddCatalogLookupPathPrefix(ProgramFolder::File(CatalogFolder));
    const int language = GetUILanguage();
    {
        // The C library may lack the chosen language while our catalogue has
        // it; the toolkit's complaint goes to stderr, not into a message box
        // that would greet the user at every start.
        wxLogStderr toStderr;
        wxLog* previous = wxLog::SetActiveTarget(&toStderr);
        m_locale.Init(language);
        wxLog::SetActiveTarget(previous);
    }
    m_locale.AddCatalog(ConfigStore::AppName);

    // The decoders come before the icon: outside Windows an .ico file is
    // read through them.
    wxInitAllImageHandlers();
    wxIcon icon;
    const wxString iconFile = ProgramFolder::File(IconFile);
    if (wxFileExists(iconFile))
        icon.LoadFile(iconFile, wxBITMAP_TYPE_ICO);

    auto* frame = new OrvaneFrame(nullptr, wxID_ANY);
    if (icon.IsOk())
        frame->SetIcon(icon);
    frame->Show();
    SetTopWindow(frame);
    m_frame = frame;
    WatchQuitSignals();

    m_desktopBus = std::make_unique<DesktopBus>(frame);
    m_desktopBus->StartAfterFirstPaint();
    // After the bus's gate: a dialog refused while quitting never reaches it.
    m_dialogs = std::make_unique<OpenDialogs>();

    if (m_instance)
    {
        m_instance->Server().SetDeferredHandler(
            [this](const InstanceRequest& request, InstanceServer::Responder respond) {
                OnInstanceRequest(request, std::move(respond));
            },
            [this](std::function<void()> call) { CallAfter(std::move(call)); });
    }

    DoWindowCommand(s_startCommand);
    return true;
}

int OrvaneApp::OnExit()
{
    // No request may reach a window that is gone; the lock itself is kept
    // until everything is saved.
    if (m_instance)
        m_instance->Server().Stop();
    m_desktopBus.reset();
    m_dialogs.reset();
    return wxApp::OnExit();
}

void OrvaneApp::OnInstanceRequest(const InstanceRequest& request,
                                  InstanceServer::Responder respond)
{
    auto* frame = static_cast<OrvaneFrame*>(m_frame.get());
    if (!frame || frame->IsBeingDeleted())
    {
        respond(false, InstanceReply());
        return;
    }
    CommandLine command = CommandLine::Parse(request.args);
    if (command.m_action != CommandLine::Action::Window)
    {
        command.MakePathsAbsolute(request.workingDir);
        // An import may wait for a search; once its caller was told the
        // window is busy it must never run.
        frame->RunCommand(
            command,
            [respond](const EngineCommand::Reply& result) {
                InstanceReply reply;
                for (const wxString& line : result.out)
                    reply.lines.push_back(line);
                for (const wxString& line : result.err)
                    reply.errors.push_back(line);
                reply.status = result.status;
                respond(true, reply);
            },
            [respond] { return respond.Begin(); });
        return;
    }
    // The start waits for its answer until a dialog open here has closed.
    m_desktopBus->Gate().Run([this, command, respond] {
        // Told busy while the dialog was open: the caller has given up.
        if (!respond.Begin())
            return;
        auto* frame = static_cast<OrvaneFrame*>(m_frame.get());
        if (!frame || frame->IsBeingDeleted())
        {
            respond(false, InstanceReply());
            return;
        }
        if (frame->IsIconized())
            frame->Iconize(false);
        frame->Show();
        frame->Raise();
        DoWindowCommand(command);
        InstanceReply reply;
        reply.status = CommandLine::ExitOk;
        respond(true, reply);
    });
}

void OrvaneApp::DoWindowCommand(const CommandLine& command)
{
    auto* frame = static_cast<OrvaneFrame*>(m_frame.get());
    if (command.m_bNewSearch)
    {
        frame->FocusKeywordBox();
        return;
    }
    if (command.m_source != CommandLine::Source::Arguments)
    {
        const DesktopQuery::Target target =
            DesktopQuery::Resolve(command.Words(), frame->Catalogue(), frame->CurrentGroup());
        if (target.words.empty())
            frame->FocusKeywordBox(_("Nothing selected to search."));
        else
            frame->SearchInGroup(target.group, target.words);
        return;
    }
    const wxString keyword = command.Words();
    if (!keyword.empty())
        frame->SearchFor(keyword);
}
