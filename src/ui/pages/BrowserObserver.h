#pragma once

// Notification interface of the result pages. Nothing calls it: page events
// reach the main window through per-page bindings instead.
class BrowserObserver
{
public:
    virtual ~BrowserObserver() = default;
    virtual void OnBrowserNotify() = 0;
};
