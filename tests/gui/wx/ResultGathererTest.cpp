// Results read from real pages in real views: every fixture page of
// tests/fixtures/results served from a loopback server, gathered by the
// script in the page and decided by the reader, scored against what each
// page is known to hold. ORVANE_RECORD_REPORTS=folder keeps the reports for
// the model's tests.
#include "GuiTest.h"
#include "ResultFixtures.h"
#include "TestHttpServer.h"

#include "IEHtmlWin.h"
#include "ResultGatherer.h"
#include "found/ResultReader.h"

#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include <webkit2/webkit2.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

TEST(ResultGatherer, FixturePagesAreReadAccurately)
{
    const std::vector<ResultFixture> fixtures = LoadResultFixtures();
    ASSERT_GE(fixtures.size(), 20u);
    TestHttpServer server([&fixtures](const HttpRequest& request) {
        HttpResponse response;
        response.status = 404;
        response.headers.push_back({"Content-Security-Policy", "default-src 'self' 'unsafe-inline'"});
        for (const ResultFixture& fixture : fixtures)
            if (request.target.rfind("/" + fixture.name + "?", 0) == 0)
            {
                response.status = 200;
                response.body = fixture.html;
            }
        return response;
    });
    const std::string origin = "http://" + server.HostPort();
    const char* record = std::getenv("ORVANE_RECORD_REPORTS");
    ResultScore score;
    const size_t batch = 6;
    for (size_t first = 0; first < fixtures.size(); first += batch)
    {
        std::vector<wxFrame*> frames;
        std::vector<wxIEHtmlWin*> views;
        for (size_t i = first; i < std::min(fixtures.size(), first + batch); ++i)
        {
            auto* frame = new wxFrame(TestParentFrame(), wxID_ANY, fixtures[i].name, wxPoint(20, 20), wxSize(1000, 700));
            auto* view = new wxIEHtmlWin(frame, wxID_ANY);
            auto* sizer = new wxBoxSizer(wxVERTICAL);
            sizer->Add(view, 1, wxEXPAND);
            frame->SetSizer(sizer);
            frame->Show();
            frame->Layout();
            view->LoadUrl(origin + "/" + fixtures[i].name + "?q=sea+otter");
            frames.push_back(frame);
            views.push_back(view);
        }
        for (size_t k = 0; k < views.size(); ++k)
        {
            const ResultFixture& fixture = fixtures[first + k];
            SCOPED_TRACE(fixture.name);
            wxIEHtmlWin* view = views[k];
            ASSERT_TRUE(WaitUntil([&] {
                bool busy = false;
                return view->HasVerdict() && view->IsBusy(busy) && !busy;
            }, 30000));
            ResultGatherer gatherer(view->GetWebView()->GetNativeBackend());
            bool answered = false;
            std::string report;
            // What is read is judged here, not how fast: a busy machine gets time.
            gatherer.Start([&](bool ok, const std::string& json) {
                answered = ok;
                report = json;
            }, 2500);
            ASSERT_TRUE(WaitUntil([&] { return !gatherer.IsRunning(); }, 10000));
            ASSERT_TRUE(answered);
            if (record)
                std::ofstream(std::string(record) + "/" + fixture.name + ".json") << report;
            PageReport page;
            ASSERT_TRUE(page.Read(report));
            std::vector<std::pair<std::string, std::string>> read;
            for (const FoundResult& result : ResultReader::Read(page))
                read.emplace_back(result.url, result.title);
            score.Add(fixture, origin, read);
        }
        for (wxFrame* frame : frames)
        {
            wxWeakRef<wxWindow> gone(frame);
            frame->Destroy();
            WaitUntil([&] { return !gone; });
        }
    }
    std::printf("[ results  ] %zu fixture pages: precision %.3f, recall %.3f\n", fixtures.size(), score.Precision(),
                score.Recall());
    for (const std::string& fault : score.Faults())
        std::printf("[ results  ] %s\n", fault.c_str());
    EXPECT_GE(score.Precision(), 0.95);
    EXPECT_GE(score.Recall(), 0.95);
    EXPECT_EQ(0u, score.HardFaults());
}

// A page whose own script never lets the gathering script run is given up
// on, and a read that is cancelled never calls back.
TEST(ResultGatherer, GivesUpOnABusyPageAndCancelsQuietly)
{
    TestHttpServer server([](const HttpRequest& request) {
        HttpResponse response;
        response.body = request.target.rfind("/busy", 0) == 0
                            ? "<html><body><a href='https://x.example/'>x</a><script>addEventListener('load',function(){"
                              "setTimeout(function(){for(;;){}},0);});</script></body></html>"
                            : "<html><body><h3><a href='https://x.example/'>x</a></h3></body></html>";
        return response;
    });
    auto* frame = new wxFrame(TestParentFrame(), wxID_ANY, "busy");
    auto* view = new wxIEHtmlWin(frame, wxID_ANY);
    frame->Show();
    view->LoadUrl(server.Url("/calm"));
    ASSERT_TRUE(WaitUntil([&] { bool busy = false; return view->HasVerdict() && view->IsBusy(busy) && !busy; }, 30000));
    {
        ResultGatherer gatherer(view->GetWebView()->GetNativeBackend());
        int calls = 0;
        gatherer.Start([&](bool, const std::string&) { ++calls; });
        gatherer.Cancel();
        gatherer.Start([&](bool ok, const std::string&) { calls += ok ? 10 : 100; });
        WaitUntil([&] { return !gatherer.IsRunning(); }, 10000);
        EXPECT_EQ(10, calls);
    }
    view->LoadUrl(server.Url("/busy"));
    ASSERT_TRUE(WaitUntil([&] { bool busy = false; return view->HasVerdict() && view->IsBusy(busy) && !busy; }, 30000));
    ResultGatherer gatherer(view->GetWebView()->GetNativeBackend());
    bool answered = false, ok = true;
    gatherer.Start([&](bool success, const std::string&) { answered = true; ok = success; });
    EXPECT_TRUE(WaitUntil([&] { return answered; }, ResultGatherer::BudgetMs + ResultGatherer::GiveUpMs + 5000));
    EXPECT_FALSE(ok);
    // The page's loop would keep its process busy after the test.
    webkit_web_view_terminate_web_process(WEBKIT_WEB_VIEW(view->GetWebView()->GetNativeBackend()));
    wxWeakRef<wxWindow> gone(frame);
    frame->Destroy();
    WaitUntil([&] { return !gone; });
}
