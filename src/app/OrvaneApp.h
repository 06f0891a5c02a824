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

    // The words to search at start-up (the command line's, without options).
    static void SetCommandLineWords(const wxString& words);

private:
    static wxString s_strCommandLineWords;
};

wxDECLARE_APP(OrvaneApp);
