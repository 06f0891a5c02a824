// What deciding each page's outcome costs in real views: N views load the
// same heavy result page (100 result blocks, about 150 KB) from a loopback
// server, and once each has its verdict the time from its load's end to the
// verdict, and the classifier's share of it, are printed (medians and the
// slowest). Then each page's results are read, one page at a time: the
// gather script's round trip in the page and the reader's cost on its
// report. Figures, never pass/fail.
//   bench_outcome_probe [views]   (default 40)
#include "IEHtmlWin.h"
#include "PageProbe.h"
#include "ResultGatherer.h"
#include "found/ResultReader.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/timer.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <wx/webview.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace
{
std::string ResultPage()
{
    std::string body = "<!doctype html><html><head><meta charset='utf-8'><title>r</title></head><body>";
    for (int i = 0; i < 100; ++i)
    {
        body += "<div class='r'><h3><a href='https://site" + std::to_string(i) + ".example/'>Result " +
                std::to_string(i) + "</a></h3><p>";
        for (int k = 0; k < 190; ++k)
            body += "otter ";
        body += "</p><a href='/url?q=https%3A%2F%2Fmirror" + std::to_string(i) + ".example%2F'>mirror</a></div>";
    }
    return body + "</body></html>";
}

// A tiny server: every request gets the same page.
class PageServer
{
public:
    PageServer() : m_page(ResultPage())
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        int yes = 1;
        ::setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_fd, 128);
        socklen_t len = sizeof addr;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ntohs(addr.sin_port);
        m_thread = std::thread([this] { Serve(); });
    }
    ~PageServer()
    {
        m_stop = true;
        ::shutdown(m_fd, SHUT_RDWR);
        ::close(m_fd);
        m_thread.join();
    }
    int Port() const { return m_port; }

private:
    void Serve()
    {
        while (!m_stop)
        {
            const int client = ::accept(m_fd, nullptr, nullptr);
            if (client < 0)
                return;
            std::thread([this, client] {
                char buffer[4096];
                std::string request;
                while (request.find("\r\n\r\n") == std::string::npos)
                {
                    const ssize_t n = ::read(client, buffer, sizeof buffer);
                    if (n <= 0)
                        break;
                    request.append(buffer, static_cast<size_t>(n));
                }
                const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nContent-Length: " +
                                         std::to_string(m_page.size()) + "\r\nConnection: close\r\n\r\n";
                (void)!::write(client, head.data(), head.size());
                (void)!::write(client, m_page.data(), m_page.size());
                ::close(client);
            }).detach();
        }
    }

    std::string m_page;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

double Median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
} // namespace

class BenchApp : public wxApp
{
public:
    bool OnInit() override
    {
        long views = 40;
        if (argc > 1)
            wxString(argv[1]).ToLong(&views);
        m_frame = new wxFrame(nullptr, wxID_ANY, "outcome probe bench", wxPoint(0, 0), wxSize(1024, 768));
        m_frame->SetSizer(new wxBoxSizer(wxVERTICAL));
        m_frame->Show();
        for (long i = 0; i < views; ++i)
        {
            auto* view = new wxIEHtmlWin(m_frame, wxID_ANY, wxDefaultPosition, wxSize(1024, 768));
            view->LoadUrl(wxString::Format("http://127.0.0.1:%d/search?q=otter&e=%ld", m_server.Port(), i));
            m_views.push_back(view);
        }
        m_timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { Check(); });
        m_timer.Start(20);
        return true;
    }

private:
    void Check()
    {
        for (wxIEHtmlWin* view : m_views)
        {
            bool busy = true;
            if (!view->HasVerdict() || !view->IsBusy(busy) || busy)
                return;
        }
        m_timer.Stop();
        std::vector<double> verdict, classify;
        int results = 0;
        std::string other;
        for (wxIEHtmlWin* view : m_views)
        {
            const PageVerdict& v = view->GetProbe()->GetVerdict();
            if (v.outcome != PageOutcome::Results && other.empty())
                other = std::string(OutcomeName(v.outcome)) + " (" + v.reason + ")";
            verdict.push_back(view->GetProbe()->GetVerdictMillis());
            classify.push_back(view->GetProbe()->GetClassifyMillis());
            results += view->GetProbe()->GetVerdict().outcome == PageOutcome::Results;
        }
        std::printf("OUTCOME pages %zu, with results %d%s%s\n", m_views.size(), results,
                    other.empty() ? "" : "; first other: ", other.c_str());
        std::printf("OUTCOME load end to verdict: median %.1f ms, slowest %.1f ms\n", Median(verdict),
                    *std::max_element(verdict.begin(), verdict.end()));
        std::printf("OUTCOME classifier per page: median %.3f ms, slowest %.3f ms\n", Median(classify),
                    *std::max_element(classify.begin(), classify.end()));
        GatherNext();
    }

    static double Since(std::chrono::steady_clock::time_point start)
    {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    }

    void GatherNext()
    {
        if (m_nGathered >= m_views.size())
        {
            std::printf("RESULTS gather script per page (in the page, round trip): median %.1f ms, slowest %.1f ms\n",
                        Median(m_gatherMs), *std::max_element(m_gatherMs.begin(), m_gatherMs.end()));
            std::printf("RESULTS reading its report per page (model): median %.3f ms, slowest %.3f ms; report %.0f KB, "
                        "%zu results\n", Median(m_readMs), *std::max_element(m_readMs.begin(), m_readMs.end()),
                        m_reportKb, m_nResults);
            m_frame->Destroy();
            ExitMainLoop();
            return;
        }
        m_gatherer = std::make_unique<ResultGatherer>(m_views[m_nGathered]->GetWebView()->GetNativeBackend());
        const auto start = std::chrono::steady_clock::now();
        m_gatherer->Start([this, start](bool, const std::string& json) {
            m_gatherMs.push_back(Since(start));
            const auto readStart = std::chrono::steady_clock::now();
            PageReport report;
            report.Read(json);
            m_nResults = ResultReader::Read(report).size();
            m_readMs.push_back(Since(readStart));
            m_reportKb = json.size() / 1024.0;
            ++m_nGathered;
            CallAfter(&BenchApp::GatherNext);
        });
    }

    PageServer m_server;
    wxFrame* m_frame = nullptr;
    std::vector<wxIEHtmlWin*> m_views;
    wxTimer m_timer;
    std::unique_ptr<ResultGatherer> m_gatherer;
    size_t m_nGathered = 0;
    std::vector<double> m_gatherMs, m_readMs;
    double m_reportKb = 0;
    size_t m_nResults = 0;
};

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv)
{
    return wxEntry(argc, argv);
}
