// bench_minimal_webview <N> <url-or-file> [--exit]
// Opens N wxWebViews, one per notebook page, all on the given page. Prints
// "LOADED <N> <ms>" once every view has finished loading (ms since start),
// then keeps running until killed, or quits at once with --exit.
#include "WebKitProcessModel.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/stopwatch.h>
#include <wx/webview.h>

#include <cstdio>
#include <cstdlib>

class MinimalApp : public wxApp
{
public:
    bool OnInit() override
    {
        m_clock.Start();
        if (argc < 3 || wxAtoi(argv[1]) < 1)
        {
            std::fprintf(stderr, "usage: bench_minimal_webview <N> <url-or-file> [--exit]\n");
            return false;
        }
        m_count = wxAtoi(argv[1]);
        wxString url = argv[2];
        if (wxFileName::FileExists(url))
            url = wxFileName::FileNameToURL(wxFileName(wxFileName(url).GetAbsolutePath()));
        m_exitWhenLoaded = argc > 3 && argv[3] == "--exit";
        std::printf("process model: %s\n", ApplyProcessModelFromEnvironment());

        auto* frame = new wxFrame(nullptr, wxID_ANY, "minimal webview", wxDefaultPosition,
                                  wxSize(1024, 768));
        auto* book = new wxNotebook(frame, wxID_ANY);
        for (int i = 0; i < m_count; ++i)
        {
            wxWebView* view = wxWebView::New(book, wxID_ANY, url);
            view->Bind(wxEVT_WEBVIEW_LOADED, &MinimalApp::OnLoaded, this);
            book->AddPage(view, wxString::Format("%d", i + 1));
        }
        frame->Show();
        return true;
    }

private:
    void OnLoaded(wxWebViewEvent& event)
    {
        if (event.GetURL() == "about:blank" || ++m_loaded != m_count)
            return;
        std::printf("LOADED %d %ld\n", m_count, m_clock.Time());
        std::fflush(stdout);
        if (m_exitWhenLoaded)
            GetTopWindow()->Close(true);
    }

    wxStopWatch m_clock;
    int m_count = 0;
    int m_loaded = 0;
    bool m_exitWhenLoaded = false;
};

wxIMPLEMENT_APP(MinimalApp);
