#include "GuiTest.h"
#include "frame/WindowGeometry.h"

#include <wx/display.h>
#include <wx/frame.h>

namespace
{
// A fresh top-level frame given a stored geometry the way the preference
// store restores it: move first, then the client size.
struct RestoredFrame
{
    RestoredFrame(int x, int y, int w, int h)
        : frame(new wxFrame(nullptr, wxID_ANY, "geometry test", wxDefaultPosition, wxSize(400, 300)))
    {
        WindowGeometry geometry(*frame);
        geometry.MoveTo(x, y);
        geometry.SetClientArea(w, h);
        frame->Show();
        WaitUntil([this] { return frame->IsShownOnScreen(); }, 3000);
    }
    ~RestoredFrame() { frame->Destroy(); }

    wxFrame* frame;
};

wxRect DisplayArea()
{
    return wxDisplay(0u).GetClientArea();
}
} // namespace

TEST(WindowGeometryTest, OrdinaryGeometryIsRestoredExactly)
{
    RestoredFrame restored(40, 16, 700, 500);
    WindowGeometry geometry(*restored.frame);
    int x, y, w, h;
    geometry.GetPosition(x, y);
    geometry.GetClientArea(w, h);
    EXPECT_EQ(x, 40);
    EXPECT_EQ(y, 16);
    EXPECT_EQ(w, 700);
    EXPECT_EQ(h, 500);
}

TEST(WindowGeometryTest, StoredGeometryOffScreenOrUnusableStillGivesAVisibleWindow)
{
    const wxRect area = DisplayArea();
    ASSERT_FALSE(area.IsEmpty());
    struct Case
    {
        const char* what;
        int x, y, w, h;
    };
    const Case cases[] = {
        {"far to the top left", -5000, -4000, 700, 500},
        {"far to the bottom right", 90000, 70000, 700, 500},
        {"larger than the display", 10, 10, 30000, 20000},
        {"negative size", 40, 16, -940, -616},
        {"zero size", 40, 16, 0, 0},
        {"everything at the integer limits", -2147483647, 2147483647, 2147483647, -2147483647},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        RestoredFrame restored(c.x, c.y, c.w, c.h);
        const wxRect rect = restored.frame->GetRect();
        EXPECT_TRUE(area.Contains(rect)) << "window " << rect.x << "," << rect.y << " "
                                         << rect.width << "x" << rect.height;
        const wxSize client = restored.frame->GetClientSize();
        EXPECT_GE(client.x, WindowGeometry::MinWidth);
        EXPECT_GE(client.y, WindowGeometry::MinHeight);
    }
}
