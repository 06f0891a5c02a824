#include "base/KeywordEncoding.h"

#include "base/Utf8.h"

#include <wx/strconv.h>

#include <vector>

// Each name is one the platform converter (iconv) knows.
const wxString EncodingNames[] = {
    "UTF-8",        "GB2312",       "GBK",          "GB18030",      "Big5",
    "Big5-HKSCS",   "Shift_JIS",    "EUC-JP",       "ISO-2022-JP",  "EUC-KR",
    "windows-1250", "windows-1251", "windows-1252", "windows-1256", "KOI8-R",
    "KOI8-U",       "ISO-8859-1",   "ISO-8859-2",   "ISO-8859-5",   "ISO-8859-7",
    "ISO-8859-9",   "ISO-8859-15"};
const size_t EncodingNamesCount = WXSIZEOF(EncodingNames);

namespace
{
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
    // One pass with room to spare and the terminator included: the toolkit
    // miscounts the length of stateful encodings (ISO-2022-JP) in a sizing
    // pass, and only converting the terminator makes the converter return
    // to its initial shift state at the end.
    const size_t maxBytesPerChar = 8;
    std::vector<char> buf(keyword.length() * maxBytesPerChar + 16);
    const size_t len = conv.FromWChar(buf.data(), buf.size(), keyword.wc_str(), keyword.length() + 1);
    if (len == wxCONV_FAILED || len == 0)
        return false;
    bytes.assign(buf.data(), len - 1);
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
    if (urlTemplate.find('*') == wxString::npos)
        return urlTemplate;
    wxString encoded;
    EncodeKeyword(keyword, encoding, encoded);
    return FillUrlTemplate(urlTemplate, encoded);
}

wxString FillUrlTemplate(const wxString& urlTemplate, const wxString& encodedKeyword)
{
    const size_t star = urlTemplate.find('*');
    if (star == wxString::npos)
        return urlTemplate;
    wxString url;
    url.reserve(urlTemplate.length() + encodedKeyword.length());
    url.append(urlTemplate, 0, star);
    url += encodedKeyword;
    url.append(urlTemplate, star + 1, wxString::npos);
    return url;
}
