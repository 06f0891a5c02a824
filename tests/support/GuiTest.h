#pragma once

// Shared helpers for tests that need a display (run under Xvfb).
// Include this instead of <wx/testing.h>: an unexpected or missing modal
// dialog then fails the current GoogleTest case.
#include <gtest/gtest.h>

#include <wx/choicdlg.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/string.h>
#include <wx/testing.h>
#include <wx/thread.h>

#include <atomic>
#include <functional>
#include <ostream>

// Readable wxString values in assertion messages.
inline void PrintTo(const wxString& text, std::ostream* os)
{
    *os << '"' << text.utf8_string() << '"';
}

class GTestDialogHook : public wxTestingModalHook
{
public:
    GTestDialogHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func) {}

protected:
    // A dialog nobody expected is failed and cancelled, not shown: shown,
    // it would wait for a click that never comes.
    int Enter(wxDialog* dialog) override
    {
        m_bFailed = false;
        const int result = wxTestingModalHook::Enter(dialog);
        return result == wxID_NONE && m_bFailed ? wxID_CANCEL : result;
    }

    void ReportFailure(const wxString& msg) override
    {
        m_bFailed = true;
        ADD_FAILURE() << msg.utf8_string();
    }

private:
    bool m_bFailed = false;
};

// Single-choice dialogs (e.g. the interface-language question) answered with
// a button id; derive from wxExpectModalBase to pick a row as well.
template<>
class wxExpectModal<wxSingleChoiceDialog> : public wxExpectDismissableModal<wxSingleChoiceDialog>
{
public:
    explicit wxExpectModal(int id) : wxExpectDismissableModal<wxSingleChoiceDialog>(id) {}
};

// While one lives, modal dialogs outside wxTEST_DIALOG are shown for real,
// for tests that end them the way the program itself does.
class RealDialogsAllowed
{
public:
    RealDialogsAllowed();
    ~RealDialogsAllowed();
    RealDialogsAllowed(const RealDialogsAllowed&) = delete;
    RealDialogsAllowed& operator=(const RealDialogsAllowed&) = delete;
};

#undef wxTEST_DIALOG_HOOK_CLASS
#define wxTEST_DIALOG_HOOK_CLASS GTestDialogHook

// A message box with exactly this text and caption, shown on the GUI thread
// and answered with OK; counted in *shown when a counter is given.
class ExpectMessage : public wxExpectModalBase<wxMessageDialog, ExpectMessage>
{
public:
    explicit ExpectMessage(const wxString& message, const wxString& caption = "Confirm",
                           std::atomic<int>* shown = nullptr)
        : m_message(message), m_caption(caption), m_shown(shown)
    {
        m_description = "message box \"" + message + "\"";
    }

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_TRUE(wxThread::IsMain());
        EXPECT_EQ(dlg->GetMessage(), m_message);
        EXPECT_EQ(dlg->GetCaption(), m_caption);
        if (m_shown)
            ++*m_shown;
        return wxID_OK;
    }

private:
    wxString m_message, m_caption;
    std::atomic<int>* m_shown;
};

// Stands in for a message box that should not come: fails the test instead
// of leaving a real modal box waiting for a click.
class NoMessage : public wxExpectModalBase<wxMessageDialog, NoMessage>
{
protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        ADD_FAILURE() << "unexpected message box: " << dlg->GetMessage().utf8_string();
        return wxID_OK;
    }
};

// The question before anything is deleted, answered with wxID_YES or wxID_NO.
class ExpectDeleteQuestion : public wxExpectModalBase<wxMessageDialog, ExpectDeleteQuestion>
{
public:
    explicit ExpectDeleteQuestion(int answer) : m_answer(answer) {}

protected:
    int OnInvoked(wxMessageDialog* dlg) const override
    {
        EXPECT_EQ(dlg->GetMessage(), "Do you want to delete?");
        EXPECT_EQ(dlg->GetCaption(), "Confirm");
        EXPECT_TRUE(dlg->GetMessageDialogStyle() & wxYES_NO);
        EXPECT_TRUE(dlg->GetMessageDialogStyle() & wxICON_QUESTION);
        return m_answer;
    }

private:
    int m_answer;
};

// A hidden frame to parent the windows that a test creates.
wxFrame* TestParentFrame();

// Runs the event loop until pred() is true or timeoutMs passed; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 10000);

// Handles every event already queued (the toolkit's and wx's own), so what a
// finished worker posted or a simulated input caused has been processed.
void DrainEvents();
