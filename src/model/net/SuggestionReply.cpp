#include "net/SuggestionReply.h"

#include "store/ProgramFolder.h"

#include <wx/convauto.h>
#include <wx/file.h>
#include <wx/log.h>
#include <wx/stream.h>
#include <wx/thread.h>

#include <expat.h>
#include <nlohmann/json.hpp>

#include <climits>
#include <memory>
#include <strings.h>

namespace
{
// True once the first bytes rule out (or confirm) a UTF-16/32 byte-order mark.
// In those encodings a CR or LF byte can be half of another character, so the
// line end is only looked for after decoding.
enum class Width { Unknown, Narrow, Wide };

Width DetectWidth(const std::string& raw)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(raw[i]); };
    if (raw.empty())
        return Width::Unknown;
    const unsigned char b0 = byte(0);
    if (b0 != 0xFF && b0 != 0xFE && b0 != 0x00)
        return Width::Narrow;
    if (raw.size() < 2)
        return Width::Unknown;
    if ((b0 == 0xFF && byte(1) == 0xFE) || (b0 == 0xFE && byte(1) == 0xFF))
        return Width::Wide;
    if (b0 != 0x00 || byte(1) != 0x00)
        return Width::Narrow;
    if (raw.size() < 4)
        return Width::Unknown;
    return byte(2) == 0xFE && byte(3) == 0xFF ? Width::Wide : Width::Narrow;
}

wxMutex& ReplyFileLock()
{
    static wxMutex lock;
    return lock;
}

bool IsNamed(const char* name, const char* wanted) { return strcasecmp(name, wanted) == 0; }

wxString Cut(wxString text)
{
    if (text.length() > SuggestionReply::MaxEntryChars)
        text.Truncate(SuggestionReply::MaxEntryChars);
    return text;
}

void AddEntry(wxArrayString& list, const wxString& text)
{
    if (list.size() < SuggestionReply::MaxEntries)
        list.Add(Cut(text));
}

// Walks the toolbar reply as expat reads it; no tree is built.
class ToolbarReader
{
public:
    ToolbarReader(XML_Parser parser, wxArrayString& out) : m_parser(parser), m_out(out)
    {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, OnStart, OnEnd);
        XML_SetStartDoctypeDeclHandler(parser, OnDoctype);
    }
    bool Refused() const { return m_refused; }

private:
    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** atts)
    {
        static_cast<ToolbarReader*>(self)->Start(name, atts);
    }
    static void XMLCALL OnEnd(void* self, const XML_Char*)
    {
        static_cast<ToolbarReader*>(self)->End();
    }
    static void XMLCALL OnDoctype(void* self, const XML_Char*, const XML_Char*, const XML_Char*,
                                  int)
    {
        // Only a document type can declare entities; a reply has no use for one.
        auto& reader = *static_cast<ToolbarReader*>(self);
        reader.m_refused = true;
        XML_StopParser(reader.m_parser, XML_FALSE);
    }

    void Start(const char* name, const char** atts)
    {
        ++m_depth;
        if (m_depth == 1)
        {
            m_rootOk = IsNamed(name, "toplevel");
        }
        else if (m_depth == 2 && m_rootOk && !m_walkEnded)
        {
            m_inEntry = IsNamed(name, "CompleteSuggestion");
            m_walkEnded = !m_inEntry;
            m_hasSuggestion = false;
        }
        else if (m_depth == 3 && m_inEntry && !m_hasSuggestion && IsNamed(name, "suggestion"))
        {
            m_hasSuggestion = true;
            m_text = "-";
            for (const char** a = atts; *a; a += 2)
            {
                if (IsNamed(a[0], "data"))
                {
                    m_text = wxString::FromUTF8(a[1]);
                    break;
                }
            }
        }
    }

    void End()
    {
        if (m_depth == 2 && m_inEntry)
        {
            if (m_hasSuggestion)
                AddEntry(m_out, m_text);
            m_inEntry = false;
        }
        --m_depth;
    }

    XML_Parser m_parser;
    wxArrayString& m_out;
    int m_depth = 0;
    bool m_rootOk = false;
    bool m_walkEnded = false;
    bool m_inEntry = false;
    bool m_hasSuggestion = false;
    bool m_refused = false;
    wxString m_text;
};

struct ParserFree
{
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

// The strings of the second element of a top-level array, as the JSON
// parser meets them; everything else is only checked for well-formedness.
class OpenSearchReader : public nlohmann::json_sax<nlohmann::json>
{
public:
    explicit OpenSearchReader(wxArrayString& out) : m_out(out) {}
    bool Found() const { return m_found; }

