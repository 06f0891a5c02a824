#include "ModalGate.h"

#include <wx/dialog.h>

ModalGate::ModalGate()
{
    m_release.Bind(wxEVT_TIMER, &ModalGate::OnRelease, this);
    Register();
}

ModalGate::~ModalGate()
{
    Unregister();
}

void ModalGate::Run(std::function<void()> call, size_t bytes, std::function<void()> dropped)
{
    if (m_nOpenDialogs == 0 && m_held.empty())
    {
        call();
        return;
    }
    m_held.push_back(Held{std::move(call), bytes, std::move(dropped)});
    m_heldBytes += bytes;
    while (m_held.size() > 1 && (m_held.size() > MaxHeld || m_heldBytes > MaxHeldBytes))
    {
        Held oldest = std::move(m_held.front());
        m_held.pop_front();
        m_heldBytes -= oldest.bytes;
        if (oldest.dropped)
            oldest.dropped();
    }
}

int ModalGate::Enter(wxDialog*)
{
    ++m_nOpenDialogs;
    m_release.Stop();
    return wxID_NONE;
}

void ModalGate::Exit(wxDialog*)
{
    if (m_nOpenDialogs > 0)
        --m_nOpenDialogs;
    if (m_nOpenDialogs == 0 && !m_held.empty())
        m_release.StartOnce(1);
}

void ModalGate::OnRelease(wxTimerEvent&)
{
    // A call may open a dialog itself: the rest then waits for it.
    while (m_nOpenDialogs == 0 && !m_held.empty())
    {
        Held next = std::move(m_held.front());
        m_held.pop_front();
        m_heldBytes -= next.bytes;
        next.call();
    }
}
