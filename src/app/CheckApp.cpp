#include "CheckApp.h"

#include "HeadlessCommand.h"
#include "IEHtmlWin.h"
#include "WebDownloads.h"
#include "WebSession.h"
#include "base/Utf8.h"
#include "catalogue/EngineManager.h"
#include "outcome/EngineHealth.h"
#include "pages/CatalogueCheck.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"

#include <glib-unix.h>

#include <csignal>
#include <cstdio>

namespace
{
struct SignalWatch
{
    CheckApp* app;
    int signal;
};
} // namespace

CheckApp::CheckApp(const CommandLine& command) : m_command(command)
{
}

CheckApp::~CheckApp()
{
    for (unsigned source : m_signalSources)
        g_source_remove(source);
}

void CheckApp::QuitOnSignal(int signal)
{
    if (m_nSignal == 0)
        m_nSignal = signal;
    ExitMainLoop();
}

bool CheckApp::OnInit()
{
    // No wxApp::OnInit: the command line was read already.
    m_catalogue = std::make_unique<EngineManager>();
    m_catalogue->SetFileName(ProgramFolder::File(wxS("conf/config.xml")));
    m_catalogue->Load();
    m_health = std::make_unique<EngineHealth>();
    m_health->SetCatalogue(m_catalogue.get());
    if (!m_health->Load() && !m_health->GetSetAside().empty())
        HeadlessCommand::PrintLines(stderr, {wxS("orvane: the engine health file could not be read; it was kept as ") +
                                             m_health->GetSetAside()});
    m_downloads = std::make_unique<WebDownloads>();
    // GLib turns the signal into a main-loop event: nothing runs inside the
    // signal handler itself.
    for (int signal : {SIGTERM, SIGHUP, SIGINT})
    {
        auto* watch = new SignalWatch{this, signal};
        m_signalSources.push_back(g_unix_signal_add_full(
            G_PRIORITY_DEFAULT, signal,
            [](gpointer data) -> gboolean {
                auto* w = static_cast<SignalWatch*>(data);
                w->app->QuitOnSignal(w->signal);
                return G_SOURCE_CONTINUE;
            },
            watch, [](gpointer data) { delete static_cast<SignalWatch*>(data); }));
    }
    // The site data as the person set it up: the cookies of earlier
    // searches are used, and a check passed here counts in the window too.
    WebSession::Configure(HeadlessCommand::StoredNumber(PreferenceKey::KeepCookies, PreferenceDefault::KeepCookies) != 0);
    wxIEHtmlWin::SetLoadTimeout(
        static_cast<int>(HeadlessCommand::StoredNumber(PreferenceKey::PageTimeout, PreferenceDefault::PageTimeout)));

    wxString language, category;
    HeadlessCommand::CurrentGroup(*m_catalogue, language, category);
    EngineCommand::Reply empty;
    const EngineArray engines =
        EngineCommand::CheckedEngines(m_command, *m_catalogue, language, category, empty.err);
    // Without a top window the loop would end at once.
    SetExitOnFrameDelete(false);
    if (engines.empty())
    {
        HeadlessCommand::PrintLines(stderr, empty.err);
        m_nStatus = CommandLine::ExitNothing;
        CallAfter([this] { ExitMainLoop(); });
        return true;
    }
    m_check = std::make_unique<CatalogueCheck>(engines, m_command, *m_health,
                                               [this](const EngineCommand::Reply& reply) {
                                                   HeadlessCommand::PrintLines(stdout, reply.out);
                                                   EngineArray all;
                                                   for (const auto& engine : m_catalogue->m_engines)
                                                       all.push_back(engine.get());
                                                   if (!m_health->Save(all))
                                                       fprintf(stderr, "orvane: the engine health could not be saved\n");
                                                   HeadlessCommand::PrintLines(stderr, reply.err);
                                                   m_nStatus = reply.status;
                                                   ExitMainLoop();
                                               });
    m_check->Start();
    return true;
}

int CheckApp::OnRun()
{
    wxApp::OnRun();
    // The views go, and their pages' processes with them.
    m_check.reset();
    m_downloads.reset();
    if (m_nSignal != 0)
    {
        // Ended as the signal ends a program, for whoever started it.
        std::signal(m_nSignal, SIG_DFL);
        std::raise(m_nSignal);
    }
    return m_nStatus;
}
