#include "results/ResultFeed.h"

#include "pages/BrowserManager.h"
#include "pages/ZulIeCtrl.h"
#include "PageProbe.h"
#include "ResultGatherer.h"

#include "found/PageReport.h"
#include "found/ResultReader.h"
#include "outcome/PageOutcome.h"

#include <wx/uri.h>
#include <wx/webview.h>

#include <algorithm>
#include <cstdint>
#include <mutex>

struct ResultFeed::Page
{
    wxWeakRef<ZulIeCtrl> page;
    ZulIeCtrl* window = nullptr;  // only compared
    unsigned key = 0;             // the browser manager's
    unsigned verdicts = 0;     // the probe's count last looked at
    int reads = 0;
    bool placed = false;       // has its engine in m_engines
    std::unique_ptr<ResultGatherer> gatherer;
};

// Filled by workers, emptied by the GUI thread; shared so that a worker
// finishing after the feed is gone writes to nothing anyone reads.
struct ResultFeed::Inbox
{
    struct Answer
    {
        unsigned search = 0;
        unsigned key = 0;
        std::vector<FoundResult> results;
    };
    std::mutex lock;
    std::vector<Answer> answers;
};

namespace
{
wxString HostOf(const wxString& url)
{
    return wxURI(url).GetServer().Lower();
}

bool Readable(PageOutcome outcome)
{
    // Also under a consent layer; never on a check, an error or our own error page.
    return outcome == PageOutcome::Results || outcome == PageOutcome::Empty || outcome == PageOutcome::Consent;
}
} // namespace

ResultFeed::ResultFeed() : m_inbox(std::make_shared<Inbox>()) {}

ResultFeed::~ResultFeed() = default;

void ResultFeed::NewSearch(const BrowserManager& pages)
{
    m_loadsAtStart.clear();
    pages.ForEachPage([this](unsigned, ZulIeCtrl* page) { m_loadsAtStart[page] = page->GetLoadCount(); });
    m_pages.clear();
    m_engines.clear();
    m_engineKeys.clear();
    ++m_nSearch;
    m_nParsing = 0;
    m_start = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> hold(m_inbox->lock);
    m_inbox->answers.clear();
}

std::vector<FoundResult> ResultFeed::ReadReport(const std::string& report)
{
    PageReport parsed;
    if (report.empty() || !parsed.Read(report))
        return {};
    return ResultReader::Read(parsed);
}

ResultFeed::Page* ResultFeed::Find(ZulIeCtrl* page)
{
    for (auto& known : m_pages)
        if (known->window == page)
            return known.get();
    return nullptr;
}

bool ResultFeed::Follow(const BrowserManager& pages)
{
    const size_t before = m_engines.size();
    std::vector<std::string> outcomes;
    for (const EngineFound& engine : m_engines)
        outcomes.push_back(engine.outcome);
    if (m_nSearch > 0)
    {
        pages.ForEachPage([this](unsigned key, ZulIeCtrl* page) {
            const auto start = m_loadsAtStart.find(page);
            if (!page->m_bActive || !page->m_pEngine || !page->HasVerdict() || start == m_loadsAtStart.end() ||
                page->GetLoadCount() <= start->second)
                return;
            Page* known = Find(page);
            if (!known)
            {
                m_pages.push_back(std::make_unique<Page>());
                known = m_pages.back().get();
                known->page = page;
                known->window = page;
                known->key = key;
            }
            Look(*known);
        });
    }
    for (auto& page : m_pages)
        if (!page->page && page->gatherer)
            page->gatherer.reset();
    const size_t taken = m_nParsing;
    TakeAnswers();
    bool changed = m_engines.size() != before || static_cast<size_t>(m_nParsing) != taken;
    for (size_t i = 0; i < outcomes.size() && !changed; ++i)
        changed = outcomes[i] != m_engines[i].outcome;
    return changed;
}

