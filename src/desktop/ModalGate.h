#pragma once

#include <wx/modalhook.h>
#include <wx/timer.h>

#include <deque>
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

    // At most this many calls, of this many bytes in all, wait; beyond
    // that the oldest are dropped: a caller that floods the window while a
    // dialog is open must not grow it without end.
    static constexpr size_t MaxHeld = 32;
    static constexpr size_t MaxHeldBytes = 1024 * 1024;

    // Runs `call` now, or after the open dialogs have closed. Calls not yet
    // run when the gate goes are dropped. `bytes`: what the held call keeps;
    // `dropped` runs instead of `call` when it is dropped to make room.
    void Run(std::function<void()> call, size_t bytes = 0, std::function<void()> dropped = nullptr);
    size_t HeldCount() const { return m_held.size(); }
    bool IsHolding() const { return m_nOpenDialogs > 0; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    void OnRelease(wxTimerEvent& event);

    struct Held
    {
        std::function<void()> call;
        size_t bytes = 0;
        std::function<void()> dropped;
    };
    int m_nOpenDialogs = 0;
    std::deque<Held> m_held;
    size_t m_heldBytes = 0;
    // Fires on the next turn of the loop: the dialog's ShowModal has returned.
    wxTimer m_release;
};
