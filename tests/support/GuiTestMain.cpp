// Entry point of the display tests: GoogleTest runs inside the real wx event
// loop, started from the first idle event, with toolkit asserts failing the test.
#include "GuiTest.h"

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/image.h>
#include <wx/dialog.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

#include <execinfo.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <thread>

namespace
{
wxFrame* g_parentFrame = nullptr;
int g_realDialogsAllowed = 0;

// A crash names the test it happened in, or the last one that ended when it
// came between tests (from another thread), and where.
char g_lastTest[512] = "the start";
volatile sig_atomic_t g_inTest = 0;

class CurrentTestListener : public ::testing::EmptyTestEventListener
{
    void OnTestStart(const ::testing::TestInfo& info) override
    {
        std::snprintf(g_lastTest, sizeof g_lastTest, "%s.%s", info.test_suite_name(), info.name());
        g_inTest = 1;
    }
    void OnTestEnd(const ::testing::TestInfo&) override { g_inTest = 0; }
};

extern "C" void OnCrash(int signal)
{
    // Only async-signal-safe calls. The web engine installs its own handler
    // later and hands on to this one: the default is put back for the signal
    // raised again, which then ends the process as it would have ended.
    const char* name = signal == SIGSEGV ? "SIGSEGV" : signal == SIGBUS ? "SIGBUS" : signal == SIGILL ? "SIGILL"
                     : signal == SIGFPE  ? "SIGFPE"  : "SIGABRT";
    for (const char* part : {"\n*** ", name, g_inTest ? " in " : " after ",
                             static_cast<const char*>(g_lastTest), "\n"})
        [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, part, std::strlen(part));
    void* frames[64];
    backtrace_symbols_fd(frames, backtrace(frames, 64), STDERR_FILENO);
    struct sigaction fallback{};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    std::raise(signal);
}

void ReportCrashes()
{
    // What the code under test prints reaches the pipe before a crash does.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    ::testing::UnitTest::GetInstance()->listeners().Append(new CurrentTestListener);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // The sanitizers report crashes better themselves.
    void* frames[1];
    backtrace(frames, 1);  // loads the unwinder now, not inside the handler
    struct sigaction action{};
    action.sa_handler = OnCrash;
    action.sa_flags = SA_RESETHAND | SA_NODEFER;
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT})
        sigaction(signal, &action, nullptr);
#endif
}

void OnWxAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
              const wxString& msg)
{
    ADD_FAILURE_AT(file.utf8_string().c_str(), line)
        << "wx assert in " << func.utf8_string() << ": " << cond.utf8_string() << " "
        << msg.utf8_string();
}

// Outside wxTEST_DIALOG a modal dialog is a failure too, and is cancelled
// rather than left waiting for a click.
class UnexpectedDialogHook : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override
    {
        if (g_realDialogsAllowed > 0)
            return wxID_NONE;
        ADD_FAILURE() << "a dialog was shown unexpectedly: " << dialog->GetTitle().utf8_string();
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

class GuiTestApp : public wxApp
{
public:
    bool OnInit() override
    {
        wxInitAllImageHandlers();
        wxSetAssertHandler(OnWxAssert);
        // Log messages would pop up dialogs; send them to stderr instead.
        delete wxLog::SetActiveTarget(new wxLogStderr);
        g_parentFrame = new wxFrame(nullptr, wxID_ANY, "Orvane tests");
        m_dialogHook.Register();
        Bind(wxEVT_IDLE, &GuiTestApp::OnFirstIdle, this);
        return true;
    }

    int OnRun() override
    {
        wxApp::OnRun();
        return m_result;
    }

    int OnExit() override { return wxApp::OnExit(); }

private:
    void OnFirstIdle(wxIdleEvent& event)
    {
        Unbind(wxEVT_IDLE, &GuiTestApp::OnFirstIdle, this);
        event.Skip();
        CallAfter([this] {
            m_result = RUN_ALL_TESTS();
            if (g_parentFrame)
                g_parentFrame->Destroy();
            g_parentFrame = nullptr;
            ExitMainLoop();
        });
    }

    int m_result = 1;
    UnexpectedDialogHook m_dialogHook;
};
} // namespace

RealDialogsAllowed::RealDialogsAllowed()
{
    ++g_realDialogsAllowed;
}

RealDialogsAllowed::~RealDialogsAllowed()
{
    --g_realDialogsAllowed;
}


wxFrame* TestParentFrame() { return g_parentFrame; }

bool WaitUntil(const std::function<bool()>& pred, int timeoutMs)
{
    wxStopWatch sw;
    while (!pred())
    {
        if (sw.Time() > timeoutMs)
            return pred();
        wxYield();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void DrainEvents()
{
    // One yield runs every source that is ready; events it posts in turn are
    // taken by the next round.
    for (int round = 0; round < 100; ++round)
    {
        wxYield();
        if (!wxTheApp->HasPendingEvents())
            break;
    }
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    ReportCrashes();
    wxApp::SetInstance(new GuiTestApp);
    return wxEntry(argc, argv);
}
