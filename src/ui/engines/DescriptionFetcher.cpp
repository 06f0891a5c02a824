#include "engines/DescriptionFetcher.h"

#include "net/HttpClient.h"

#include <wx/event.h>

DescriptionFetcher::DescriptionFetcher(wxEvtHandler* target)
    : m_target(target), m_client(std::make_shared<HttpClient>()),
      m_cancel(std::make_shared<std::atomic<bool>>(false))
{
}

DescriptionFetcher::~DescriptionFetcher()
{
    *m_cancel = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool DescriptionFetcher::Start(const wxString& url, Done done)
{
    if (m_busy)
        return false;
    if (m_thread.joinable())
        m_thread.join();  // the last one has delivered and is returning
    m_busy = true;
    std::shared_ptr<HttpClient> client = m_client;
    std::shared_ptr<std::atomic<bool>> cancel = m_cancel;
    wxEvtHandler* target = m_target;
    std::atomic<bool>* busy = &m_busy;
    m_thread = std::thread([client, cancel, target, busy, url, done = std::move(done)] {
        const DescriptionFetch::Result result =
            DescriptionFetch::Run(*client, url, [cancel] { return !*cancel; });
        // The target lives until this thread is joined.
        if (!*cancel)
            target->CallAfter([done, result, busy] {
                *busy = false;
                done(result);
            });
        else
            *busy = false;
    });
    return true;
}