    bool null() override { return Scalar(); }
    bool boolean(bool) override { return Scalar(); }
    bool number_integer(number_integer_t) override { return Scalar(); }
    bool number_unsigned(number_unsigned_t) override { return Scalar(); }
    bool number_float(number_float_t, const string_t&) override { return Scalar(); }
    bool binary(binary_t&) override { return Scalar(); }
    bool string(string_t& text) override
    {
        const bool listed = m_collecting && m_depth == 2;
        if (!Scalar())
            return false;
        if (listed)
            AddEntry(m_out, wxString::FromUTF8(text.data(), text.size()));
        return true;
    }
    bool start_object(std::size_t) override
    {
        if (m_depth == 0)
            return false;  // the reply is an array
        Element();
        ++m_depth;
        return true;
    }
    bool key(string_t&) override { return true; }
    bool end_object() override
    {
        --m_depth;
        return true;
    }
    bool start_array(std::size_t) override
    {
        Element();
        if (m_depth == 1 && m_index == 1)
            m_collecting = true;
        ++m_depth;
        return true;
    }
    bool end_array() override
    {
        --m_depth;
        if (m_collecting && m_depth == 1)
        {
            m_collecting = false;
            m_found = true;
        }
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override
    {
        return false;
    }

private:
    bool Scalar()
    {
        if (m_depth == 0)
            return false;
        Element();
        return true;
    }
    void Element()
    {
        if (m_depth == 1)
            ++m_index;
    }

    wxArrayString& m_out;
    int m_depth = 0;
    long m_index = -1;  // of the current element of the top-level array
    bool m_collecting = false;
    bool m_found = false;
};
} // namespace

SuggestionReply::LineResult SuggestionReply::ReadFirstLine(wxInputStream& in, std::string& utf8Line,
                                                           const std::function<bool()>& keepGoing,
                                                           size_t maxBytes)
{
    utf8Line.clear();
    std::string raw;
    Width width = Width::Unknown;
    bool lineEnded = false;
    char buf[4096];
    for (;;)
    {
        if (keepGoing && !keepGoing())
            return LineResult::Stopped;
        in.Read(buf, sizeof buf);
        const size_t got = in.LastRead();
        if (got == 0)
            break;
        const size_t searchFrom = width == Width::Unknown ? 0 : raw.size();
        raw.append(buf, got);
        if (width == Width::Unknown)
            width = DetectWidth(raw);
        if (width == Width::Narrow)
        {
            const size_t end = raw.find_first_of("\r\n", searchFrom);
            if (end != std::string::npos)
            {
                raw.resize(end);
                lineEnded = true;
            }
        }
        if (raw.size() > maxBytes)
            return LineResult::TooLong;
        if (lineEnded)
            break;
    }
    if (raw.empty() && !lineEnded)
        return LineResult::Empty;

    wxString line(raw.data(), wxConvAuto(), raw.size());
    const size_t end = line.find_first_of("\r\n");
    if (end != wxString::npos)
        line.erase(end);
    utf8Line = line.utf8_string();
    return LineResult::Line;
}

SuggestionReply::Format SuggestionReply::Detect(const std::string& body)
{
    size_t i = body.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    if (i == 0 && DetectWidth(body) == Width::Wide)
        return Format::Xml;
    i = body.find_first_not_of(" \t\r\n", i);
    if (i == std::string::npos)
        return Format::Unknown;
    switch (body[i])
    {
        case '[': return Format::Json;
        case '<': return Format::Xml;
        default: return Format::Unknown;
    }
}

bool SuggestionReply::Parse(const std::string& utf8Line, wxArrayString& suggestions)
{
    suggestions.clear();
    if (utf8Line.empty() || utf8Line.size() > static_cast<size_t>(INT_MAX))
        return false;
    // The line is UTF-8 whatever its declaration says: ReadFirstLine made it so.
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate("UTF-8"));
    if (!parser)
        return false;
    ToolbarReader reader(parser.get(), suggestions);
    const bool ok = XML_Parse(parser.get(), utf8Line.data(), static_cast<int>(utf8Line.size()),
                              XML_TRUE) == XML_STATUS_OK &&
                    !reader.Refused();
    if (!ok)
        suggestions.clear();
    return ok;
}

bool SuggestionReply::ParseJson(const std::string& utf8Body, wxArrayString& suggestions)
{
    suggestions.clear();
    OpenSearchReader reader(suggestions);
    const bool ok = nlohmann::json::sax_parse(utf8Body.begin(), utf8Body.end(), &reader) &&
                    reader.Found();
    if (!ok)
        suggestions.clear();
    return ok;
}

bool SuggestionReply::SaveLine(const std::string& utf8Line, const wxString& path)
{
    wxMutexLocker lock(ReplyFileLock());
    // A missing conf folder is not worth a message from a worker thread.
    wxLogNull noLog;
    wxFile file;
    if (!file.Create(path, true))
        return false;
    return file.Write(utf8Line.data(), utf8Line.size()) == utf8Line.size() && file.Close();
}

wxString SuggestionReply::DefaultFile() { return ProgramFolder::File("conf/sugg_data.xml"); }
