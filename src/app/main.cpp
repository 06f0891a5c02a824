// The program's entry: --help, --version and usage errors are answered here; every other
// command goes to the window running for this configuration, or runs here
// without a display when there is none; otherwise this process hands its
// words to the running window or becomes that window itself. None of it
// needs the toolkit's GUI yet.
#include "instance/CommandLine.h"
#include "store/ConfigStore.h"
#include "HeadlessCommand.h"
#include "OrvaneApp.h"
#include "instance/SingleInstance.h"

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
    const bool window = command.m_action == CommandLine::Action::Window;
    if (command.m_action == CommandLine::Action::Help ||
        command.m_action == CommandLine::Action::Version ||
        command.m_action == CommandLine::Action::UsageError)
        return HeadlessCommand::Run(command);

    InstanceRequest request;
    request.workingDir = wxGetCwd();
    if (window)
        request.args = args;
    else
    {
        command.MakePathsAbsolute(request.workingDir);
        request.args = command.ToArgs();
    }
    // A command goes to the running window, so that the window never
    // overwrites what it wrote and its answer reflects what the window
    // holds. Without one, this process takes the lock while the command
    // runs: a window that starts meanwhile waits for it.
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
    if (!window)
        return HeadlessCommand::Run(command);

    OrvaneApp::SetCommandLineWords(command.Words());
    // The toolkit owns the application object from here on.
    auto* app = new OrvaneApp;
    app->AdoptInstance(std::move(instance));
    wxApp::SetInstance(app);
    return wxEntry(argc, argv);
}
