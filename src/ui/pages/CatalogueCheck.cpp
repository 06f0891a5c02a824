#include "pages/CatalogueCheck.h"

#include "IEHtmlWin.h"
#include "PageProbe.h"
#include "ResultGatherer.h"
#include "base/KeywordEncoding.h"
#include "base/Utf8.h"
#include "catalogue/Engine.h"
#include "found/ResultReader.h"
#include "found/ResultsOutput.h"
#include "outcome/EngineHealth.h"

#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/webview.h>

#include <ctime>

namespace
{
// Tabs show pages at about this size; the probe judges what is on screen.
const wxSize ViewSize(1024, 768);
const int PollMs = 50;
// Beyond the load's own time limit: the verdict follows the load's end
// within a few seconds, so a page still undecided by then never will be.
const int GraceSeconds = 15;

long LateMillis()
{
    const int timeout = wxIEHtmlWin::GetLoadTimeout();
    return (timeout > 0 ? timeout : 30) * 1000L + GraceSeconds * 1000L;
}

wxString Clean(const wxString& text)
{
    wxString clean = text;
    clean.Replace("\t", " ");
    clean.Replace("\n", " ");
    clean.Replace("\r", " ");
    return clean;
}
} // namespace

CatalogueCheck::CatalogueCheck(const EngineArray& engines, const CommandLine& command, EngineHealth& health,
                               Done done)
    : m_engines(engines), m_strWords(command.Words()), m_command(command), m_health(health),
      m_done(std::move(done)), m_lines(engines.size()), m_counts(6, 0)
{
    if (m_command.m_action == CommandLine::Action::Results)
    {
        m_found.resize(engines.size());
        m_reports.resize(engines.size());
    }
}

CatalogueCheck::~CatalogueCheck()
{
    m_timer.Stop();
    // At once, not at the frame's deferred deletion: the pages' processes
    // end with their views, also when the program is about to end.
    for (Slot& slot : m_running)
        slot.view->Destroy();
    m_running.clear();
    if (m_frame)
        m_frame->Destroy();
}

void CatalogueCheck::Start()
{
    // Never shown: the views lay their pages out at the frame's size all the same.
    m_frame = new wxFrame(nullptr, wxID_ANY, "orvane --check", wxDefaultPosition, ViewSize);
    m_frame->SetSizer(new wxBoxSizer(wxVERTICAL));
    m_timer.SetOwner(m_frame);
    m_frame->Bind(wxEVT_TIMER, &CatalogueCheck::OnTimer, this, m_timer.GetId());
    StartNext();
    m_timer.Start(PollMs);
    if (m_engines.empty())
        Finish();
}

void CatalogueCheck::StartNext()
{
    while (m_running.size() < AtOnce && m_nNext < m_engines.size())
    {
        const Engine* engine = m_engines[m_nNext];
        Slot slot;
        slot.index = m_nNext++;
        slot.view = new wxIEHtmlWin(m_frame, wxID_ANY, wxDefaultPosition, ViewSize);
        slot.view->SetUnseen(true);
        slot.view->SetUsualLinks(m_health.UsualLinks(*engine));
        slot.start = std::chrono::steady_clock::now();
        slot.view->LoadUrl(BuildSearchUrl(engine->m_strUrl, m_strWords, engine->m_strEncoding));
        m_running.push_back(std::move(slot));
    }
}

void CatalogueCheck::OnTimer(wxTimerEvent&)
{
    const auto now = std::chrono::steady_clock::now();
    for (size_t i = 0; i < m_running.size();)
    {
        Slot& slot = m_running[i];
        if (!slot.decided)
        {
            bool busy = true;
            const bool decided = slot.view->HasVerdict() && slot.view->IsBusy(busy) && !busy;
            const long ms = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(now - slot.start).count());
            if (!decided && ms <= LateMillis())
            {
                ++i;
                continue;
            }
            Decide(slot, decided, ms);
        }
        // The read has its own bound (ResultGatherer::GiveUpMs).
        if (slot.gatherer && slot.gatherer->IsRunning())
        {
            ++i;
            continue;
        }
        Report(slot);
        slot.view->Destroy();
        m_running.erase(m_running.begin() + static_cast<long>(i));
    }
    StartNext();
    if (m_running.empty() && m_nNext >= m_engines.size())
        Finish();
}

