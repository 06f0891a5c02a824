#pragma once

#include "MSHTMLEvent.h"

#include <wx/panel.h>

class wxWebView;

// A child window that shows web pages, over wxWebView (WebKitGTK), and sends
// wxMSHTMLEvent notifications to its parent.
class wxIEHtmlWin : public wxPanel
{
public:
    wxIEHtmlWin(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize, long style = 0,
                const wxString& name = wxPanelNameStr);
    ~wxIEHtmlWin() override;

    // An absolute URL, "about:blank", or a plain absolute file path.
    void LoadUrl(const wxString& url);
    // Result: the query succeeded; busy: the view is still loading.
    bool IsBusy(bool& busy);
    bool Stop();
    bool GoBack();
    bool GoForward();
    bool Refresh(int level);
    wxString GetTitle();

    wxWebView* GetWebView() const { return m_browser; }

protected:
    wxWebView* m_browser = nullptr;  // child window, owned by this view
};
