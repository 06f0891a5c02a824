#include "about/VersionCheckLink.h"

#include <wx/event.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>


VersionCheckLink::VersionCheckLink(wxEvtHandler* target, VersionSink sink)
    : m_pTarget(target), m_sink(std::move(sink))
{
}

void VersionCheckLink::Detach()
{
    // Waits only for a hand-over in progress, which never blocks on the network.
    std::unique_lock<std::mutex> lock(m_mutex);
    m_pTarget = nullptr;
    m_sink = nullptr;
}

bool VersionCheckLink::IsDetached() const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_pTarget == nullptr;
}

void VersionCheckLink::PostVersion(const wxString& version)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_sink)
        m_sink(version);
}

void VersionCheckLink::ReportFailure(Failure failure, int status)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_pTarget)
        return;
    // Queued to the target, so it is dropped with the target's pending events
    // if the window closes before the box could be shown.
    m_pTarget->CallAfter([failure, status] {
        wxMessageBox(FailureMessage(failure, status), _("Orvane"), wxOK | wxCENTRE);
    });
}

void VersionCheckLink::MarkFinished()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_bFinished = true;
}

bool VersionCheckLink::IsFinished() const
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_bFinished;
}

wxString VersionCheckLink::FailureMessage(Failure failure, int status)
{
    wxString message = _("An unknown error occurred while checking for updates.");
    switch (failure)
    {
    case Failure::Connection:
        message += _("\nPlease check your internet connection and try again.");
        break;
    case Failure::HttpStatus:
        // Not translated: the status line is for whoever reads it out to support.
        message += wxString::Format("\nHTTP request failed, got HTTP response %d.", status);
        break;
    case Failure::Unknown:
        break;
    }
    return message;
}
