#include "base/ShownAddress.h"

#include "base/TerminalText.h"

#include <wx/wxcrt.h>

namespace
{
int HexValue(wxUniChar c)
{
    const wxUint32 v = c.GetValue();
    if (v >= '0' && v <= '9')
        return static_cast<int>(v - '0');
    if (v >= 'a' && v <= 'f')
        return static_cast<int>(v - 'a' + 10);
    if (v >= 'A' && v <= 'F')
        return static_cast<int>(v - 'A' + 10);
    return -1;
}

// The byte of the escape at `at`, or -1 when there is none.
int EscapedByte(const wxString& text, size_t at)
{
    if (at + 2 >= text.length() || text[at] != '%')
        return -1;
    const int high = HexValue(text[at + 1]);
    const int low = HexValue(text[at + 2]);
    return high < 0 || low < 0 ? -1 : high * 16 + low;
}

// Whether a decoded character may be shown as itself.
bool Showable(wxUint32 c)
{
    return !TerminalText::IsUnsafe(c) && !wxIsspace(static_cast<wxChar>(c)) && c != 0xA0 && c != 0x3000 &&
           c != 0xFEFF && !(c >= 0x2000 && c <= 0x200D) && c != 0x2060;
}
} // namespace

wxString ShownAddress::Decode(const wxString& address)
{
    wxString out;
    out.reserve(address.length());
    size_t i = 0;
    while (i < address.length())
    {
        const int lead = EscapedByte(address, i);
        int length = 0;
        wxUint32 c = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2, c = static_cast<wxUint32>(lead & 0x1F);
        else if (lead >= 0xE0 && lead <= 0xEF)
            length = 3, c = static_cast<wxUint32>(lead & 0x0F);
        else if (lead >= 0xF0 && lead <= 0xF4)
            length = 4, c = static_cast<wxUint32>(lead & 0x07);
        bool valid = length > 0;
        for (int k = 1; valid && k < length; ++k)
        {
            const int next = EscapedByte(address, i + 3 * static_cast<size_t>(k));
            valid = next >= 0x80 && next <= 0xBF;
            c = (c << 6) | static_cast<wxUint32>(next & 0x3F);
        }
        // Overlong forms and surrogates are no characters.
        const wxUint32 least[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= least[length] && c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
        if (valid && Showable(c))
        {
            out += wxUniChar(c);
            i += 3 * static_cast<size_t>(length);
        }
        else
        {
            // The escape (or character) as it was; a whole rejected sequence
            // stays escaped, byte by byte.
            out += address[i];
            ++i;
        }
    }
    return out;
}
