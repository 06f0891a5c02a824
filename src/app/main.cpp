// The program's entry: commands of the command line run here without a
// display; otherwise a window already running for this configuration gets
// the command line (and this process exits with its reply), or this process
// becomes that window. None of it needs the toolkit's GUI yet.
#include "CommandLine.h"
#include "ConfigStore.h"
#include "HeadlessCommand.h"
#include "OrvaneApp.h"
#include "SingleInstance.h"

#include <wx/app.h>
#include <wx/filefn.h>

#include <clocale>
#include <cstdio>
#include <memory>

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

    InstanceRequest request;
    request.args = args;
    request.workingDir = wxGetCwd();
    auto instance = std::make_unique<SingleInstance>(ConfigStore::Folder());
    InstanceReply reply;
    switch (instance->Claim(request, reply))
    {
    case SingleInstance::Role::Forwarded:
        for (const wxString& line : reply.lines)
            std::printf("%s\n", static_cast<const char*>(line.utf8_str()));
        std::fflush(stdout);
        return reply.status;
    case SingleInstance::Role::Unanswered:
        // No catalogue of translations is loaded this early.
        std::fprintf(stderr, "orvane: the running window did not answer\n");
        return 1;
    case SingleInstance::Role::NoWindow:
    case SingleInstance::Role::First:
        break;
    }

    OrvaneApp::SetCommandLineWords(command.Words());
    // The toolkit owns the application object from here on.
    auto* app = new OrvaneApp;
    app->AdoptInstance(std::move(instance));
    wxApp::SetInstance(app);
    return wxEntry(argc, argv);
}
