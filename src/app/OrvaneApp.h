#pragma once

#include "instance/CommandLine.h"
#include "instance/InstanceServer.h"

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/weakref.h>

#include <memory>
#include <vector>

class DesktopBus;
class OpenDialogs;
class OrvaneFrame;
class SingleInstance;

// The application object: names the program, sets up the configuration
// store and the interface language, and opens the main window. It serves the
// single-instance channel: a later start's command line arrives here.
class OrvaneApp : public wxApp
{
public:
    OrvaneApp();
    ~OrvaneApp() override;

    // The lock and channel this process holds; given by main before the
    // toolkit starts, kept until the application object goes (after every
    // window, and with it the catalogue and the preferences, is saved).
    void AdoptInstance(std::unique_ptr<SingleInstance> instance);

    bool OnInit() override;
    int OnExit() override;

    wxLocale m_locale;

    // The window's command line at start-up: the words to search, or the
    // selected text already read (--selection), or --new-search.
    static void SetStartCommand(const CommandLine& command);

private:
    // A later start's command line, on the GUI thread: the window comes to
    // the front and searches the words, if any; a command (import, export,
    // URLs) runs against the window's catalogue and answers when done.
    // Unanswered while the window closes.
    void OnInstanceRequest(const InstanceRequest& request, InstanceServer::Responder respond);
    // SIGTERM, SIGHUP or SIGINT (a session ending, a terminal closing):
    // the window closes as on Quit, saving the history and the catalogue.
    void WatchQuitSignals();
    void QuitOnSignal();

    // What a window command asks of the window: search words in the current
    // group, search the selected text, or be ready to type a keyword.
    void DoWindowCommand(const CommandLine& command);

    static CommandLine s_startCommand;
    std::unique_ptr<DesktopBus> m_desktopBus;
    std::unique_ptr<OpenDialogs> m_dialogs;
    std::unique_ptr<SingleInstance> m_instance;
    wxWeakRef<wxWindow> m_frame;
    std::vector<unsigned> m_signalSources;
};

wxDECLARE_APP(OrvaneApp);
