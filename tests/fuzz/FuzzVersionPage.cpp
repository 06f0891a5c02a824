// Feeds arbitrary bytes as the version page, whole and in small pieces; both
// ways must agree.
#include "pages/VersionPage.h"

#include <wx/init.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* bytes = reinterpret_cast<const char*>(data);
    VersionPage whole;
    if (!whole.Feed(bytes, size))
        whole.Finish();

    VersionPage pieces;
    bool done = false;
    for (size_t pos = 0; pos < size && !done; pos += 3)
        done = pieces.Feed(bytes + pos, size - pos < 3 ? size - pos : 3);
    if (!done)
        pieces.Finish();

    if (whole.Result() != pieces.Result())
        std::abort();
    VersionPage::Parse(std::string(bytes, size));
    return 0;
}
