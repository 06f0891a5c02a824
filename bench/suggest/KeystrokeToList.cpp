// Time from a keystroke in the keyword box to the suggestion list holding the
// reply for it, against a loopback service that answers at once, minus the
// bare round trip of the same request. Prints figures; never pass/fail.
//   usage: bench_keystroke_to_list [rounds]   (needs a display: run under xvfb-run)
#include "ConfigStore.h"
#include "HttpClient.h"
#include "Preference.h"
#include "SuggDlg.h"
#include "SuggestionRequest.h"

#include "TestEnvironment.h"
#include "TestHttpServer.h"

#include <wx/app.h>
#include <wx/combobox.h>
#include <wx/config.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

namespace
{
using Clock = std::chrono::steady_clock;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// The keyword sits after "qu=" in the request; the reply echoes it back.
HttpResponse Answer(const HttpRequest& request)
{
    const size_t at = request.target.find("qu=");
    const std::string keyword = at == std::string::npos ? "" : request.target.substr(at + 3);
    HttpResponse r;
    r.contentType = "text/xml; charset=utf-8";
    r.body = "<toplevel><CompleteSuggestion><suggestion data=\"" + keyword +
             " one\"/></CompleteSuggestion><CompleteSuggestion><suggestion data=\"" + keyword +
             " two\"/></CompleteSuggestion></toplevel>\n";
    return r;
}

} // namespace

class BenchApp : public wxApp
{
public:
    bool OnInit() override
    {
        m_rounds = argc > 1 ? std::max(1, wxAtoi(argv[1])) : 30;
        CallAfter([this] { Run(); });
        return true;
    }

private:
    void Run()
    {
        TestSandbox sandbox;
        MakeDirs(sandbox.File("conf"));
        TestHttpServer server(Answer);
        ConfigStore::Open();
        ConfigStore::Get()->Write(wxString("/") + PreferenceKey::SuggHost,
                                  wxString(server.HostPort()));
        Preference::Get()->m_nEnableSuggestion = 1;

        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
        auto* box = new wxComboBox(frame, wxID_ANY);
        auto* popup = new SuggDlg(frame);
        popup->AttachKeywordBox(box);
        box->Bind(wxEVT_TEXT, [popup](wxCommandEvent&) { popup->KeywordChanged(); });
        frame->Show();

        HttpClient bare;
        std::vector<double> keystroke, roundTrip;
        for (int i = 0; i < m_rounds; ++i)
        {
            const wxString keyword = wxString::Format("kw%d", i);
            const wxString expected = keyword + " one";
            const auto start = Clock::now();
            box->SetValue(keyword);  // what a keystroke does to the box
            while (popup->m_pListBox->FindString(expected) == wxNOT_FOUND &&
                   Clock::now() - start < std::chrono::seconds(5))
            {
                wxYield();
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
            if (popup->m_pListBox->FindString(expected) == wxNOT_FOUND)
            {
                std::printf("round %d: no list within 5 s\n", i);
                continue;
            }
            keystroke.push_back(Millis(Clock::now() - start));

            const auto rtStart = Clock::now();
            HttpClient::Request request;
            request.url = (server.Url("") + SuggestionRequest::BuildPath(keyword, "en")).utf8_string();
            HttpReply reply;
            if (bare.Get(request, reply) == HttpClient::Result::Ok)
                roundTrip.push_back(Millis(Clock::now() - rtStart));
        }

        const double k = Median(keystroke), rt = Median(roundTrip);
        std::printf("keystroke to suggestion list, median of %zu: %.2f ms\n", keystroke.size(), k);
        std::printf("bare round trip of the same request, median of %zu: %.2f ms\n",
                    roundTrip.size(), rt);
        std::printf("on top of the round trip: %.2f ms (goal under 20 ms)\n", k - rt);
        std::fflush(stdout);

        frame->Destroy();
        Preference::Release();
        ConfigStore::Close();
        server.Stop();
        ExitMainLoop();
    }

    int m_rounds = 30;
};

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv)
{
    return wxEntry(argc, argv);
}
