#pragma once

#include "suggest/SuggThread.h"

#include <wx/arrstr.h>
#include <wx/dialog.h>

#include <functional>
#include <memory>
#include <vector>

class EngineManager;
class wxButton;
class wxChoice;
class wxComboBox;
class wxKeyEvent;
class wxListBox;
class wxMouseEvent;
class wxStaticLine;
class wxStaticText;

// Borderless pop-up under the keyword box that lists keyword suggestions.
// Fetches run on worker threads; only the newest one's result is shown.
class SuggDlg : public wxDialog
{
public:
    SuggDlg(wxWindow* parent, wxWindowID id = wxID_ANY,
            const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize);
    ~SuggDlg() override;

    // Starts a background fetch for the keyword in the preferred language.
    void FetchSuggestions(const wxString& keyword);
    void SetSuggestions(const wxArrayString& suggestions);

    // Remembers the main window's keyword box and lets the Down key move from
    // it into the list.
    void AttachKeywordBox(wxComboBox* keywordBox);
    // The catalogue whose shortcuts complete a "!x" word; not owned.
    void AttachCatalogue(const EngineManager* catalogue) { m_pCatalogue = catalogue; }
    // The keyword box's text changed: fetch, then show, place or hide the
    // pop-up. A last word "!x" lists the matching shortcuts instead, whether
    // or not suggestions are on, and asks no service.
    void KeywordChanged();
    // At most this many shortcuts are listed.
    static constexpr size_t MaxShortcutRows = 20;
    // Whether the list holds shortcuts rather than suggestions.
    bool ListsShortcuts() const { return m_bShortcutList; }

    bool Show(bool show = true) override;

    // A worker finished; runs on the GUI thread.
    void OnFetchDone(unsigned requestNumber, SuggThread::Outcome outcome,
                     const wxArrayString& suggestions);

    // The services were changed in the settings: a service that was turned
    // off for this run may be asked again.
    void ResetService();

    // Tests shorten the service time-out; 10 seconds otherwise.
    static void SetTimeoutForTesting(int seconds);

    // Where the pop-up's status messages go; the parent frame's status bar
    // when not set.
    std::function<void(const wxString&)> m_onStatus;

    bool m_bSuggAvailable = true;
    wxComboBox* m_pKeywordBox = nullptr;  // not owned
    wxString m_strKeyword;
    unsigned m_nSuggCount = 0;

    wxListBox* m_pListBox = nullptr;
    wxStaticText* m_pPrompt = nullptr;
    wxChoice* m_pLangChoice = nullptr;
    wxStaticLine* m_pSeparator = nullptr;
    wxButton* m_pCloseButton = nullptr;

    static const long ID_LISTBOX_SUGG;
    static const long ID_STATICTEXT1;
    static const long ID_CHOICE_SUGG_LANG;
    static const long ID_STATICLINE1;

private:
    void OnSuggListSelected(wxCommandEvent& event);
    void OnSuggListActivated(wxCommandEvent& event);
    void OnSuggLangSelected(wxCommandEvent& event);
    void OnClose(wxCommandEvent& event);
    void OnKeywordKeyDown(wxKeyEvent& event);
    void OnListKeyDown(wxKeyEvent& event);
    void OnListMouseDown(wxMouseEvent& event);
    void SetKeyboardMode(bool on);
    void ChooseSuggestion(int index);
    void ReturnToKeywordBox();
    // A failure said in the status bar, one line, with `status` after it.
    void ShowError(const wxString& message, const wxString& status);
    // The service is asked no more in this run; the status bar says why.
    void TurnOff(const wxString& status);
    void ShowStatus(const wxString& text);
    void ShowShortcuts(const wxString& prefix, size_t start, size_t end);
    void LeaveShortcutList();
    void PlaceAndShow();

    std::shared_ptr<SuggFetchLink> m_link;
    unsigned m_nLatestRequest = 0;
    bool m_bFailureShown = false;
    int m_nConnectFailures = 0;  // in a row; a reply starts the count again
    // From the Down key in the keyword box until the pop-up hides or the mouse
    // is pressed in the list: selection changes then only highlight.
    bool m_bKeyboardMode = false;

    const EngineManager* m_pCatalogue = nullptr;  // not owned
    bool m_bShortcutList = false;
    // The "!x" word the listed shortcuts would replace, and their tokens.
    size_t m_nWordStart = 0;
    size_t m_nWordEnd = 0;
    std::vector<wxString> m_tokens;
};
