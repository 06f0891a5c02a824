#pragma once

#include "about/VersionCheckLink.h"

#include <wx/string.h>
#include <wx/thread.h>

#include <memory>

// The once-per-run worker that reads the latest published version from the
// version page and hands it over through its link. Joinable: its owner waits
// for it (it gives up within 50 ms once the link is detached) and deletes it,
// so no part of the thread, the toolkit's own clean-up included, outlives
// the window.
class CheckVerThread : public wxThread
{
public:
    // hostSpec: "host" or "host:port" (port 80 when none is given), or a whole
    // http:// or https:// address of the version page.
    CheckVerThread(std::shared_ptr<VersionCheckLink> link, const wxString& hostSpec);

    // Time-out of the whole exchange, from connecting to the last byte, in seconds.
    static constexpr int TimeoutSeconds = 60;

protected:
    void OnExit() override {}
    ExitCode Entry() override;

private:
    void CheckVersion();

    std::shared_ptr<VersionCheckLink> m_pLink;
    wxString m_strHostSpec;
};
