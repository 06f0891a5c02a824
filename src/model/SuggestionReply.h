#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <cstddef>
#include <functional>
#include <string>

class wxInputStream;
class wxXmlNode;

// One reply of the keyword-completion service. Only the first line of the body
// counts; it is parsed in memory and also kept as the reply file.
class SuggestionReply
{
public:
    // A longer first line is not read to its end and counts as not well-formed,
    // so a hostile reply cannot exhaust memory.
    static constexpr size_t MaxLineBytes = 1024 * 1024;

    enum class LineResult
    {
        Line,     // a line was read (possibly empty, or cut short by the end of the body)
        Empty,    // the body had no bytes at all
        TooLong,  // no line break within maxBytes
        Stopped   // keepGoing() answered false before the line was complete
    };

    // Reads the body up to its first CR or LF (not included) and returns it in
    // UTF-8. A byte-order mark selects the encoding; UTF-8 otherwise, Latin-1 if
    // the bytes are not valid UTF-8. keepGoing is asked before every read.
    static LineResult ReadFirstLine(wxInputStream& in, std::string& utf8Line,
                                    const std::function<bool()>& keepGoing = {},
                                    size_t maxBytes = MaxLineBytes);

    // The suggestions of one reply line. Returns false, with no suggestions,
    // when the line is not a well-formed XML document.
    static bool Parse(const std::string& utf8Line, wxArrayString& suggestions);

    // The suggestions below a reply's root element (names compared without
    // regard to case): root "toplevel", one entry per leading "CompleteSuggestion"
    // child, its text the "data" attribute of the first "suggestion" child
    // ("-" when missing). An entry without a "suggestion" child is skipped.
    static wxArrayString FromRoot(const wxXmlNode* root);

    // Replaces the reply file with the line. Workers save concurrently, so the
    // writes take turns under one process-wide lock.
    static bool SaveLine(const std::string& utf8Line, const wxString& path = DefaultFile());

    // "conf/sugg_data.xml", relative to the working directory.
    static wxString DefaultFile();
};
