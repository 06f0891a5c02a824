// The program's entry: --help, --version and usage errors are answered here; every other
// command goes to the window running for this configuration, or runs here
// without a display when there is none; otherwise this process hands its
// words to the running window or becomes that window itself. None of it
// needs the toolkit's GUI yet.
#include "base/TerminalText.h"
#include "instance/CommandLine.h"
#include "store/ConfigStore.h"
#include "CheckApp.h"
#include "HeadlessCommand.h"
#include "OrvaneApp.h"
#include "instance/SingleInstance.h"
#include "SelectedText.h"

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/utils.h>

#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <memory>

namespace
{
// What the toolkit would connect to, for the message when it cannot.
wxString DisplayName()
{
    wxString name;
    if (wxGetEnv("WAYLAND_DISPLAY", &name) && !name.empty())
        return name;
    if (wxGetEnv("DISPLAY", &name) && !name.empty())
        return name;
    return wxS("neither DISPLAY nor WAYLAND_DISPLAY is set");
}

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

    if (window && command.m_source != CommandLine::Source::Arguments)
    {
        // Read here, before any window: the running window may not own the
        // selection. The text goes on as the option's words after "--".
        bool unreadable = false;
        const wxString text = SelectedText::Read(command.m_source, &unreadable);
        // The window still comes up, ready to type, as with nothing selected.
        if (unreadable)
            std::fprintf(stderr, "The selection could not be read.\n");
        args.clear();
        args.push_back(command.m_source == CommandLine::Source::Selection ? wxS("--selection")
                                                                          : wxS("--clipboard"));
        args.push_back(wxS("--"));
        command.m_args.clear();
        if (!text.empty())
        {
            args.push_back(text);
            command.m_args.push_back(text);
        }
    }

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
    // No catalogue of translations is loaded this early.
    switch (instance->Claim(request, reply))
    {
    case SingleInstance::Role::Forwarded:
        // The window's answer may quote names from files and pages.
        HeadlessCommand::PrintLines(stdout, std::vector<wxString>(reply.lines.begin(), reply.lines.end()));
        HeadlessCommand::PrintLines(stderr, std::vector<wxString>(reply.errors.begin(), reply.errors.end()));
        return reply.status;
    case SingleInstance::Role::Unanswered:
        std::fprintf(stderr, "orvane: the running window did not answer\n");
        return CommandLine::ExitNothing;
    case SingleInstance::Role::Refused:
        std::fprintf(stderr, "%s\n", static_cast<const char*>(TerminalText::Escape(instance->Error()).utf8_str()));
        return CommandLine::ExitNothing;
    case SingleInstance::Role::NoWindow:
    case SingleInstance::Role::First:
        break;
    }
    // The lock is ours but later starts cannot reach us: they will say so.
    if (window && !instance->Error().empty())
        std::fprintf(stderr, "%s\n", static_cast<const char*>(TerminalText::Escape(instance->Error()).utf8_str()));
    if (!window && !command.LoadsPages())
        return HeadlessCommand::Run(command);

    // The window and the browser views of --check and --results need a display. Checked before
    // the toolkit starts: without one it would show its own error in a
    // window it cannot open, and abort.
    if (!gtk_init_check(nullptr, nullptr))
    {
        std::fprintf(stderr, "Cannot open the display: %s\n", static_cast<const char*>(DisplayName().utf8_str()));
        return CommandLine::ExitNothing;
    }
    if (command.LoadsPages())
    {
        // No window is shown; the lock is held until the command is done.
        wxApp::SetInstance(new CheckApp(command));
        return wxEntry(argc, argv);
    }

    OrvaneApp::SetStartCommand(command);
    // The toolkit owns the application object from here on.
    auto* app = new OrvaneApp;
    app->AdoptInstance(std::move(instance));
    wxApp::SetInstance(app);
    return wxEntry(argc, argv);
}
