#pragma once

#include <wx/string.h>

// Why an engine or a file was not imported (or exported). Kept in English and
// translated only where it is shown, so the command line can print it as is.
class ImportMessage
{
public:
    ImportMessage() = default;
    // msgid: an English text marked with wxTRANSLATE; "%s" takes `arg`.
    explicit ImportMessage(const char* msgid, const wxString& arg = wxString())
        : m_msgid(msgid), m_arg(arg)
    {
    }

    bool IsEmpty() const { return m_msgid == nullptr; }
    wxString Text(bool translated) const;

private:
    const char* m_msgid = nullptr;
    wxString m_arg;
};
