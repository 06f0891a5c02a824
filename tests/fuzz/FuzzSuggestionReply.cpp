// Feeds arbitrary bytes as a suggestion service reply body, in both formats.
#include "net/SuggestionReply.h"

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
    const std::string body(reinterpret_cast<const char*>(data), size);
    wxArrayString whole;
    SuggestionReply::Parse(body, whole);
    // The OpenSearch reader, with the bounds both readers promise.
    if (SuggestionReply::Detect(body) == SuggestionReply::Format::Json)
        SuggestionReply::ParseJson(body, whole);
    if (whole.size() > SuggestionReply::MaxEntries)
        __builtin_trap();
    for (const wxString& s : whole)
        if (s.length() > SuggestionReply::MaxEntryChars)
            __builtin_trap();
    return 0;
}
