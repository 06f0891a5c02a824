// The program's entry: commands of the command line run here without a
// display; everything else starts the window through the toolkit.
#include "CommandLine.h"
#include "HeadlessCommand.h"
#include "OrvaneApp.h"

#include <wx/app.h>

#include <clocale>

namespace
{
wxString Argument(const char* arg)
{
    // Names on disk are UTF-8 on our systems whatever the locale says.
    const wxString utf8 = wxString::FromUTF8(arg);
    return utf8.empty() && *arg ? wxString(arg, wxConvLibc) : utf8;
}
} // namespace

int main(int argc, char** argv)
{
    std::setlocale(LC_ALL, "");
    wxArrayString args;
    for (int i = 1; i < argc; ++i)
        args.push_back(Argument(argv[i]));
    CommandLine command = CommandLine::Parse(args);
    if (command.m_action != CommandLine::Action::Window)
    {
        command.MakePathsAbsolute(wxGetCwd());
        return HeadlessCommand::Run(command);
    }
    OrvaneApp::SetCommandLineWords(command.Words());
    return wxEntry(argc, argv);
}
