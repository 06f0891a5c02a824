#pragma once

// Shared helpers for tests that need a display (run under Xvfb).
// Include this instead of <wx/testing.h>: an unexpected or missing modal
// dialog then fails the current GoogleTest case.
#include <gtest/gtest.h>

#include <wx/choicdlg.h>
#include <wx/frame.h>
#include <wx/string.h>
#include <wx/testing.h>

#include <functional>

class GTestDialogHook : public wxTestingModalHook
{
public:
    GTestDialogHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func) {}

protected:
    void ReportFailure(const wxString& msg) override
    {
        ADD_FAILURE() << msg.utf8_string();
    }
};

// Single-choice dialogs (e.g. the interface-language question) answered with
// a button id; derive from wxExpectModalBase to pick a row as well.
template<>
class wxExpectModal<wxSingleChoiceDialog> : public wxExpectDismissableModal<wxSingleChoiceDialog>
{
public:
    explicit wxExpectModal(int id) : wxExpectDismissableModal<wxSingleChoiceDialog>(id) {}
};

#undef wxTEST_DIALOG_HOOK_CLASS
#define wxTEST_DIALOG_HOOK_CLASS GTestDialogHook

// A hidden frame to parent the windows that a test creates.
wxFrame* TestParentFrame();

// Runs the event loop until pred() is true or timeoutMs passed; returns pred().
bool WaitUntil(const std::function<bool()>& pred, int timeoutMs = 10000);

// Runs the event loop for about ms milliseconds (for "nothing happens" checks).
void PumpEvents(int ms);
