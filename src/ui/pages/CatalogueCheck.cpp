#include "pages/CatalogueCheck.h"

#include "IEHtmlWin.h"
#include "PageProbe.h"
#include "base/KeywordEncoding.h"
#include "base/Utf8.h"
#include "catalogue/Engine.h"
#include "outcome/EngineHealth.h"

#include <wx/frame.h>
#include <wx/sizer.h>

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

CatalogueCheck::CatalogueCheck(const EngineArray& engines, const wxString& words, EngineHealth& health, Done done)
    : m_engines(engines), m_strWords(words), m_health(health), m_done(std::move(done)),
      m_lines(engines.size()), m_counts(6, 0)
{
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
        m_running.push_back(slot);
    }
}

void CatalogueCheck::OnTimer(wxTimerEvent&)
{
    const auto now = std::chrono::steady_clock::now();
    for (size_t i = 0; i < m_running.size();)
    {
        Slot& slot = m_running[i];
        bool busy = true;
        const bool decided = slot.view->HasVerdict() && slot.view->IsBusy(busy) && !busy;
        const long ms = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now - slot.start).count());
        const bool late = ms > LateMillis();
        if (!decided && !late)
        {
            ++i;
            continue;
        }
        const Engine* engine = m_engines[slot.index];
        PageVerdict verdict;
        int status = 0;
        int links = 0;
        if (decided)
        {
            verdict = slot.view->GetProbe()->GetVerdict();
            status = slot.view->GetProbe()->GetSignals().status;
            links = slot.view->GetProbe()->GetResultLinks();
        }
        else
            verdict = {PageOutcome::Failed, "no outcome in time"};
        // Why nothing answered says more than that nothing did.
        if (decided && verdict.outcome == PageOutcome::Failed && !slot.view->GetFailReason().empty())
            verdict.reason = ToUtf8(slot.view->GetFailReason());
        m_health.Record(*engine, verdict.outcome, links, std::time(nullptr));
        ++m_counts[static_cast<size_t>(verdict.outcome)];
        Line& line = m_lines[slot.index];
        line.done = true;
        line.results = verdict.outcome == PageOutcome::Results;
        line.text = wxString::FromUTF8(OutcomeName(verdict.outcome)) + "\t" + Clean(engine->m_strName) + "\t" +
                    Clean(engine->m_strLanguage) + "\t" + Clean(engine->m_strCategory) + "\t" +
                    wxString::Format("%d\t%ld\t", status, ms) + Clean(wxString::FromUTF8(verdict.reason));
        slot.view->Destroy();
        m_running.erase(m_running.begin() + static_cast<long>(i));
    }
    StartNext();
    if (m_running.empty() && m_nNext >= m_engines.size())
        Finish();
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
    if (m_done)
        m_done(reply);
}
