#pragma once

#include <wx/string.h>
#include <wx/thread.h>

#include <functional>
#include <mutex>

class wxEvtHandler;

// What a version-check worker shares with the window that started it; both
// hold it through a shared pointer, so either may finish first. The window
// detaches before it goes away: from then on whatever the worker hands over
// is dropped, and the worker stops reading at the next byte.
class VersionCheckLink
{
public:
    enum class Failure
    {
        Connection,  // the host could not be reached
        HttpStatus,  // the reply's status was outside 200..299
        Unknown      // anything else that stopped the check
    };
    // Receives the version text on the worker thread, under the link's lock.
    using VersionSink = std::function<void(const wxString&)>;

    // target: where message boxes are raised (on its GUI thread).
    VersionCheckLink(wxEvtHandler* target, VersionSink sink);
    VersionCheckLink(const VersionCheckLink&) = delete;
    VersionCheckLink& operator=(const VersionCheckLink&) = delete;

    // GUI thread: the window is going away.
    void Detach();
    bool IsDetached() const;

    // Worker thread.
    void PostVersion(const wxString& version);
    void ReportFailure(Failure failure, int status = 0);
    void MarkFinished();

    // True once the worker has returned from its check.
    bool IsFinished() const;

    // The message shown for a failure; call on the GUI thread (it is translated).
    static wxString FailureMessage(Failure failure, int status);

private:
    mutable std::mutex m_mutex;
    wxEvtHandler* m_pTarget;  // not owned; null once detached
    VersionSink m_sink;
    bool m_bFinished = false;
};
