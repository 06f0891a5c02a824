#pragma once

// The main window as the preference store sees it: a position and a client size.
// Keeps the preference store free of GUI headers.
class FrameGeometry
{
public:
    virtual ~FrameGeometry() = default;
    virtual void MoveTo(int x, int y) = 0;
    virtual void SetClientArea(int width, int height) = 0;
    virtual void GetPosition(int& x, int& y) const = 0;
    virtual void GetClientArea(int& width, int& height) const = 0;
};
