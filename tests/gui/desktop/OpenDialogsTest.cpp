// Quitting with dialogs open: every one ends as Cancel, the toolkit's own
// message boxes too, none opens afterwards, and what comes next runs only
// once their loops have returned.
#include "OpenDialogs.h"

#include "GuiTest.h"

#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>

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
