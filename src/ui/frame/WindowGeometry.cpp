#include "frame/WindowGeometry.h"

#include "store/Preference.h"

#include <wx/display.h>
#include <wx/toplevel.h>

#include <algorithm>
#include <climits>

void WindowGeometry::MoveTo(int x, int y)
{
    // -1 is a real coordinate here, not "keep the current one".
    m_window.Move(x, y, wxSIZE_ALLOW_MINUS_ONE);
    KeepOnScreen();
}

void WindowGeometry::SetClientArea(int width, int height)
{
    if (width < MinWidth || height < MinHeight)
    {
        width = PreferenceDefault::W;
        height = PreferenceDefault::H;
    }
    m_window.SetClientSize(width, height);
    KeepOnScreen();
}

void WindowGeometry::GetPosition(int& x, int& y) const
{
    m_window.GetPosition(&x, &y);
}

void WindowGeometry::GetClientArea(int& width, int& height) const
{
    m_window.GetClientSize(&width, &height);
}

void WindowGeometry::KeepOnScreen()
{
    wxRect rect = m_window.GetRect();
    // The display under the window's centre, else its top-left corner, else
    // the primary display.
    // (64-bit arithmetic: stored coordinates may be anything.)
    const auto centre = [](int from, int size) {
        return static_cast<int>(std::clamp<long long>(static_cast<long long>(from) + size / 2,
                                                      INT_MIN, INT_MAX));
    };
    int index = wxDisplay::GetFromPoint(
        wxPoint(centre(rect.x, rect.width), centre(rect.y, rect.height)));
    if (index == wxNOT_FOUND)
        index = wxDisplay::GetFromPoint(rect.GetPosition());
    if (index == wxNOT_FOUND)
        index = 0;
    const wxRect area = wxDisplay(static_cast<unsigned>(index)).GetClientArea();
    if (area.IsEmpty())
        return;

    // Shrink by the outer/client difference so the decorations fit as well.
    const wxSize client = m_window.GetClientSize();
    const wxSize frame = rect.GetSize() - client;
    const wxSize maxClient(std::max(1, area.width - frame.x), std::max(1, area.height - frame.y));
    if (client.x > maxClient.x || client.y > maxClient.y)
    {
        m_window.SetClientSize(std::min(client.x, maxClient.x), std::min(client.y, maxClient.y));
        rect = m_window.GetRect();
    }

    const int x = std::clamp(rect.x, area.x, std::max(area.x, area.GetRight() + 1 - rect.width));
    const int y = std::clamp(rect.y, area.y, std::max(area.y, area.GetBottom() + 1 - rect.height));
    if (x != rect.x || y != rect.y)
        m_window.Move(x, y, wxSIZE_ALLOW_MINUS_ONE);
}
