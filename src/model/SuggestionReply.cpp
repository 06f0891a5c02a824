#include "SuggestionReply.h"
#include "XmlLoader.h"

#include <wx/convauto.h>
#include <wx/file.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/thread.h>
#include <wx/xml/xml.h>

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

bool IsNamed(const wxXmlNode* node, const char* name)
{
    return node->GetType() == wxXML_ELEMENT_NODE && node->GetName().IsSameAs(name, false);
}
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

bool SuggestionReply::Parse(const std::string& utf8Line, wxArrayString& suggestions)
{
    suggestions.clear();
    if (utf8Line.empty())
        return false;
    // The loader logs parse errors; a bad reply is not worth a message.
    wxLogNull noLog;
    wxMemoryInputStream in(utf8Line.data(), utf8Line.size());
    wxXmlDocument doc;
    if (!XmlLoader::Load(doc, in))
        return false;
    suggestions = FromRoot(doc.GetRoot());
    return true;
}

wxArrayString SuggestionReply::FromRoot(const wxXmlNode* root)
{
    wxArrayString result;
    if (!root || !IsNamed(root, "toplevel"))
        return result;
    for (const wxXmlNode* entry = root->GetChildren(); entry; entry = entry->GetNext())
    {
        // Text and comments between entries are not entries.
        if (entry->GetType() != wxXML_ELEMENT_NODE)
            continue;
        if (!IsNamed(entry, "CompleteSuggestion"))
            break;
        const wxXmlNode* suggestion = entry->GetChildren();
        while (suggestion && !IsNamed(suggestion, "suggestion"))
            suggestion = suggestion->GetNext();
        if (!suggestion)
            continue;
        wxString text = "-";
        for (const wxXmlAttribute* attr = suggestion->GetAttributes(); attr; attr = attr->GetNext())
        {
            if (attr->GetName().IsSameAs("data", false))
            {
                text = attr->GetValue();
                break;
            }
        }
        result.Add(text);
    }
    return result;
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

wxString SuggestionReply::DefaultFile() { return "conf/sugg_data.xml"; }
