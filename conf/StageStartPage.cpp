// Writes the start page as the program does before any version check, in
// English, so that a program folder has one from the start.
//   orvane_stage_start_page <template> <page>
#include "pages/StartPage.h"

#include <wx/init.h>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s <template> <page>\n", argv[0]);
        return 2;
    }
    wxInitializer wx;
    if (!wx.IsOk())
        return 1;
    const wxString page = StartPage::Fill(
        StartPage::Translate(StartPage::LoadTemplate(wxString::FromUTF8(argv[1])), "en"),
        StartPage::YourVersionText(), StartPage::NotCheckedText());
    return StartPage::Write(wxString::FromUTF8(argv[2]), page) ? 0 : 1;
}
