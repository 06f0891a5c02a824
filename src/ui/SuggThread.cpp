#include "SuggThread.h"

#include "SuggDlg.h"
#include "SuggestionReply.h"
#include "SuggestionRequest.h"

#include <wx/app.h>
#include <wx/log.h>
#include <wx/protocol/http.h>
#include <wx/time.h>

namespace
{
std::atomic<int> g_liveThreads{0};
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
}

SuggThread::~SuggThread() { --g_liveThreads; }

int SuggThread::LiveCount() { return g_liveThreads.load(); }

void SuggThread::OnExit() { m_suggestions.clear(); }

wxThread::ExitCode SuggThread::Entry()
{
    if (TestDestroy())
        return 0;
    // The network and XML layers log their errors; a worker has no one to show
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

    const wxString path = SuggestionRequest::BuildPath(m_strKeyword, m_strSuggLang);
    wxHTTP http;
    http.SetHeader("Connection", "Close");
    // Blocking mode is what lets a socket be used off the GUI thread.
    http.SetFlags(wxSOCKET_WAITALL | wxSOCKET_BLOCK);
    http.SetTimeout(m_nTimeoutSeconds);

    auto connectFailed = [this] {
        m_link->available = false;
        return Outcome::ConnectFailed;
    };
    if (!http.Connect(m_strHost, m_nPort))
        return connectFailed();

    std::unique_ptr<wxInputStream> in(http.GetInputStream(path));
    const int status = http.GetResponse();
    if (!in && status == 0)
        return connectFailed();
    if (!in || status < 200 || status > 299)
    {
        m_link->available = false;
        return Outcome::StatusFailed;
    }

    // Read what has arrived rather than whole buffers, so that a reply that
    // trickles in cannot outlast the deadline or a closed pop-up.
    http.SetFlags(wxSOCKET_BLOCK);
    const wxLongLong deadline = wxGetLocalTimeMillis() + wxLongLong(m_nTimeoutSeconds) * 1000;
    auto keepGoing = [&] { return !m_link->detached && wxGetLocalTimeMillis() < deadline; };

    std::string line;
    switch (SuggestionReply::ReadFirstLine(*in, line, keepGoing))
    {
        case SuggestionReply::LineResult::Stopped:
            if (m_link->detached)
                return Outcome::Skipped;
            return connectFailed();
        case SuggestionReply::LineResult::Empty:
        case SuggestionReply::LineResult::TooLong:
            return Outcome::Suggestions;
        case SuggestionReply::LineResult::Line:
            break;
    }
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
