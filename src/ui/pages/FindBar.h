#pragma once

#include <wx/panel.h>
#include <wx/weakref.h>

#include <functional>

class wxButton;
class wxStaticText;
class wxTextCtrl;
class wxIEHtmlWin;

// The find bar under the result pages: finds as the user types in the page
// it is given, Enter / Shift+Enter for the next and previous match, the
// current match and the number of matches beside the box, Escape closes.
class FindBar : public wxPanel
{
public:
    explicit FindBar(wxWindow* parent);
    ~FindBar() override;

    // Ends the search in the page searched so far and searches the text
    // in this one (none: nothing is searched).
    void SetTarget(wxIEHtmlWin* page);
    // Focus in the box with its text selected.
    void Activate();
    void FindNext(bool backwards);
    // Ends the search in the target page (its highlights go).
    void EndSearch();

    // Asked to close (Escape or the close button); the window hides the bar.
    std::function<void()> m_onClose;

    wxTextCtrl* m_pText = nullptr;
    wxStaticText* m_pMatches = nullptr;
    wxButton* m_pButtonPrev = nullptr;
    wxButton* m_pButtonNext = nullptr;
    wxButton* m_pButtonClose = nullptr;

private:
    void OnText(wxCommandEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void ShowMatches(int current, int matches);

    wxWeakRef<wxIEHtmlWin> m_target;
};
