// bench_result_pages <N> <url-or-file> [--exit] [--rounds R] [--cookies keep|session]
// Holds N result pages the way the program does (BrowserManager, pages in
// an AUI notebook) and searches once with every engine pointing at the given
// page. Prints "LOADED <N> <ms>" when every page has loaded its search URL,
// then times R further searches (the dispatch only, not the loading) and, in
// between them, R rounds of bare wxWebView::LoadURL calls with ready-made
// addresses on the same views: the floor a dispatch cannot go below.
//   DISPATCH <N> pages: min/median/max <ms> over R searches
//   BARE LOADURL <N> pages: min/median/max <ms> over R rounds
//   DISPATCH RATIO <median dispatch / median bare>
//   SEARCH <N> pages: min/median/max <ms> from the search to the last page loaded
// With --cookies the cookie store is set up first as the program does
// (keep: the SQLite file under XDG_DATA_HOME; session: memory only).
// Keeps running until killed unless --exit is given.
#include "WebKitProcessModel.h"

#include "pages/BrowserManager.h"
#include "catalogue/Engine.h"
#include "base/KeywordEncoding.h"
#include "store/ProgramFolder.h"
#include "WebSession.h"
#include "pages/ZulIeCtrl.h"

#include <wx/app.h>
#include <wx/aui/auibook.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/stopwatch.h>
#include <wx/timer.h>
#include <wx/webview.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <vector>

class ResultPagesApp : public wxApp
{
public:
    bool OnInit() override
    {
        m_clock.Start();
        if (argc < 3 || wxAtoi(argv[1]) < 1)
        {
            std::fprintf(stderr, "usage: bench_result_pages <N> <url-or-file> [--exit] [--rounds R]\n");
            return false;
        }
        const int count = wxAtoi(argv[1]);
        wxString url = argv[2];
        if (wxFileName::FileExists(url))
            url = wxFileName::FileNameToURL(wxFileName(wxFileName(url).GetAbsolutePath()));
        for (int i = 3; i < argc; ++i)
        {
            if (argv[i] == "--exit")
                m_exitWhenDone = true;
            else if (argv[i] == "--rounds" && i + 1 < argc)
                m_rounds = wxAtoi(argv[++i]);
            else if (argv[i] == "--cookies" && i + 1 < argc)
                WebSession::Configure(argv[++i] == "keep");
        }
        std::printf("process model: %s\n", ApplyProcessModelFromEnvironment());

        // A start page of its own, as the program has beside its executable.
        m_folder = wxFileName::CreateTempFileName("orvane-bench");
        wxRemoveFile(m_folder);
        wxFileName::Mkdir(m_folder + "/conf", wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
        wxFFile(m_folder + "/conf/index.htm", "w").Write("<html><body>start</body></html>");
        ProgramFolder::OverrideForTesting(m_folder);

        m_frame = new wxFrame(nullptr, wxID_ANY, "result pages", wxDefaultPosition, wxSize(1024, 768));
        m_notebook = new wxAuiNotebook(m_frame, wxID_ANY);
        m_manager = std::make_unique<BrowserManager>();
        m_manager->m_pParent = m_notebook;
        EngineArray engines;
        for (int i = 0; i < count; ++i)
        {
            auto engine = std::make_unique<Engine>();
            engine->m_strName = wxString::Format("Engine %d", i + 1);
            engine->m_strUrl = url + (url.Contains("*") ? "" : "?q=*");
            engine->m_strEncoding = "UTF-8";
            engines.push_back(engine.get());
            m_engines.push_back(std::move(engine));
        }
        m_manager->SetEngines(engines);
        m_manager->ForEachPage([this](unsigned, ZulIeCtrl* page) {
            if (page->m_bActive)
                m_notebook->AddPage(page, page->m_strEngineName);
        });
        m_frame->Bind(wxEVT_MSHTML_DOCUMENT_COMPLETE, &ResultPagesApp::OnComplete, this);
        m_frame->Show();
        // A page that never reports its search URL is named, not waited for silently.
        m_watchdog.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { ReportStragglers(); });
        m_watchdog.Start(60000);
        StartRound();
        return true;
    }

