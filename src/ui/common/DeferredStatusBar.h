#pragma once

#include <wx/statusbr.h>

// The main window's status bar. The toolkit's repaints a field at once each
// time its text changes; with every result page reporting its progress and
// status text, a search made hundreds of such paints, each holding up the
// event loop. Here a changed field is repainted with the next paint.
class DeferredStatusBar : public wxStatusBar
{
public:
    using wxStatusBar::wxStatusBar;

protected:
    void DoUpdateStatusText(int number) override;
};
