#pragma once

#include "store/FrameGeometry.h"

class wxTopLevelWindow;

// A top-level window as the preference store sees it. Restoring a stored
// geometry never leaves the window off screen: a size that does not fit, or
// is too small to use, and a position outside every display are corrected
// against the display the window would appear on.
class WindowGeometry : public FrameGeometry
{
public:
    explicit WindowGeometry(wxTopLevelWindow& window) : m_window(window) {}

    void MoveTo(int x, int y) override;
    void SetClientArea(int width, int height) override;
    void GetPosition(int& x, int& y) const override;
    void GetClientArea(int& width, int& height) const override;

    // Smallest client area a restored window gets.
    static constexpr int MinWidth = 320;
    static constexpr int MinHeight = 200;

private:
    void KeepOnScreen();

    wxTopLevelWindow& m_window;
};