    int OnExit() override
    {
        m_manager.reset();
        wxFileName::Rmdir(m_folder, wxPATH_RMDIR_RECURSIVE);
        return wxApp::OnExit();
    }

private:
    void ReportStragglers()
    {
        m_manager->ForEachPage([this](unsigned, ZulIeCtrl* page) {
            if (m_done.count(page->GetId()))
                return;
            bool busy = false;
            page->IsBusy(busy);
            std::printf("STRAGGLER %d busy=%d wanted %s showing %s\n", page->GetId(), busy,
                        page->m_strPageUrl.utf8_str().data(),
                        page->GetWebView()->GetCurrentURL().utf8_str().data());
        });
        std::fflush(stdout);
    }

    // Round 0 loads the first search; then searches and bare rounds take
    // turns, so that both meet the same load on the machine.
    void StartRound()
    {
        m_done.clear();
        const wxString keyword = wxString::Format("orvane %d", m_round);
        if (m_round % 2 == 0 && m_round > 0)
        {
            std::vector<std::pair<wxWebView*, wxString>> calls;
            m_manager->ForEachPage([&](unsigned, ZulIeCtrl* page) {
                page->m_strPageUrl = BuildSearchUrl(page->m_pEngine->m_strUrl, keyword, "UTF-8");
                calls.emplace_back(page->GetWebView(), page->m_strPageUrl);
            });
            const auto start = std::chrono::steady_clock::now();
            for (const auto& [view, url] : calls)
                view->LoadURL(url);
            const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
            m_bareMs.push_back(took.count());
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        m_searchStart = start;
        m_manager->Search(keyword);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        if (m_round > 0)
            m_dispatchMs.push_back(took.count());
    }

    static double Median(std::vector<double> v)
    {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    }

    static void PrintFigures(const char* what, const char* unit, std::vector<double> v, size_t pages)
    {
        std::sort(v.begin(), v.end());
        std::printf("%s %zu pages: min/median/max %.3f/%.3f/%.3f ms over %zu %s\n", what, pages,
                    v.front(), v[v.size() / 2], v.back(), v.size(), unit);
    }

    void OnComplete(wxMSHTMLEvent& event)
    {
        auto* page = wxDynamicCast(m_frame->FindWindow(event.GetId()), ZulIeCtrl);
        if (!page || event.m_text != page->m_strPageUrl)
            return;
        m_done.insert(event.GetId());
        if (m_done.size() != m_engines.size())
            return;
        // Odd rounds are searches; even ones the bare loads.
        if (m_round % 2 == 1)
            m_searchMs.push_back(std::chrono::duration<double, std::milli>(
                                     std::chrono::steady_clock::now() - m_searchStart)
                                     .count());
        if (m_round == 0)
        {
            std::printf("LOADED %zu %ld\n", m_engines.size(), m_clock.Time());
            std::fflush(stdout);
        }
        if (m_round < 2 * m_rounds)
        {
            ++m_round;
            CallAfter([this] { StartRound(); });
            return;
        }
        if (!m_dispatchMs.empty() && !m_bareMs.empty())
        {
            PrintFigures("DISPATCH", "searches", m_dispatchMs, m_engines.size());
            PrintFigures("BARE LOADURL", "rounds", m_bareMs, m_engines.size());
            std::printf("DISPATCH RATIO %.2f\n", Median(m_dispatchMs) / Median(m_bareMs));
            m_dispatchMs.clear();
            m_bareMs.clear();
        }
        if (!m_searchMs.empty())
        {
            std::sort(m_searchMs.begin(), m_searchMs.end());
            std::printf("SEARCH %zu pages: min/median/max %.3f/%.3f/%.3f ms over %zu searches\n",
                        m_engines.size(), m_searchMs.front(), m_searchMs[m_searchMs.size() / 2],
                        m_searchMs.back(), m_searchMs.size());
            m_searchMs.clear();
        }
        std::printf("READY\n");
        std::fflush(stdout);
        if (m_exitWhenDone)
            CallAfter([this] {
                while (m_notebook->GetPageCount() > 0)
                    m_notebook->RemovePage(0);
                m_frame->Close(true);
            });
    }

    wxStopWatch m_clock;
    wxTimer m_watchdog;
    wxString m_folder;
    wxFrame* m_frame = nullptr;
    wxAuiNotebook* m_notebook = nullptr;
    std::unique_ptr<BrowserManager> m_manager;
    std::vector<std::unique_ptr<Engine>> m_engines;
    std::set<int> m_done;
    std::vector<double> m_dispatchMs;
    std::vector<double> m_bareMs;
    std::vector<double> m_searchMs;
    std::chrono::steady_clock::time_point m_searchStart;
    int m_rounds = 0;
    int m_round = 0;
    bool m_exitWhenDone = false;
};

wxIMPLEMENT_APP(ResultPagesApp);
