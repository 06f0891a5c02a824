#include "about/CheckVerThread.h"

#include "net/HttpClient.h"
#include "pages/VersionPage.h"

CheckVerThread::CheckVerThread(std::shared_ptr<VersionCheckLink> link, const wxString& hostSpec)
    : wxThread(wxTHREAD_JOINABLE), m_pLink(std::move(link)), m_strHostSpec(hostSpec)
{
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
    using Outcome = VersionPage::FetchResult::Outcome;

    wxString url;
    if (!VersionPage::UrlFromSetting(m_strHostSpec, url))
    {
        m_pLink->ReportFailure(Failure::Connection);
        return;
    }

    // The deadline bounds the whole exchange, so a page that stalls or drips
    // for ever cannot keep this thread alive, and a closed window stops it
    // within 50 ms, name lookup included.
    std::shared_ptr<VersionCheckLink> link = m_pLink;
    HttpClient client;
    const VersionPage::FetchResult result = VersionPage::Fetch(
        client, url, TimeoutSeconds * 1000, [link] { return !link->IsDetached(); });
    switch (result.outcome)
    {
        case Outcome::Done:
            m_pLink->PostVersion(result.version);
            break;
        case Outcome::ConnectFailed:
            m_pLink->ReportFailure(Failure::Connection);
            break;
        case Outcome::HttpStatus:
            m_pLink->ReportFailure(Failure::HttpStatus, result.status);
            break;
        case Outcome::Cancelled:
            break;
    }
}
