// Encodes arbitrary keywords under arbitrary encoding names: the result must
// be plain ASCII that can stand in a URL, and the URL template keeps its other
// '*' characters.
#include "base/KeywordEncoding.h"

#include <wx/init.h>

#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Input: encoding name, a NUL byte, then the keyword's UTF-8 bytes.
    const char* bytes = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(bytes, 0, size);
    size_t nameLen = nul ? static_cast<const char*>(nul) - bytes : 0;
    const char* keywordBytes = nul ? bytes + nameLen + 1 : bytes;
    size_t keywordLen = size - (keywordBytes - bytes);

    wxString encoding = wxString::FromUTF8(bytes, nameLen);
    wxString keyword = wxString::FromUTF8(keywordBytes, keywordLen);
    if (keyword.empty() && keywordLen > 0)
        keyword = wxString(keywordBytes, wxConvISO8859_1, keywordLen);

    wxString encoded;
    EncodeKeyword(keyword, encoding, encoded);
    for (wxUniChar c : encoded)
    {
        if (c.GetValue() > 0x7E || c.GetValue() < 0x21)
            std::abort();
    }
    wxString url = BuildSearchUrl("https://example.org/?q=*&x=*", keyword, encoding);
    if (!url.EndsWith("&x=*"))
        std::abort();
    return 0;
}
