#include "suggest/SuggThread.h"

#include "net/HttpClient.h"
#include "net/SuggestionFetch.h"

#include <wx/app.h>
#include <wx/log.h>

#include <chrono>

namespace
{
std::atomic<int> g_liveThreads{0};

// At most this many fetches run at once; a newer keystroke cancels the oldest.
constexpr int kMaxInFlight = 4;
} // namespace

SuggThread::Link::Link(Delivery delivery)
    : deliver(std::move(delivery)), client(std::make_shared<HttpClient>(kMaxInFlight))
{
}

void SuggThread::Link::Detach()
{
    detached = true;
    deliver = nullptr;
    client->CancelAll();
}

bool SuggThread::Link::WaitForWorkers(int timeoutMs)
{
    std::unique_lock<std::mutex> guard(lock);
    return finished.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [this] { return running == 0; });
}

SuggThread::SuggThread(std::shared_ptr<Link> link, const Request& request)
    : wxThread(wxTHREAD_DETACHED), m_link(std::move(link)), m_request(request)
{
    ++g_liveThreads;
    std::lock_guard<std::mutex> guard(m_link->lock);
    ++m_link->running;
}

SuggThread::~SuggThread()
{
    // Runs while the toolkit still counts this thread as being deleted, so a
    // waiter that sees running == 0 can let the toolkit shut its threads down.
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
    // The file layer logs its errors; a worker has no one to show them to,
    // and failures are reported as outcomes instead.
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
    if (!m_link->available || m_link->detached || m_request.keyword.empty())
        return Outcome::Skipped;
    std::shared_ptr<Link> link = m_link;
    const SuggestionFetch::Result result = SuggestionFetch::Run(
        *m_link->client, m_request.service, m_request.keyword, m_request.lang,
        m_request.timeoutSeconds * 1000, [link] { return !link->detached && link->available; });
    m_suggestions = result.suggestions;
    m_strDetail = wxString::FromUTF8(result.error);
    switch (result.outcome)
    {
        case SuggestionFetch::Outcome::Suggestions: return Outcome::Suggestions;
        case SuggestionFetch::Outcome::Skipped: return Outcome::Skipped;
        case SuggestionFetch::Outcome::TimedOut: return Outcome::TimedOut;
        case SuggestionFetch::Outcome::ConnectFailed: return Outcome::ConnectFailed;
        case SuggestionFetch::Outcome::StatusFailed: return Outcome::StatusFailed;
    }
    return Outcome::Error;
}

void SuggThread::Deliver(Outcome outcome)
{
    wxAppConsole* app = wxTheApp;
    if (m_link->detached || !app)
        return;
    // The receiver is looked up again on the GUI thread: it may be gone by then.
    app->CallAfter([link = m_link, number = m_request.number, outcome, list = m_suggestions,
                    detail = m_strDetail] {
        if (link->deliver)
            link->deliver(number, outcome, list, detail);
    });
}
