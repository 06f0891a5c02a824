#pragma once

#include <wx/modalhook.h>

#include <functional>
#include <vector>

// Knows every modal dialog open in the program, those of the toolkit's own
// (message boxes, file choosers) included, so that quitting can end them
// first: a dialog's loop that outlived its parent window would keep the
// program running and crash once answered.
class OpenDialogs : public wxModalDialogHook
{
public:
    OpenDialogs();
    ~OpenDialogs() override;
    OpenDialogs(const OpenDialogs&) = delete;
    OpenDialogs& operator=(const OpenDialogs&) = delete;

    // Ends every open dialog as Cancel and answers any later one Cancel
    // without showing it. `then` runs once no dialog is open any more, on a
    // later turn of the main loop when one was open, so that no dialog's
    // code is still on the stack when it runs.
    void CancelAll(std::function<void()> then);
    size_t Count() const { return m_open.size(); }
    bool IsRefusing() const { return m_bRefusing; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    static void Cancel(wxDialog* dialog);

    std::vector<wxDialog*> m_open;  // innermost last
    bool m_bRefusing = false;
    std::function<void()> m_then;
};
