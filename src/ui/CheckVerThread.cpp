#include "CheckVerThread.h"

#include "AppInfo.h"
#include "HttpGetStream.h"
#include "ServerAddress.h"
#include "VersionPage.h"


CheckVerThread::CheckVerThread(std::shared_ptr<VersionCheckLink> link, const wxString& hostSpec)
    : wxThread(wxTHREAD_DETACHED), m_pLink(std::move(link)), m_strHostSpec(hostSpec)
{
}

bool CheckVerThread::SplitHost(const wxString& hostSpec, wxString& host, unsigned short& port)
{
    return ParseServerAddress(hostSpec, AppInfo::VersionPagePort, host, port);
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

    // Not wxHTTP: its sockets hook themselves into the GUI thread's event
    // loop, which is unsafe from a worker. The time-out bounds the whole
    // exchange, so a page that stalls or drips for ever cannot keep this
    // thread alive, and a closed window stops it at the next wait.
    std::shared_ptr<VersionCheckLink> link = m_pLink;
    HttpGetStream http(TimeoutSeconds * 1000, [link] { return !link->IsDetached(); });
    const HttpGetStream::Result opened = http.Open(host, port, AppInfo::VersionPagePath);
    if (opened == HttpGetStream::Result::Stopped)
        return;
    if (opened != HttpGetStream::Result::Ok)
    {
        m_pLink->ReportFailure(Failure::Connection);
        return;
    }
    const int status = http.Status();
    if (status < 200 || status > 299)
    {
        m_pLink->ReportFailure(Failure::HttpStatus, status);
        return;
    }

    VersionPage page;
    char buffer[4096];
    bool done = false;
    while (!done && !m_pLink->IsDetached())
    {
        http.Read(buffer, sizeof buffer);
        const size_t got = http.LastRead();
        if (got == 0)
            break;
        done = page.Feed(buffer, got);
    }
    page.Finish();

    m_pLink->PostVersion(page.Result());
}
