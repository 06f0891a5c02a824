#pragma once

#include <wx/aui/auibook.h>

// The result notebook. Its tab pictures change on every busy-timer tick, for
// every tab; wxAuiNotebook::SetPageImage would measure every tab's size and
// repaint the tab row at once for each of them, which with forty tabs took
// most of the program's time while pages loaded.
class ResultNotebook : public wxAuiNotebook
{
public:
    using wxAuiNotebook::wxAuiNotebook;

    // Sets a tab's picture from the image list; the tab row is repainted
    // with the next paint. Every picture has the same size, so the tab
    // height stays as it is.
    bool SetTabImage(size_t page, int image);
};
