#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

#include <cstddef>
#include <functional>
#include <string>

class wxInputStream;

// One reply of a keyword-completion service, in one of two formats: the
// toolbar XML (only the first line of the body counts; it is parsed in memory
// and also kept as the reply file) or an OpenSearch suggestions array in JSON.
// Replies come from outside: both parsers bound what they hand on.
class SuggestionReply
{
public:
    // A longer first line is not read to its end and counts as not well-formed,
    // so a hostile reply cannot exhaust memory.
    static constexpr size_t MaxLineBytes = 1024 * 1024;
    // At most this many suggestions, each cut to this many characters.
    static constexpr size_t MaxEntries = 20;
    static constexpr size_t MaxEntryChars = 1024;

    enum class Format
    {
        Xml,      // first non-blank character '<' (or a UTF-16 byte-order mark)
        Json,     // first non-blank character '['
        Unknown
    };
    // Recognises the format from the first non-blank character of the body
    // (after a UTF-8 byte-order mark).
    static Format Detect(const std::string& body);

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

    // The suggestions of one XML reply line (names compared without regard to
    // case): root "toplevel", one entry per leading "CompleteSuggestion" child,
    // its text the "data" attribute of the first "suggestion" child ("-" when
    // missing); an entry without a "suggestion" child is skipped. Returns
    // false, with no suggestions, when the line is not a well-formed XML
    // document or has a document type declaration (which could declare
    // entities that expand); the predefined entities and character references
    // are read as usual.
    static bool Parse(const std::string& utf8Line, wxArrayString& suggestions);

    // The suggestions of an OpenSearch reply, ["query", ["s1", "s2", ...], ...]:
    // the strings of the second element. Returns false, with no suggestions,
    // when the body is not well-formed JSON in UTF-8 or has no such list.
    static bool ParseJson(const std::string& utf8Body, wxArrayString& suggestions);

    // Replaces the reply file with the line. Workers save concurrently, so the
    // writes take turns under one process-wide lock.
    static bool SaveLine(const std::string& utf8Line, const wxString& path = DefaultFile());

    // "conf/sugg_data.xml" in the program folder.
    static wxString DefaultFile();
};
