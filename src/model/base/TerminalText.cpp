#include "base/TerminalText.h"

bool TerminalText::IsControl(wxUint32 c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F);
}

bool TerminalText::HasControl(const wxString& text)
{
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
        if (IsControl((*it).GetValue()))
            return true;
    return false;
}

bool TerminalText::IsUnsafe(wxUint32 c)
{
    return IsControl(c) || c == 0x061C || c == 0x200E || c == 0x200F || (c >= 0x2028 && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069) || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF;
}

wxString TerminalText::Escape(const wxString& text)
{
    wxString out;
    out.reserve(text.length());
    for (wxString::const_iterator it = text.begin(); it != text.end(); ++it)
    {
        const wxUint32 c = (*it).GetValue();
        if (!IsUnsafe(c))
            out += *it;
        else if (c < 0x100)
            out += wxString::Format(wxS("\\x%02x"), static_cast<unsigned>(c));
        else
            out += wxString::Format(wxS("\\u%04x"), static_cast<unsigned>(c));
    }
    return out;
}

wxString TerminalText::EscapeLine(const wxString& line)
{
    wxString out;
    size_t start = 0;
    for (;;)
    {
        const size_t tab = line.find('\t', start);
        out += Escape(line.substr(start, tab == wxString::npos ? wxString::npos : tab - start));
        if (tab == wxString::npos)
            return out;
        out += '\t';
        start = tab + 1;
    }
}
