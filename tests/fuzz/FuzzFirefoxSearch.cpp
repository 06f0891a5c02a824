// Feeds arbitrary bytes to the Firefox engine-file reader, both as the whole
// file (header and LZ4 block) and as the JSON inside a well-formed file, so
// that the fuzzer reaches the field rules as well as the decoder. An engine
// read without a problem must carry a usable web address.
#include "exchange/FirefoxSearchFile.h"

#include <wx/init.h>

#include <lz4.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    return 0;
}

namespace
{
void Check(const std::string& file)
{
    std::vector<BrowserEngine> engines;
    ImportMessage error;
    if (!FirefoxSearchFile::Read(file, engines, error))
    {
        if (error.IsEmpty() || !engines.empty())
            std::abort();
        return;
    }
    for (const BrowserEngine& e : engines)
    {
        const wxString url = e.engine.m_strUrl.Lower();
        if (e.problem.IsEmpty() &&
            (e.engine.m_strName.empty() || url.find('*') == wxString::npos ||
             !(url.StartsWith("http://") || url.StartsWith("https://"))))
            std::abort();
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    Check(bytes);

    std::string file("mozLz40\0", 8);
    for (int i = 0; i < 4; ++i)
        file += static_cast<char>((size >> (8 * i)) & 0xff);
    std::string block(static_cast<size_t>(LZ4_compressBound(static_cast<int>(size))), '\0');
    const int n = LZ4_compress_default(bytes.data(), block.data(), static_cast<int>(size),
                                       static_cast<int>(block.size()));
    if (n > 0)
        Check(file + block.substr(0, static_cast<size_t>(n)));
    return 0;
}