void CatalogueCheck::Decide(Slot& slot, bool inTime, long ms)
{
    slot.decided = true;
    slot.ms = ms;
    if (!inTime)
    {
        slot.verdict = {PageOutcome::Failed, "no outcome in time"};
        return;
    }
    slot.verdict = slot.view->GetProbe()->GetVerdict();
    slot.status = slot.view->GetProbe()->GetSignals().status;
    slot.links = slot.view->GetProbe()->GetResultLinks();
    // Why nothing answered says more than that nothing did.
    if (slot.verdict.outcome == PageOutcome::Failed && !slot.view->GetFailReason().empty())
        slot.verdict.reason = ToUtf8(slot.view->GetFailReason());
    // Results are read where a page may show some: also under a consent
    // layer, never on a check, an error or our own error page.
    const PageOutcome outcome = slot.verdict.outcome;
    const bool readable = outcome == PageOutcome::Results || outcome == PageOutcome::Empty || outcome == PageOutcome::Consent;
    if (!m_found.empty() && readable && slot.view->GetWebView())
    {
        slot.gatherer = std::make_unique<ResultGatherer>(slot.view->GetWebView()->GetNativeBackend());
        const size_t index = slot.index;
        // The slot owns the gatherer, and the check the slot: no answer
        // comes after the check is gone.
        slot.gatherer->Start([this, index](bool ok, const std::string& report) {
            if (ok)
                m_reports[index] = report;
        });
    }
}

void CatalogueCheck::Report(Slot& slot)
{
    const Engine* engine = m_engines[slot.index];
    PageVerdict& verdict = slot.verdict;
    if (!m_found.empty())
    {
        EngineFound& found = m_found[slot.index];
        PageReport report;
        if (!m_reports[slot.index].empty() && report.Read(m_reports[slot.index]))
            found.results = ResultReader::Read(report);
        // A page has results when one was read.
        if (verdict.outcome == PageOutcome::Results && found.results.empty() && !m_reports[slot.index].empty())
            verdict = {PageOutcome::Empty, "no result read"};
        else if (verdict.outcome == PageOutcome::Empty && !found.results.empty())
            verdict = {PageOutcome::Results, std::to_string(found.results.size()) + " results read"};
        found.name = ToUtf8(engine->m_strName);
        found.outcome = OutcomeName(verdict.outcome);
        found.ms = slot.ms;
    }
    m_health.Record(*engine, verdict.outcome, slot.links, std::time(nullptr));
    ++m_counts[static_cast<size_t>(verdict.outcome)];
    Line& line = m_lines[slot.index];
    line.done = true;
    line.results = verdict.outcome == PageOutcome::Results;
    line.text = wxString::FromUTF8(OutcomeName(verdict.outcome)) + "\t" + Clean(engine->m_strName) + "\t" +
                Clean(engine->m_strLanguage) + "\t" + Clean(engine->m_strCategory) + "\t" +
                wxString::Format("%d\t%ld\t", slot.status, slot.ms) + Clean(wxString::FromUTF8(verdict.reason));
}

void CatalogueCheck::Finish()
{
    if (m_bDone)
        return;
    m_bDone = true;
    m_timer.Stop();
    EngineCommand::Reply reply;
    bool all = !m_engines.empty();
    for (const Line& line : m_lines)
    {
        reply.out.push_back(line.text);
        all = all && line.results;
    }
    wxString summary = wxString::Format("orvane: checked %zu engines:", m_engines.size());
    const PageOutcome order[] = {PageOutcome::Results,   PageOutcome::BotCheck, PageOutcome::Consent,
                                 PageOutcome::Empty,     PageOutcome::HttpError, PageOutcome::Failed};
    bool first = true;
    for (PageOutcome outcome : order)
    {
        const int n = m_counts[static_cast<size_t>(outcome)];
        if (n == 0)
            continue;
        summary << (first ? " " : ", ") << n << " " << OutcomeName(outcome);
        first = false;
    }
    reply.err.push_back(summary);
    reply.status = all ? CommandLine::ExitOk : CommandLine::ExitNothing;
    if (!m_found.empty())
        FinishResults(reply);
    if (m_done)
        m_done(reply);
}

void CatalogueCheck::FinishResults(EngineCommand::Reply& reply)
{
    const ResultMerge::List merged = ResultMerge::Merge(m_found);
    reply.out.clear();
    if (m_command.m_bJson)
    {
        // The group as the engines have it, when they share one.
        ResultsOutput::Query query{ToUtf8(m_strWords), "", ""};
        for (size_t i = 0; i < m_engines.size(); ++i)
        {
            const std::string language = ToUtf8(m_engines[i]->m_strLanguage);
            const std::string category = ToUtf8(m_engines[i]->m_strCategory);
            query.language = i == 0 || query.language == language ? language : "";
            query.category = i == 0 || query.category == category ? category : "";
        }
        const std::string json = ResultsOutput::Json(query, m_found, merged, m_command.m_nLimit);
        reply.out.push_back(wxString::FromUTF8(json.data(), json.size()));
    }
    else
        reply.out = ResultsOutput::Lines(m_found, merged, m_command.m_nLimit);
    reply.status = merged.results.empty() ? CommandLine::ExitNothing : CommandLine::ExitOk;
}
