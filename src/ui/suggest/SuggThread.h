#pragma once

#include "net/SuggestionRequest.h"

#include <wx/arrstr.h>
#include <wx/string.h>
#include <wx/thread.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class HttpClient;

// One keyword fetch on its own detached thread: asks the completion service
// through the link's client, parses the reply in memory and hands the result
// to the GUI thread through its link. It knows no window.
class SuggThread : public wxThread
{
public:
    enum class Outcome
    {
        Suggestions,    // the reply was read (its list may be empty)
        Skipped,        // no request was made, or it was cancelled
        TimedOut,       // no complete reply before the deadline
        ConnectFailed,  // no connection, or no usable answer
        StatusFailed,   // the service answered with a status outside 2xx
        Error           // something unexpected went wrong
    };

    struct Request
    {
        unsigned number = 0;  // the receiver's request number, to drop stale results
        wxString keyword;
        wxString lang;
        SuggestionRequest::Service service;
        int timeoutSeconds = 10;
    };

    // What a receiver shares with the fetches it started. The delivery
    // callback is set, called and cleared on the GUI thread only; workers see
    // the flags and use the client.
    struct Link
    {
        // detail: what went wrong, for people to read (may be empty).
        using Delivery = std::function<void(unsigned number, Outcome outcome,
                                            const wxArrayString& suggestions,
                                            const wxString& detail)>;
        explicit Link(Delivery delivery);

        // GUI thread: the receiver is going away. Nothing more is delivered,
        // and running fetches are cancelled (they end within 50 ms).
        void Detach();
        // Waits until the workers of this link have finished or timeoutMs passed.
        bool WaitForWorkers(int timeoutMs);

        Delivery deliver;
        std::atomic<bool> detached{false};
        std::atomic<bool> available{true};  // false: ask the service no more
        std::shared_ptr<HttpClient> client;

        std::mutex lock;
        std::condition_variable finished;
        int running = 0;  // workers alive, under lock
    };

    SuggThread(std::shared_ptr<Link> link, const Request& request);
    ~SuggThread() override;

    // Workers that have not finished yet, process-wide.
    static int LiveCount();

protected:
    ExitCode Entry() override;
    void OnExit() override;

private:
    Outcome FetchAndParse();
    void Deliver(Outcome outcome);

    std::shared_ptr<Link> m_link;
    Request m_request;
    wxArrayString m_suggestions;
    wxString m_strDetail;
};

// The name the pop-up and its tests know the link by.
using SuggFetchLink = SuggThread::Link;
