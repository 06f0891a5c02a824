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

void ModalGate::Run(std::function<void()> call)
{
    if (m_nOpenDialogs == 0 && m_held.empty())
        call();
    else
        m_held.push_back(std::move(call));
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
        std::function<void()> call = std::move(m_held.front());
        m_held.erase(m_held.begin());
        call();
    }
}
