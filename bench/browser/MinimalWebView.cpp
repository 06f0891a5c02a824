// bench_minimal_webview <N> <url-or-file> [--exit]
// Opens N wxWebViews, one per notebook page, all on the given page, under a
// text box that has the focus, in a window of the main window's client size.
// Prints "LOADED <N> <ms>" once every view has finished loading (ms since
// start) and "INPUT <ms>" when the first key typed has changed the box's
// text, then keeps running until killed, or quits at once with --exit.
#include "WebKitProcessModel.h"

#include <wx/app.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/notebook.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
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

        auto* frame = new wxFrame(nullptr, wxID_ANY, "minimal webview");
        frame->SetClientSize(893, 550);
        auto* box = new wxTextCtrl(frame, wxID_ANY);
        box->Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
            event.Skip();
            m_keyDown = true;
        });
        box->Bind(wxEVT_TEXT, &MinimalApp::OnText, this);
        auto* book = new wxNotebook(frame, wxID_ANY);
        for (int i = 0; i < m_count; ++i)
        {
            wxWebView* view = wxWebView::New(book, wxID_ANY, url);
            view->Bind(wxEVT_WEBVIEW_LOADED, &MinimalApp::OnLoaded, this);
            book->AddPage(view, wxString::Format("%d", i + 1));
        }
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(box, 0, wxEXPAND);
        sizer->Add(book, 1, wxEXPAND);
        frame->SetSizer(sizer);
        frame->Centre();
        frame->Show();
        box->SetFocus();
        return true;
    }

private:
    void OnText(wxCommandEvent&)
    {
        if (!m_keyDown || m_inputSeen)
            return;
        m_inputSeen = true;
        std::printf("INPUT %ld\n", m_clock.Time());
        std::fflush(stdout);
    }

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
    bool m_keyDown = false;
    bool m_inputSeen = false;
};

wxIMPLEMENT_APP(MinimalApp);
