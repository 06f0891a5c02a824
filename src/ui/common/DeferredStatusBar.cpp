#include "common/DeferredStatusBar.h"

void DeferredStatusBar::DoUpdateStatusText(int number)
{
    wxRect field;
    if (GetFieldRect(number, field))
        RefreshRect(field);
}
