#include "pages/ResultNotebook.h"

bool ResultNotebook::SetTabImage(size_t page, int image)
{
    if (page >= GetPageCount())
        return false;
    wxAuiNotebookPage& info = m_tabs.GetPage(page);
    info.bitmap = GetBitmapBundle(image);
    wxAuiTabCtrl* tabs = nullptr;
    int tab = 0;
    if (!FindTab(info.window, &tabs, &tab))
        return false;
    tabs->GetPage(tab).bitmap = info.bitmap;
    tabs->Refresh(false);
    return true;
}

bool ResultNotebook::UpdateTabCtrlHeight()
{
    if (IsFrozen())
        return false;
    return wxAuiNotebook::UpdateTabCtrlHeight();
}

void ResultNotebook::DoThaw()
{
    UpdateTabCtrlHeight();
    wxAuiNotebook::DoThaw();
}
