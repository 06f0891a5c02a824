#pragma once

#include <wx/app.h>
#include <wx/intl.h>

// The application object: names the program, sets up the configuration
// store and the interface language, and opens the main window.
class OrvaneApp : public wxApp
{
public:
    bool OnInit() override;

    wxLocale m_locale;
};

wxDECLARE_APP(OrvaneApp);
