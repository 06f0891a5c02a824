#pragma once

#include <wx/panel.h>

#include <functional>

class wxButton;
class wxStaticBitmap;
class wxStaticText;

// A one-line notice under the result pages (a download done or failed):
// stays until it is closed or replaced, never takes the focus.
class NoticeBar : public wxPanel
{
public:
    explicit NoticeBar(wxWindow* parent);

    void SetNotice(const wxString& text, bool problem);
    wxString GetNotice() const;

    // Asked to close; the window hides the bar.
    std::function<void()> m_onClose;

    wxStaticText* m_pText = nullptr;
    wxButton* m_pButtonClose = nullptr;

private:
    wxStaticBitmap* m_pIcon = nullptr;
};
