#pragma once

#include <wx/modalhook.h>
#include <wx/timer.h>

#include <functional>
#include <vector>

// Holds calls from outside the window (the desktop, a later start) while a
// modal dialog is open, and runs them once the last one has closed: a search
// must not start behind a dialog the person is answering.
class ModalGate : public wxModalDialogHook
{
public:
    ModalGate();
    ~ModalGate() override;
    ModalGate(const ModalGate&) = delete;
    ModalGate& operator=(const ModalGate&) = delete;

    // Runs `call` now, or after the open dialogs have closed. Calls not yet
    // run when the gate goes are dropped.
    void Run(std::function<void()> call);
    bool IsHolding() const { return m_nOpenDialogs > 0; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    void OnRelease(wxTimerEvent& event);

    int m_nOpenDialogs = 0;
    std::vector<std::function<void()>> m_held;
    // Fires on the next turn of the loop: the dialog's ShowModal has returned.
    wxTimer m_release;
};
