#pragma once

#include "VersionCheckLink.h"

#include <wx/string.h>
#include <wx/thread.h>

#include <memory>

// The once-per-run worker that reads the latest published version from the
// version page and hands it over through its link. Created detached: it
// deletes itself when Entry returns and is never waited for.
class CheckVerThread : public wxThread
{
public:
    // hostSpec: "host" or "host:port" (port 80 when none is given).
    CheckVerThread(std::shared_ptr<VersionCheckLink> link, const wxString& hostSpec);

    // Splits "host" or "host:port"; false when the host part is empty or the
    // port is not a number from 1 to 65535.
    static bool SplitHost(const wxString& hostSpec, wxString& host, unsigned short& port);

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
