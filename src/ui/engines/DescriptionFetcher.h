#pragma once

#include "exchange/DescriptionFetch.h"

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

class HttpClient;
class wxEvtHandler;

// One background fetch of an OpenSearch description at a time. The result
// comes back on the GUI thread through the target's event queue; destroying
// the fetcher cancels a running fetch and waits for its thread (within 50 ms).
// Destroy it before the target.
class DescriptionFetcher
{
public:
    using Done = std::function<void(const DescriptionFetch::Result&)>;

    explicit DescriptionFetcher(wxEvtHandler* target);
    ~DescriptionFetcher();
    DescriptionFetcher(const DescriptionFetcher&) = delete;
    DescriptionFetcher& operator=(const DescriptionFetcher&) = delete;

    bool IsBusy() const { return m_busy; }
    // False, doing nothing, while another fetch runs.
    bool Start(const wxString& url, Done done);

private:
    wxEvtHandler* m_target;
    std::shared_ptr<HttpClient> m_client;
    std::shared_ptr<std::atomic<bool>> m_cancel;
    std::atomic<bool> m_busy{false};
    std::thread m_thread;
};
