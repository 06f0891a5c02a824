#include "CheckVerThread.h"

#include "AppInfo.h"
#include "VersionPage.h"

#include <wx/protocol/http.h>
#include <wx/stopwatch.h>

CheckVerThread::CheckVerThread(std::shared_ptr<VersionCheckLink> link, const wxString& hostSpec)
    : wxThread(wxTHREAD_DETACHED), m_pLink(std::move(link)), m_strHostSpec(hostSpec)
{
}

bool CheckVerThread::SplitHost(const wxString& hostSpec, wxString& host, unsigned short& port)
{
    wxString spec = hostSpec;
    spec.Trim(true).Trim(false);
    host = spec;
    port = AppInfo::VersionPagePort;
    const size_t colon = spec.rfind(':');
    if (colon != wxString::npos)
    {
        host = spec.substr(0, colon);
        unsigned long value = 0;
        if (!spec.substr(colon + 1).ToULong(&value) || value == 0 || value > 65535)
            return false;
        port = static_cast<unsigned short>(value);
    }
    return !host.empty();
}

wxThread::ExitCode CheckVerThread::Entry()
{
    if (!TestDestroy())
    {
        try
        {
            CheckVersion();
        }
        catch (...)
        {
            m_pLink->ReportFailure(VersionCheckLink::Failure::Unknown);
        }
    }
    m_pLink->MarkFinished();
    return nullptr;
}

void CheckVerThread::CheckVersion()
{
    using Failure = VersionCheckLink::Failure;

    wxString host;
    unsigned short port = 0;
    if (!SplitHost(m_strHostSpec, host, port))
    {
        m_pLink->ReportFailure(Failure::Connection);
        return;
    }

    wxHTTP http;
    http.SetHeader("Connection", "Close");
    // Blocking waits: this runs off the GUI thread and must not yield to it.
    http.SetFlags(wxSOCKET_WAITALL | wxSOCKET_BLOCK);
    http.SetTimeout(TimeoutSeconds);
    if (!http.Connect(host, port))
    {
        m_pLink->ReportFailure(Failure::Connection);
        return;
    }

    std::unique_ptr<wxInputStream> stream(http.GetInputStream(AppInfo::VersionPagePath));
    const int status = http.GetResponse();
    if (!stream)
    {
        // wxHTTP gives no stream for a 4xx/5xx reply; the status tells it
        // apart from a host that could not be reached.
        if (status != 0 && (status < 200 || status > 299))
            m_pLink->ReportFailure(Failure::HttpStatus, status);
        else
            m_pLink->ReportFailure(Failure::Connection);
        return;
    }
    if (status < 200 || status > 299)
    {
        m_pLink->ReportFailure(Failure::HttpStatus, status);
        return;
    }

    // One byte per read: a page that stalls or drips for ever is then
    // bounded by the byte cap and the deadline, and a closed window is
    // noticed at once.
    VersionPage page;
    wxStopWatch elapsed;
    if (stream->GetSize() != 0)
    {
        while (!page.Done() && !m_pLink->IsDetached()
               && elapsed.Time() < TimeoutSeconds * 1000L)
        {
            char byte = 0;
            stream->Read(&byte, 1);
            if (stream->LastRead() != 1)
                break;
            page.Feed(&byte, 1);
        }
    }
    page.Finish();
    stream.reset();
    if (http.IsConnected())
        http.Close();

    m_pLink->PostVersion(page.Result());
}
