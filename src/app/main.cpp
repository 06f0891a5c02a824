// Entry point. A later start hands its command line to the window already
// running for this configuration and exits with its reply; that happens
// before the toolkit starts, so it needs no display.
#include "ConfigStore.h"
#include "OrvaneApp.h"
#include "SingleInstance.h"

#include <wx/filefn.h>
#include <wx/init.h>

#include <clocale>
#include <cstdio>
#include <memory>

int main(int argc, char** argv)
{
    // Arguments and paths arrive in the user's encoding.
    std::setlocale(LC_ALL, "");
    InstanceRequest request;
    request.workingDir = wxGetCwd();
    for (int i = 1; i < argc; ++i)
        request.args.push_back(wxString(argv[i]));

    auto instance = std::make_unique<SingleInstance>(ConfigStore::Folder());
    InstanceReply reply;
    switch (instance->Claim(request, reply))
    {
    case SingleInstance::Role::Forwarded:
        for (const wxString& line : reply.lines)
            std::printf("%s\n", static_cast<const char*>(line.mb_str()));
        std::fflush(stdout);
        return reply.status;
    case SingleInstance::Role::Unanswered:
        // No catalogue of translations is loaded this early.
        std::fprintf(stderr, "orvane: the running window did not answer\n");
        return 1;
    case SingleInstance::Role::First:
        break;
    }

    // The toolkit owns the application object from here on.
    auto* app = new OrvaneApp;
    app->AdoptInstance(std::move(instance));
    wxApp::SetInstance(app);
    return wxEntry(argc, argv);
}