void ResultFeed::Look(Page& page)
{
    const PageProbe* probe = page.page->GetProbe();
    if (!probe || probe->GetVerdictCount() == page.verdicts)
        return;
    // The search page or one of its own: a result the person opened in it is no list of results.
    if (HostOf(page.page->GetCurrentUrl()) != HostOf(page.page->m_strPageUrl))
        return;
    page.verdicts = probe->GetVerdictCount();
    const PageOutcome outcome = probe->GetVerdict().outcome;
    if (!page.placed)
    {
        EngineFound found;
        found.name = page.page->m_strEngineName.utf8_str().data();
        found.ms = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                         std::chrono::steady_clock::now() - m_start)
                                         .count());
        page.placed = true;
        const size_t at = static_cast<size_t>(
            std::lower_bound(m_engineKeys.begin(), m_engineKeys.end(), page.key) - m_engineKeys.begin());
        m_engineKeys.insert(m_engineKeys.begin() + static_cast<long>(at), page.key);
        m_engines.insert(m_engines.begin() + static_cast<long>(at), std::move(found));
    }
    EngineFound& engine = m_engines[EngineOf(page.key)];
    engine.outcome = OutcomeName(outcome);
    // A page with results is one where a result was read (as --results
    // says); the read's answer corrects it either way.
    if (outcome == PageOutcome::Empty && !engine.results.empty())
        engine.outcome = OutcomeName(PageOutcome::Results);
    if (!Readable(outcome) || page.reads >= MaxReads || !page.page->GetWebView())
        return;
    ++page.reads;
    if (!page.gatherer)
        page.gatherer = std::make_unique<ResultGatherer>(page.page->GetWebView()->GetNativeBackend());
    const unsigned search = m_nSearch;
    const unsigned key = page.key;
    // The gatherer belongs to the feed and is cancelled with it: no answer comes later.
    page.gatherer->Start([this, search, key](bool ok, const std::string& report) {
        if (!ok)
            return;
        ++m_nParsing;
        m_workers.push_back(std::async(std::launch::async, [search, key, report, box = m_inbox]() {
            Inbox::Answer answer{search, key, ReadReport(report)};
            std::lock_guard<std::mutex> hold(box->lock);
            box->answers.push_back(std::move(answer));
        }));
    });
}

void ResultFeed::TakeAnswers()
{
    m_workers.erase(std::remove_if(m_workers.begin(), m_workers.end(),
                                   [](const std::future<void>& worker) {
                                       return worker.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
                                   }),
                    m_workers.end());
    std::vector<Inbox::Answer> answers;
    {
        std::lock_guard<std::mutex> hold(m_inbox->lock);
        answers.swap(m_inbox->answers);
    }
    for (Inbox::Answer& answer : answers)
    {
        const size_t index = EngineOf(answer.key);
        if (answer.search != m_nSearch || index >= m_engines.size())
            continue;
        --m_nParsing;
        EngineFound& engine = m_engines[index];
        // A later read that finds nothing does not take away what an earlier one found.
        if (!answer.results.empty())
            engine.results = std::move(answer.results);
        if (engine.outcome == OutcomeName(PageOutcome::Empty) && !engine.results.empty())
            engine.outcome = OutcomeName(PageOutcome::Results);
        else if (engine.outcome == OutcomeName(PageOutcome::Results) && engine.results.empty())
            engine.outcome = OutcomeName(PageOutcome::Empty);
    }
}

bool ResultFeed::IsBusy() const
{
    if (m_nParsing > 0)
        return true;
    for (const auto& page : m_pages)
        if (page->gatherer && page->gatherer->IsRunning())
            return true;
    return false;
}

size_t ResultFeed::EngineOf(unsigned key) const
{
    const auto at = std::lower_bound(m_engineKeys.begin(), m_engineKeys.end(), key);
    return at != m_engineKeys.end() && *at == key ? static_cast<size_t>(at - m_engineKeys.begin()) : SIZE_MAX;
}

ZulIeCtrl* ResultFeed::PageOf(size_t engine) const
{
    if (engine >= m_engineKeys.size())
        return nullptr;
    for (const auto& page : m_pages)
        if (page->placed && page->key == m_engineKeys[engine] && page->page)
            return page->page.get();
    return nullptr;
}

int ResultFeed::NeedingPerson() const
{
    int count = 0;
    for (const EngineFound& engine : m_engines)
    {
        PageOutcome outcome;
        if (ParseOutcome(engine.outcome, outcome) && NeedsPerson(outcome))
            ++count;
    }
    return count;
}
