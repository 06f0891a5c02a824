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

private:
    // Words given on the command line, joined by blanks; empty when none.
    wxString CommandLineKeyword() const;
};

wxDECLARE_APP(OrvaneApp);
