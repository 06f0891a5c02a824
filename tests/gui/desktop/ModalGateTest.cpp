// Calls from outside held while a dialog is open: a flood keeps only the
// newest within the count and size limits, the rest are answered as dropped.
#include "ModalGate.h"

#include "GuiTest.h"

#include <wx/app.h>
#include <wx/dialog.h>

TEST(ModalGate, AFloodWhileADialogIsOpenKeepsOnlyTheNewest)
{
    RealDialogsAllowed shown;
    ModalGate gate;
    std::vector<int> ran, dropped;
    size_t heldAtMost = 0;
    bool done = false;
    wxTheApp->CallAfter([&] {
        wxDialog dialog(nullptr, wxID_ANY, "open");
        dialog.CallAfter([&] {
            for (int i = 0; i < 3000; ++i)
            {
                SCOPED_TRACE(i);
                // Small calls are capped by count, large ones by their size.
                const size_t bytes = i < 1000 ? 100 : 100 * 1024;
                gate.Run([&ran, i] { ran.push_back(i); }, bytes, [&dropped, i] { dropped.push_back(i); });
                heldAtMost = std::max(heldAtMost, gate.HeldCount());
            }
            EXPECT_TRUE(ran.empty());
            dialog.EndModal(wxID_OK);
        });
        dialog.ShowModal();
        wxTheApp->CallAfter([&] { done = true; });
    });
    ASSERT_TRUE(WaitUntil([&] { return done && !ran.empty(); }, 10000));
    EXPECT_LE(heldAtMost, ModalGate::MaxHeld);
    // The newest that fit in the size limit ran, in order; every other was dropped, once.
    const size_t kept = ModalGate::MaxHeldBytes / (100 * 1024);
    ASSERT_EQ(kept, ran.size());
    EXPECT_EQ(3000 - static_cast<int>(kept), ran.front());
    EXPECT_EQ(2999, ran.back());
    EXPECT_EQ(3000u, ran.size() + dropped.size());
}
