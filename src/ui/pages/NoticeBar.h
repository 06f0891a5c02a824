#pragma once

#include <wx/panel.h>

#include <functional>

class wxButton;
class wxGauge;
class wxStaticBitmap;
class wxStaticText;

// A one-line notice under the result pages: a download running (its name
// and progress), saved (with Open and Show in Folder) or failed. Stays
// until it is closed or replaced, never takes the focus.
class NoticeBar : public wxPanel
{
public:
    explicit NoticeBar(wxWindow* parent);

    // A plain notice, e.g. a failure; no file buttons.
    void SetNotice(const wxString& text, bool problem);
    // total 0: the site did not tell the size.
    void ShowProgress(const wxString& name, unsigned long long received, unsigned long long total);
    // "Saved "name" to folder", with buttons that open the file and its folder.
    void ShowSaved(const wxString& path);
    wxString GetNotice() const;
    // The file the buttons act on; empty when they are hidden.
    const wxString& GetSavedPath() const { return m_strSavedPath; }

    // Hands a local file or folder to the desktop's default handler; false
    // when nothing could be started. Tests replace it; an empty function
    // restores the desktop's handler.
    using Opener = std::function<bool(const wxString& path)>;
    static void SetOpener(Opener opener);

    // Asked to close; the window hides the bar.
    std::function<void()> m_onClose;
    // Asked to cancel the download whose progress is on show.
    std::function<void(const wxString& name)> m_onCancel;

    wxStaticText* m_pText = nullptr;
    wxGauge* m_pGauge = nullptr;
    wxButton* m_pButtonOpen = nullptr;
    wxButton* m_pButtonShowFolder = nullptr;
    wxButton* m_pButtonCancel = nullptr;
    wxButton* m_pButtonClose = nullptr;

private:
    void SetText(const wxString& text, bool problem);
    void OpenSaved(bool folder);

    wxStaticBitmap* m_pIcon = nullptr;
    wxString m_strSavedPath;
    wxString m_strRunningName;  // the download on show, while it runs
    void ShowCancel(bool show);
};
