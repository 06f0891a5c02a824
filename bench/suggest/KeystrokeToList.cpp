// Time from a keystroke in the keyword box to the suggestion list holding the
// reply for it, against a loopback HTTPS service (test CA) that answers at
// once, minus the bare round trip of the same request over the same kind of
// connection: cold (the first keystroke, which opens the connection) and warm
// (keystrokes 2 to 20). Also counts the TLS handshakes the service saw per
// 20 keystrokes. Prints figures; never pass/fail.
//   usage: bench_keystroke_to_list [rounds]   (needs a display: run under xvfb-run)
#include "store/ConfigStore.h"
#include "net/HttpClient.h"
#include "store/Preference.h"
#include "suggest/SuggDlg.h"

#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "TestTls.h"

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
constexpr int kKeystrokes = 20;

double Millis(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

// An OpenSearch reply that echoes the keyword (after "q=") back.
HttpResponse Answer(const HttpRequest& request)
{
    const size_t at = request.target.find("q=");
    const std::string keyword = at == std::string::npos ? "" : request.target.substr(at + 2);
    HttpResponse r;
    r.contentType = "application/x-suggestions+json";
    r.body = "[\"" + keyword + "\", [\"" + keyword + " one\", \"" + keyword + " two\"]]";
    return r;
}
} // namespace

class BenchApp : public wxApp
{
public:
    bool OnInit() override
    {
        m_rounds = argc > 1 ? std::max(1, wxAtoi(argv[1])) : 10;
        CallAfter([this] { Run(); });
        return true;
    }

private:
    void Run()
    {
        TestSandbox sandbox;
        MakeDirs(sandbox.File("conf"));
        ScopedEnv ca("SSL_CERT_FILE", TestTls::Get().CaFile().c_str());
        TestHttpServer server(Answer, TestHttpServer::Transport::Tls);
        const std::string urlTemplate = server.Url("/ac?q={searchTerms}");
        ConfigStore::Open();
        ConfigStore::Get()->Write("/sugg_url_en", wxString(urlTemplate));
        Preference::Get()->m_nEnableSuggestion = 1;
        Preference::Get()->m_strSuggLang = "en";

        auto* frame = new wxFrame(nullptr, wxID_ANY, "bench");
        auto* box = new wxComboBox(frame, wxID_ANY);
        frame->Show();
        SuggDlg* popup = nullptr;
        box->Bind(wxEVT_TEXT, [&popup](wxCommandEvent&) {
            if (popup)
                popup->KeywordChanged();
        });

        std::vector<double> cold, warm, bareCold, bareWarm;
        std::vector<size_t> handshakes;
        for (int round = 0; round < m_rounds; ++round)
        {
            // A new pop-up has a new client: its first keystroke is cold.
            popup = new SuggDlg(frame);
            popup->AttachKeywordBox(box);
            const size_t handshakesBefore = server.HandshakeCount();
            for (int k = 0; k < kKeystrokes; ++k)
            {
                const wxString keyword = wxString::Format("r%dk%d", round, k);
                const wxString expected = keyword + " one";
                const auto start = Clock::now();
                box->SetValue(keyword);  // what a keystroke does to the box
                while (popup->m_pListBox->FindString(expected) == wxNOT_FOUND &&
                       Clock::now() - start < std::chrono::seconds(5))
                {
                    wxYield();
                    std::this_thread::sleep_for(std::chrono::microseconds(100));
                }
                if (popup->m_pListBox->FindString(expected) == wxNOT_FOUND)
                {
                    std::printf("round %d keystroke %d: no list within 5 s\n", round, k);
                    continue;
                }
                (k == 0 ? cold : warm).push_back(Millis(Clock::now() - start));
            }
            handshakes.push_back(server.HandshakeCount() - handshakesBefore);
            popup->Destroy();
            popup = nullptr;
            wxYield();
            box->ChangeValue(wxString());

            // The bare round trips: a new client, then its warm connection.
            HttpClient bare;
            for (int k = 0; k < kKeystrokes; ++k)
            {
                HttpClient::Request request;
                request.url = urlTemplate.substr(0, urlTemplate.find('{')) +
                              "bare" + std::to_string(k);
                HttpReply reply;
                const auto start = Clock::now();
                if (bare.Get(request, reply) == HttpClient::Result::Ok)
                    (k == 0 ? bareCold : bareWarm).push_back(Millis(Clock::now() - start));
            }
        }

        const double c = Median(cold), bc = Median(bareCold);
        const double w = Median(warm), bw = Median(bareWarm);
        std::printf("keystroke to suggestion list over HTTPS, medians (ms)\n");
        std::printf("  cold (keystroke 1, %zu rounds): %.2f; bare round trip %.2f; on top %.2f\n",
                    cold.size(), c, bc, c - bc);
        std::printf("  warm (keystrokes 2-20, %zu): %.2f; bare round trip %.2f; on top %.2f "
                    "(goal <= 5 ms)\n",
                    warm.size(), w, bw, w - bw);
        std::printf("  TLS handshakes per %d keystrokes: median %.0f, max %zu (goal 1)\n",
                    kKeystrokes,
                    Median(std::vector<double>(handshakes.begin(), handshakes.end())),
                    handshakes.empty() ? 0 : *std::max_element(handshakes.begin(), handshakes.end()));
        std::fflush(stdout);

        frame->Destroy();
        Preference::Release();
        ConfigStore::Close();
        server.Stop();
        ExitMainLoop();
    }

    int m_rounds = 10;
};

wxIMPLEMENT_APP_NO_MAIN(BenchApp);

int main(int argc, char** argv)
{
    return wxEntry(argc, argv);
}
