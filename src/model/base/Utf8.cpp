#include "base/Utf8.h"

void AppendUtf8(std::string& out, const wxChar* p, size_t n)
{
    for (size_t i = 0; i < n; ++i)
    {
        wxUint32 c = static_cast<wxUint32>(p[i]);
        if (c < 0x80)
        {
            out += static_cast<char>(c);
            continue;
        }
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n)
        {
            const wxUint32 low = static_cast<wxUint32>(p[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF)
            {
                c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((c >= 0xD800 && c <= 0xDFFF) || c > 0x10FFFF)
            c = 0xFFFD;
        if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        }
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

std::string ToUtf8(const wxString& text)
{
    std::string out;
    out.reserve(text.length() + 8);
    AppendUtf8(out, text.wx_str(), text.length());
    return out;
}
