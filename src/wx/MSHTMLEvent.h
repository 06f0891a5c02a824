#pragma once

#include <wx/event.h>

// Browser notification: a text, two numbers and the veto flag of wxNotifyEvent.
class wxMSHTMLEvent : public wxNotifyEvent
{
public:
    wxMSHTMLEvent(wxEventType commandType = wxEVT_NULL, int id = 0)
        : wxNotifyEvent(commandType, id) {}
    wxMSHTMLEvent(const wxMSHTMLEvent& event) = default;

    wxEvent* Clone() const override { return new wxMSHTMLEvent(*this); }

    wxString GetText1() const { return m_text; }
    int GetLong1() const { return m_long1; }
    int GetLong2() const { return m_long2; }

    wxString m_text;
    int m_long1 = 0;
    int m_long2 = 0;

private:
    wxDECLARE_DYNAMIC_CLASS_NO_ASSIGN(wxMSHTMLEvent);
};

wxDECLARE_EVENT(wxEVT_MSHTML_BEFORE_NAVIGATE, wxMSHTMLEvent);
wxDECLARE_EVENT(wxEVT_MSHTML_NEW_WINDOW, wxMSHTMLEvent);
wxDECLARE_EVENT(wxEVT_MSHTML_DOCUMENT_COMPLETE, wxMSHTMLEvent);
wxDECLARE_EVENT(wxEVT_MSHTML_PROGRESS_CHANGE, wxMSHTMLEvent);
wxDECLARE_EVENT(wxEVT_MSHTML_STATUS_TEXT_CHANGE, wxMSHTMLEvent);
wxDECLARE_EVENT(wxEVT_MSHTML_TITLE_CHANGE, wxMSHTMLEvent);
