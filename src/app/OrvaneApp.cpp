#include "OrvaneApp.h"

#include "ConfigStore.h"
#include "OrvaneFrame.h"
#include "SingleInstance.h"
#include "UILanguage.h"

#include <wx/confbase.h>
#include <wx/filefn.h>
#include <wx/icon.h>
#include <wx/image.h>
#include <wx/log.h>

namespace
{
const char* const CatalogPrefix = "locales";
const char* const IconFile = "img/Orvane.ico";
} // namespace

// main() (main.cpp) creates the application object itself.
wxIMPLEMENT_APP_NO_MAIN(OrvaneApp);

OrvaneApp::OrvaneApp() = default;

OrvaneApp::~OrvaneApp() = default;

void OrvaneApp::AdoptInstance(std::unique_ptr<SingleInstance> instance)
{
    m_instance = std::move(instance);
}

bool OrvaneApp::OnInit()
{
    SetVendorName(ConfigStore::VendorName);
    SetAppName(ConfigStore::AppName);

    // Every default read from now on is written back: a first run leaves a
    // complete set of keys behind.
    ConfigStore::Get()->SetRecordDefaults(true);

    wxLocale::AddCatalogLookupPathPrefix(CatalogPrefix);
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
    if (wxFileExists(IconFile))
        icon.LoadFile(IconFile, wxBITMAP_TYPE_ICO);

    auto* frame = new OrvaneFrame(nullptr, wxID_ANY);
    if (icon.IsOk())
        frame->SetIcon(icon);
    frame->Show();
    SetTopWindow(frame);
    m_frame = frame;

    if (m_instance)
    {
        m_instance->Server().SetHandler(
            [this](const InstanceRequest& request, InstanceReply& reply) {
                return OnInstanceRequest(request, reply);
            },
            [this](std::function<void()> call) { CallAfter(std::move(call)); });
    }

    wxArrayString args;
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
    const wxString keyword = JoinArguments(args);
    if (!keyword.empty())
        frame->SearchFor(keyword);
    return true;
}

int OrvaneApp::OnExit()
{
    // No request may reach a window that is gone; the lock itself is kept
    // until everything is saved.
    if (m_instance)
        m_instance->Server().Stop();
    return wxApp::OnExit();
}

wxString OrvaneApp::JoinArguments(const wxArrayString& args)
{
    wxString keyword;
    for (const wxString& arg : args)
    {
        if (!keyword.empty())
            keyword += ' ';
        keyword += arg;
    }
    return keyword;
}

bool OrvaneApp::OnInstanceRequest(const InstanceRequest& request, InstanceReply& reply)
{
    auto* frame = static_cast<OrvaneFrame*>(m_frame.get());
    if (!frame || frame->IsBeingDeleted())
        return false;
    if (frame->IsIconized())
        frame->Iconize(false);
    frame->Show();
    frame->Raise();
    const wxString keyword = JoinArguments(request.args);
    if (!keyword.empty())
        frame->SearchFor(keyword);
    reply.status = 0;
    return true;
}
