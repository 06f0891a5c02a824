#include "common/DeferredStatusBar.h"

#include <wx/dcclient.h>

DeferredStatusBar::DeferredStatusBar(wxWindow* parent, wxWindowID id, long style, const wxString& name)
    : wxStatusBar(parent, id, style & ~wxSTB_SHOW_TIPS, name)
{
    Bind(wxEVT_MOTION, &DeferredStatusBar::OnMotion, this);
    Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& event) {
        m_pointer = wxPoint(-1, -1);
        UnsetToolTip();
        event.Skip();
    });
}

void DeferredStatusBar::DoUpdateStatusText(int number)
{
    wxRect field;
    if (GetFieldRect(number, field))
    {
        RefreshRect(field);
        // A new text under the pointer brings its own tip.
        if (field.Contains(m_pointer))
            UpdateTip(m_pointer);
    }
}

bool DeferredStatusBar::Fits(int field) const
{
    wxRect rect;
    if (!GetFieldRect(field, rect))
        return true;
    wxClientDC dc(const_cast<DeferredStatusBar*>(this));
    dc.SetFont(GetFont());
    // The toolkit draws a field's text a few pixels in from each side.
    return dc.GetTextExtent(GetStatusText(field)).x <= rect.width - 2 * GetBorderX() - 4;
}

wxString DeferredStatusBar::TipAt(const wxPoint& point) const
{
    for (int field = 0; field < GetFieldsCount(); ++field)
    {
        wxRect rect;
        if (GetFieldRect(field, rect) && rect.Contains(point))
            return Fits(field) ? wxString() : GetStatusText(field);
    }
    return wxString();
}

void DeferredStatusBar::OnMotion(wxMouseEvent& event)
{
    m_pointer = event.GetPosition();
    UpdateTip(m_pointer);
    event.Skip();
}

void DeferredStatusBar::UpdateTip(const wxPoint& point)
{
    const wxString tip = TipAt(point);
    if (tip.empty())
        UnsetToolTip();
    else if (GetToolTipText() != tip)
        SetToolTip(tip);
}
