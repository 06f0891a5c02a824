#include "exchange/ImportMessage.h"

#include <wx/intl.h>

wxString ImportMessage::Text(bool translated) const
{
    if (!m_msgid)
        return wxString();
    const wxString format = translated ? wxString(wxGetTranslation(m_msgid)) : wxString(m_msgid);
    if (format.find(wxS("%s")) == wxString::npos)
        return format;
    // Replaced by hand: a translation with a stray '%' must not break formatting.
    wxString text = format;
    text.Replace(wxS("%s"), m_arg, false);
    return text;
}
