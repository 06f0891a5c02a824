#pragma once

#include "InstanceMessage.h"

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/weakref.h>

#include <memory>

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

private:
    // Words given on the command line, joined by blanks; empty when none.
    static wxString JoinArguments(const wxArrayString& args);
    // A later start's command line, on the GUI thread: the window comes to
    // the front and searches the words, if any. False while the window closes.
    bool OnInstanceRequest(const InstanceRequest& request, InstanceReply& reply);

    std::unique_ptr<SingleInstance> m_instance;
    wxWeakRef<wxWindow> m_frame;
};

wxDECLARE_APP(OrvaneApp);
