#include "OrvaneApp.h"

#include "ConfigStore.h"
#include "OrvaneFrame.h"
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

// main() lives in main.cpp: commands must run before the toolkit opens the display.
wxIMPLEMENT_APP_NO_MAIN(OrvaneApp);

wxString OrvaneApp::s_strCommandLineWords;

void OrvaneApp::SetCommandLineWords(const wxString& words)
{
    s_strCommandLineWords = words;
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

    if (!s_strCommandLineWords.empty())
        frame->SearchFor(s_strCommandLineWords);
    return true;
}
