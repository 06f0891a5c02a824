#include "KeywordEncoding.h"

#include <wx/strconv.h>

#include <vector>

const wxString EncodingNames[] = {"UTF-8", "GB2312"};
const size_t EncodingNamesCount = WXSIZEOF(EncodingNames);

namespace
{
// UTF-8 of a wide string. Code points that have no UTF-8 form (unpaired
// surrogates, values beyond U+10FFFF) become U+FFFD, so encoding never fails.
std::string ToUtf8(const wxString& text)
{
    std::string out;
    out.reserve(text.length() + 8);
    const wxStringCharType* p = text.wx_str();
    const size_t n = text.length();
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
    return out;
}

bool IsUtf8Name(const wxString& encoding)
{
    return encoding.empty() || encoding.IsSameAs("UTF-8", false) ||
           encoding.IsSameAs("UTF8", false);
}

// The keyword in a narrow encoding; false when the converter is unknown or
// some character of the keyword has no form in it.
bool ToCharset(const wxString& keyword, const wxString& encoding, std::string& bytes)
{
    wxCSConv conv(encoding);
    if (!conv.IsOk())
        return false;
    const size_t len = conv.FromWChar(nullptr, 0, keyword.wc_str(), keyword.length());
    if (len == wxCONV_FAILED)
        return false;
    std::vector<char> buf(len + 1);
    if (conv.FromWChar(buf.data(), buf.size(), keyword.wc_str(), keyword.length()) ==
        wxCONV_FAILED)
        return false;
    bytes.assign(buf.data(), len);
    return true;
}

bool IsLiteralByte(unsigned char b)
{
    return (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
           b == '!' || b == '\'' || b == '(' || b == ')' || b == '*' || b == '~';
}
} // namespace

std::string UrlEncode(const std::string& bytes)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 3);
    for (char ch : bytes)
    {
        const unsigned char b = static_cast<unsigned char>(ch);
        if (IsLiteralByte(b))
        {
            out += ch;
        }
        else
        {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 0x0F];
        }
    }
    return out;
}

void EncodeKeyword(const wxString& keyword, const wxString& encoding, wxString& output)
{
    std::string bytes;
    // Engines that expect a legacy code page get it when the keyword fits;
    // otherwise UTF-8 is still a usable query.
    if (keyword.empty() || IsUtf8Name(encoding) || !ToCharset(keyword, encoding, bytes))
        bytes = ToUtf8(keyword);
    const std::string encoded = UrlEncode(bytes);
    output = wxString::FromAscii(encoded.data(), encoded.size());
}

wxString BuildSearchUrl(const wxString& urlTemplate, const wxString& keyword,
                        const wxString& encoding)
{
    const size_t star = urlTemplate.find('*');
    if (star == wxString::npos)
        return urlTemplate;
    wxString encoded;
    EncodeKeyword(keyword, encoding, encoded);
    wxString url = urlTemplate.substr(0, star);
    url += encoded;
    url += urlTemplate.substr(star + 1);
    return url;
}
