#pragma once

#include <wx/aui/auibook.h>

// The result notebook. wxAuiNotebook measures every tab whenever a tab is
// added or its picture changes, and repaints the tab row at once for each
// picture: with forty tabs, adding them cost a quadratic number of text
// measurements, and the busy timer's picture changes took most of the
// program's time while pages loaded.
class ResultNotebook : public wxAuiNotebook
{
public:
    using wxAuiNotebook::wxAuiNotebook;

    // Sets a tab's picture from the image list; the tab row is repainted
    // with the next paint. Every picture has the same size, so the tab
    // height stays as it is.
    bool SetTabImage(size_t page, int image);

protected:
    // While frozen (a rebuild of the tabs) the tab height is worked out
    // once, when thawed.
    bool UpdateTabCtrlHeight() override;
    void DoThaw() override;
};
