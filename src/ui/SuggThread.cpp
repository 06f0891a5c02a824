#include "SuggThread.h"

#include "HttpGetStream.h"
#include "SuggDlg.h"
#include "SuggestionReply.h"
#include "SuggestionRequest.h"

#include <wx/app.h>
#include <wx/log.h>

#include <chrono>

namespace
{
std::atomic<int> g_liveThreads{0};
} // namespace

bool SuggFetchLink::WaitForWorkers(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(lock);
    return finished.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [this] { return running == 0; });
}

SuggThread::SuggThread(std::shared_ptr<SuggFetchLink> link, const Request& request)
    : wxThread(wxTHREAD_DETACHED),
      m_link(std::move(link)),
      m_nRequest(request.number),
      m_strKeyword(request.keyword),
      m_strSuggLang(request.lang),
      m_strHost(request.host),
      m_nPort(request.port),
      m_nTimeoutSeconds(request.timeoutSeconds)
{
    ++g_liveThreads;
    std::lock_guard<std::mutex> guard(m_link->lock);
    ++m_link->running;
}

SuggThread::~SuggThread()
{
    {
        std::lock_guard<std::mutex> guard(m_link->lock);
        --m_link->running;
        m_link->finished.notify_all();
    }
    --g_liveThreads;
}

int SuggThread::LiveCount() { return g_liveThreads.load(); }

void SuggThread::OnExit() { m_suggestions.clear(); }

wxThread::ExitCode SuggThread::Entry()
{
    if (TestDestroy())
        return 0;
    // The file and XML layers log their errors; a worker has no one to show
    // them to, and failures are reported as outcomes instead.
    wxLogNull noLog;
    Outcome outcome;
    try
    {
        outcome = FetchAndParse();
    }
    catch (...)
    {
        outcome = Outcome::Error;
    }
    Deliver(outcome);
    return 0;
}

SuggThread::Outcome SuggThread::FetchAndParse()
{
    if (!m_link->available || m_link->detached || m_strKeyword.empty())
        return Outcome::Skipped;

    auto connectFailed = [this] {
        m_link->available = false;
        return Outcome::ConnectFailed;
    };
    // A closed pop-up stops the exchange at the next wait.
    HttpGetStream http(m_nTimeoutSeconds * 1000, [this] { return !m_link->detached; });
    switch (http.Open(m_strHost, m_nPort, SuggestionRequest::BuildPath(m_strKeyword, m_strSuggLang)))
    {
        case HttpGetStream::Result::Ok:
            break;
        case HttpGetStream::Result::Stopped:
            return Outcome::Skipped;
        case HttpGetStream::Result::ConnectFailed:
        case HttpGetStream::Result::TimedOut:
            return connectFailed();
    }
    if (http.Status() < 200 || http.Status() > 299)
    {
        m_link->available = false;
        return Outcome::StatusFailed;
    }

    std::string line;
    const SuggestionReply::LineResult read = SuggestionReply::ReadFirstLine(http, line);
    switch (http.BodyResult())
    {
        case HttpGetStream::Result::Stopped:
            return Outcome::Skipped;
        case HttpGetStream::Result::TimedOut:
            return connectFailed();
        default:
            break;
    }
    if (read != SuggestionReply::LineResult::Line)
        return Outcome::Suggestions;  // no reply line: an empty list
    SuggestionReply::SaveLine(line);
    SuggestionReply::Parse(line, m_suggestions);
    return Outcome::Suggestions;
}

void SuggThread::Deliver(Outcome outcome)
{
    wxAppConsole* app = wxTheApp;
    if (m_link->detached || !app)
        return;
    // The pop-up is looked up again on the GUI thread: it may be gone by then.
    app->CallAfter([link = m_link, number = m_nRequest, outcome, list = m_suggestions] {
        if (link->dlg)
            link->dlg->OnFetchDone(number, outcome, list);
    });
}
