#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>
#include <wx/thread.h>

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class SuggDlg;

// What a suggestion pop-up shares with the fetches it started. The pop-up
// pointer is read and cleared on the GUI thread only; workers see the flags.
struct SuggFetchLink
{
    SuggDlg* dlg = nullptr;                // null once the pop-up is destroyed
    std::atomic<bool> detached{false};     // the pop-up is gone: deliver nothing
    std::atomic<bool> available{true};     // the service failed once: ask no more

    // Waits until the workers of this link have finished or timeoutMs passed.
    bool WaitForWorkers(int timeoutMs);

    std::mutex lock;
    std::condition_variable finished;
    int running = 0;  // workers alive, under lock
};

// One keyword fetch on its own detached thread: asks the completion service,
// parses the first reply line in memory and hands the result to the GUI thread.
class SuggThread : public wxThread
{
public:
    enum class Outcome
    {
        Suggestions,    // the reply was read (its list may be empty)
        Skipped,        // no request was made
        ConnectFailed,  // no connection, or no answer in time
        StatusFailed,   // the service answered with a status outside 2xx
        Error           // something unexpected went wrong
    };

    struct Request
    {
        unsigned number = 0;  // the pop-up's request number, to drop stale results
        wxString keyword;
        wxString lang;
        wxString host;
        unsigned short port = 80;
        int timeoutSeconds = 10;
    };

    SuggThread(std::shared_ptr<SuggFetchLink> link, const Request& request);
    ~SuggThread() override;

    // Workers that have not finished yet, process-wide.
    static int LiveCount();

protected:
    ExitCode Entry() override;
    void OnExit() override;

private:
    Outcome FetchAndParse();
    void Deliver(Outcome outcome);

    std::shared_ptr<SuggFetchLink> m_link;
    unsigned m_nRequest;
    wxString m_strKeyword;
    wxString m_strSuggLang;
    wxString m_strHost;
    unsigned short m_nPort;
    int m_nTimeoutSeconds;
    wxArrayString m_suggestions;
};
