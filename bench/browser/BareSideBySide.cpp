// bench_bare_side_by_side <panes> <port>
// What the machine allows for pages shown side by side, with nothing of the
// program around them: <panes> plain wxWebViews laid out as the program's
// layouts lay them (one, two or three across, or two by two) in a 1200 x 900
// window, under a text box that has the focus. Enter loads every view at
// once with view i's search, http://127.0.0.<i+2>:<port>/search?e=<i>&q=<text>,
// the address the search bench gives engine i. The bench times the pages
// by their own beacons, as it times the program's.
#include "WebKitProcessModel.h"

#include <wx/app.h>
#include <wx/frame.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include <cstdio>
#include <vector>

class BareSideBySideApp : public wxApp
{
public:
    bool OnInit() override
    {
        const int panes = argc > 2 ? wxAtoi(argv[1]) : 0;
        m_port = argc > 2 ? wxAtoi(argv[2]) : 0;
        if (panes < 1 || panes > 4 || m_port <= 0)
        {
            std::fprintf(stderr, "usage: bench_bare_side_by_side <panes 1-4> <port>\n");
            return false;
        }
        std::printf("process model: %s\n", ApplyProcessModelFromEnvironment());

        auto* frame = new wxFrame(nullptr, wxID_ANY, "bare side by side");
        frame->SetClientSize(1200, 900);
        m_box = new wxTextCtrl(frame, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxTE_PROCESS_ENTER);
        m_box->Bind(wxEVT_TEXT_ENTER, &BareSideBySideApp::OnEnter, this);
        const int columns = panes == 4 ? 2 : panes;
        auto* grid = new wxGridSizer(panes == 4 ? 2 : 1, columns, 2, 2);
        for (int i = 0; i < panes; ++i)
        {
            wxWebView* view = wxWebView::New(frame, wxID_ANY, "about:blank");
            grid->Add(view, 1, wxEXPAND);
            m_views.push_back(view);
        }
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        sizer->Add(m_box, 0, wxEXPAND);
        sizer->Add(grid, 1, wxEXPAND);
        frame->SetSizer(sizer);
        frame->Show();
        m_box->SetFocus();
        std::printf("READY\n");
        std::fflush(stdout);
        return true;
    }

private:
    void OnEnter(wxCommandEvent&)
    {
        // The bench types plain words; nothing needs encoding.
        const wxString query = m_box->GetValue();
        for (size_t i = 0; i < m_views.size(); ++i)
        {
            m_views[i]->LoadURL(wxString::Format("http://127.0.0.%zu:%d/search?e=%zu&q=%s", i + 2, m_port, i,
                                                 query));
        }
    }

    wxTextCtrl* m_box = nullptr;
    std::vector<wxWebView*> m_views;
    int m_port = 0;
};

wxIMPLEMENT_APP(BareSideBySideApp);
