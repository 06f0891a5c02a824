// Quitting with dialogs open: every one ends as Cancel, the toolkit's own
// message boxes and a page's print dialog too, none opens afterwards, and
// what comes next runs only once their loops have returned.
#include "OpenDialogs.h"

#include "GuiTest.h"
#include "IEHtmlWin.h"
#include "TestHttpServer.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/timer.h>

#include <gtk/gtk.h>

#include <vector>

TEST(OpenDialogs, CancelAllEndsNestedDialogsAndRefusesLaterOnes)
{
    auto* parent = new wxFrame(nullptr, wxID_ANY, "parent");
    parent->Show();
    RealDialogsAllowed shown;
    OpenDialogs dialogs;
    std::vector<wxString> answers;
    int openWhenDone = -1;
    bool done = false;
    // Opened from the loop, as a page's question or a worker's report is.
    wxTheApp->CallAfter([&] {
        wxDialog outer(parent, wxID_ANY, "outer");
        wxTheApp->CallAfter([&] {
            wxMessageDialog question(&outer, "Save?", "Orvane", wxOK | wxCANCEL);
            wxTheApp->CallAfter([&] {
                dialogs.CancelAll([&] {
                    openWhenDone = static_cast<int>(dialogs.Count());
                    done = true;
                });
            });
            answers.push_back(question.ShowModal() == wxID_CANCEL ? "question: cancel" : "question: other");
            wxMessageDialog later(&outer, "Failed", "Orvane", wxOK);
            answers.push_back(later.ShowModal() == wxID_CANCEL ? "later: cancel" : "later: other");
        });
        answers.push_back(outer.ShowModal() == wxID_CANCEL ? "outer: cancel" : "outer: other");
    });
    ASSERT_TRUE(WaitUntil([&] { return done; }, 20000)) << answers.size();
    EXPECT_EQ((std::vector<wxString>{"question: cancel", "later: cancel", "outer: cancel"}), answers);
    EXPECT_EQ(0, openWhenDone);
    parent->Destroy();
}

namespace
{
int VisibleNativeDialogs(bool cancel)
{
    int count = 0;
    GList* windows = gtk_window_list_toplevels();
    for (GList* l = windows; l; l = l->next)
    {
        if (GTK_IS_DIALOG(l->data) && gtk_widget_get_visible(GTK_WIDGET(l->data)))
        {
            ++count;
            if (cancel)
                gtk_dialog_response(GTK_DIALOG(l->data), GTK_RESPONSE_CANCEL);
        }
    }
    g_list_free(windows);
    return count;
}
} // namespace

TEST(OpenDialogs, OnlyThePageOnShowPrintsAndItsDialogEndsWithTheRest)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse response;
        response.body = "<html><body>page<script>print();</script></body></html>";
        return response;
    });
    auto* frame = new wxFrame(nullptr, wxID_ANY, "pages", wxDefaultPosition, wxSize(800, 600));
    auto* shown = new wxIEHtmlWin(frame, wxID_ANY);
    auto* hidden = new wxIEHtmlWin(frame, wxID_ANY);
    auto* unseen = new wxIEHtmlWin(frame, wxID_ANY);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(shown, 1, wxEXPAND);
    sizer->Add(unseen, 1, wxEXPAND);
    sizer->Add(hidden, 1, wxEXPAND);
    frame->SetSizer(sizer);
    hidden->Hide();
    unseen->SetUnseen(true);
    frame->Show();
    RealDialogsAllowed allowed;
    OpenDialogs dialogs;
    // Runs inside any dialog's own loop: a print dialog that should not be
    // there is counted and closed, one that should is ended through the hook.
    int refusedSeen = 0;
    bool printing = false, done = false;
    wxTimer watch;
    watch.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (!printing)
            refusedSeen += VisibleNativeDialogs(true);
        else if (dialogs.Count() == 1 && VisibleNativeDialogs(false) == 1 && !dialogs.IsRefusing())
            dialogs.CancelAll([&] { done = true; });
    });
    watch.Start(100);
    {
        SCOPED_TRACE("a hidden view and one nobody sees refuse to print");
        for (wxIEHtmlWin* view : {hidden, unseen})
        {
            view->LoadUrl(server.Url("/page"));
            EXPECT_TRUE(WaitUntil([&] { bool busy = true; return view->GetLoadCount() > 0 && view->IsBusy(busy) && !busy; }));
        }
        WaitUntil([&] { return refusedSeen > 0; }, 1500);
        EXPECT_EQ(0, refusedSeen);
        EXPECT_EQ(0u, dialogs.Count());
    }
    {
        SCOPED_TRACE("the page on show opens the dialog, which a quit's cancel ends");
        printing = true;
        shown->LoadUrl(server.Url("/page"));
        EXPECT_TRUE(WaitUntil([&] { return done; }, 20000));
        EXPECT_EQ(0, VisibleNativeDialogs(true));
        EXPECT_EQ(0u, dialogs.Count());
    }
    watch.Stop();
    frame->Destroy();
}
