#pragma once

#include <wx/statusbr.h>

// The main window's status bar. The toolkit's repaints a field at once each
// time its text changes; with every result page reporting its progress and
// status text, a search made hundreds of such paints, each holding up the
// event loop. Here a changed field is repainted with the next paint.
//
// A text cut short by its field shows in full in the field's tooltip (the
// toolkit's own tips for cut texts do not show on GTK 3): create it without
// wxSTB_SHOW_TIPS, which forbids tooltips of one's own.
class DeferredStatusBar : public wxStatusBar
{
public:
    DeferredStatusBar(wxWindow* parent, wxWindowID id, long style, const wxString& name);

    // The whole text of the field at a point of the bar when the field cuts
    // it short, else "".
    wxString TipAt(const wxPoint& point) const;
    // Whether a field's text fits it as it is now.
    bool Fits(int field) const;

protected:
    void DoUpdateStatusText(int number) override;

private:
    void OnMotion(wxMouseEvent& event);
    void UpdateTip(const wxPoint& point);
    wxPoint m_pointer{-1, -1};
};
