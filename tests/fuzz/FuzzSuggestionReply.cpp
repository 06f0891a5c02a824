// Feeds arbitrary bytes as a suggestion service reply body.
#include "SuggestionReply.h"

#include <wx/init.h>
#include <wx/mstream.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    wxMemoryInputStream in(data, size);
    std::string line;
    if (SuggestionReply::ReadFirstLine(in, line, {}, 64 * 1024) ==
        SuggestionReply::LineResult::Line)
    {
        wxArrayString suggestions;
        SuggestionReply::Parse(line, suggestions);
    }
    wxArrayString whole;
    SuggestionReply::Parse(std::string(reinterpret_cast<const char*>(data), size), whole);
    return 0;
}
