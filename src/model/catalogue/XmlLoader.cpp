#include "catalogue/XmlLoader.h"

#include "base/Utf8.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/strconv.h>
#include <wx/wfstream.h>
#include <wx/xml/xml.h>

#include <expat.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace
{
wxString FromExpat(const char* s)
{
    return s ? wxString::FromUTF8Unchecked(s) : wxString();
}

wxString FromExpat(const char* s, size_t len)
{
    return wxString::FromUTF8Unchecked(s, len);
}

bool IsWhiteOnly(const char* s, size_t len)
{
    for (size_t i = 0; i < len; ++i)
    {
        if (s[i] != ' ' && s[i] != '\t' && s[i] != '\n' && s[i] != '\r')
            return false;
    }
    return true;
}

// The value of `key="..."` in an XML declaration, read the way the toolkit
// reads it: no blanks around '=', up to the matching quote.
bool DeclarationValue(const std::string& decl, const char* key, wxString& value)
{
    const size_t pos = decl.find(key);
    if (pos == std::string::npos)
        return false;
    const size_t quotePos = pos + std::strlen(key);
    if (quotePos >= decl.size())
        return false;
    const size_t start = quotePos + 1;
    const size_t end = decl.find(decl[quotePos], start);
    value = FromExpat(decl.data() + start,
                      (end == std::string::npos ? decl.size() : end) - start);
    return true;
}

class Builder
{
public:
    explicit Builder(XML_Parser parser)
        : m_parser(parser), m_docNode(new wxXmlNode(wxXML_DOCUMENT_NODE, wxString())),
          m_node(m_docNode.get())
    {
    }

    std::unique_ptr<wxXmlNode> TakeDocument()
    {
        FlushText();
        return std::move(m_docNode);
    }

    bool TooDeep() const { return m_tooDeep; }
    const wxString& Version() const { return m_version; }
    const wxString& Encoding() const { return m_encoding; }
    const wxXmlDoctype& Doctype() const { return m_doctype; }

    void Install()
    {
        XML_SetUserData(m_parser, this);
        XML_SetElementHandler(m_parser, OnStartElement, OnEndElement);
        XML_SetCharacterDataHandler(m_parser, OnText);
        XML_SetCdataSectionHandler(m_parser, OnStartCdata, OnEndCdata);
        XML_SetCommentHandler(m_parser, OnComment);
        XML_SetProcessingInstructionHandler(m_parser, OnProcessingInstruction);
        XML_SetDoctypeDeclHandler(m_parser, OnStartDoctype, OnEndDoctype);
        // A plain default handler (not the "Expand" one) also keeps
        // references to internal entities in text unexpanded, as the
        // toolkit's loader does.
        XML_SetDefaultHandler(m_parser, OnDefault);
        XML_SetUnknownEncodingHandler(m_parser, OnUnknownEncoding, nullptr);
    }

private:
    static Builder& Self(void* userData) { return *static_cast<Builder*>(userData); }

    int Line() const { return static_cast<int>(XML_GetCurrentLineNumber(m_parser)); }

    // Text is gathered in m_text and given to its node once, when the run
    // of character data ends; this is what keeps loading linear.
    //
    // As in the toolkit, a run that is white space only makes no node, and
    // the blank lines that open a run are dropped (expat reports each line
    // end as a piece, and the toolkit drops blank pieces until the first
    // other). Unlike the toolkit, the run is judged by its text, not by the
    // pieces: expat also splits a run where a block of the file ends, and a
    // name must not lose its leading spaces because of where it lies.
    void FlushText()
    {
        if (m_textNode)
        {
            m_textNode->SetContent(FromExpat(m_text.data(), m_text.size()));
        }
        else if (m_inText && !IsWhiteOnly(m_text.data(), m_text.size()))
        {
            size_t blank = 0;
            while (IsWhiteOnly(m_text.data() + blank, 1))
                ++blank;
            size_t start = m_text.rfind('\n', blank);
            int line = m_textLine;
            if (start == std::string::npos || start >= blank)
            {
                start = 0;
            }
            else
            {
                // The line of the piece after that line end ("&#10;" is one
                // without starting a line).
                line = m_lineAfterNewline;
                ++start;
            }
            Append(new wxXmlNode(wxXML_TEXT_NODE, wxS("text"),
                                 FromExpat(m_text.data() + start, m_text.size() - start), line));
        }
        m_textNode = nullptr;
        m_inText = false;
        m_text.clear();
    }

    void Append(wxXmlNode* node)
    {
        m_node->InsertChildAfter(node, m_lastChild);
        m_lastChild = node;
    }

    static void XMLCALL OnStartElement(void* userData, const XML_Char* name, const XML_Char** atts)
    {
        Builder& self = Self(userData);
        self.FlushText();
        if (++self.m_depth > XmlLoader::MaxDepth)
        {
            self.m_tooDeep = true;
            XML_StopParser(self.m_parser, XML_FALSE);
            return;
        }
        auto node = std::make_unique<wxXmlNode>(wxXML_ELEMENT_NODE, FromExpat(name), wxString(),
                                                self.Line());
        // Linked by hand: AddAttribute walks the whole list on every call.
        wxXmlAttribute* last = nullptr;
        for (const XML_Char** a = atts; *a; a += 2)
        {
            auto* attr = new wxXmlAttribute(FromExpat(a[0]), FromExpat(a[1]));
            if (last)
                last->SetNext(attr);
            else
                node->SetAttributes(attr);
            last = attr;
        }
        wxXmlNode* raw = node.release();
        self.Append(raw);
        self.m_node = raw;
        self.m_lastChild = nullptr;
    }

    static void XMLCALL OnEndElement(void* userData, const XML_Char*)
    {
        Builder& self = Self(userData);
        self.FlushText();
        --self.m_depth;
        self.m_lastChild = self.m_node;
        self.m_node = self.m_node->GetParent();
    }

    static void XMLCALL OnText(void* userData, const XML_Char* s, int len)
    {
        Builder& self = Self(userData);
        const size_t size = static_cast<size_t>(len);
        if (!self.m_textNode)
        {
            if (!self.m_inText)
            {
                self.m_inText = true;
                self.m_blankSoFar = true;
                self.m_afterNewline = false;
                self.m_textLine = self.Line();
            }
            // Expat reports every line end as a piece of its own.
            if (self.m_blankSoFar)
            {
                if (self.m_afterNewline)
                    self.m_lineAfterNewline = self.Line();
                self.m_afterNewline = std::memchr(s, '\n', size) != nullptr;
                self.m_blankSoFar = IsWhiteOnly(s, size);
            }
        }
        self.m_text.append(s, size);
    }

    static void XMLCALL OnStartCdata(void* userData)
    {
        Builder& self = Self(userData);
        self.FlushText();
        // A CDATA node exists even when empty or blank.
        self.m_textNode = new wxXmlNode(wxXML_CDATA_SECTION_NODE, wxS("cdata"), wxString(), self.Line());
        self.Append(self.m_textNode);
    }

    static void XMLCALL OnEndCdata(void* userData) { Self(userData).FlushText(); }

    static void XMLCALL OnComment(void* userData, const XML_Char* data)
    {
        Builder& self = Self(userData);
        self.FlushText();
        self.Append(new wxXmlNode(wxXML_COMMENT_NODE, wxS("comment"), FromExpat(data), self.Line()));
    }

    static void XMLCALL OnProcessingInstruction(void* userData, const XML_Char* target,
                                                const XML_Char* data)
    {
        Builder& self = Self(userData);
        self.FlushText();
        self.Append(new wxXmlNode(wxXML_PI_NODE, FromExpat(target), FromExpat(data), self.Line()));
    }

    static void XMLCALL OnStartDoctype(void* userData, const XML_Char* name, const XML_Char* sysid,
                                       const XML_Char* pubid, int)
    {
        Self(userData).m_doctype = wxXmlDoctype(FromExpat(name), FromExpat(sysid), FromExpat(pubid));
    }

    static void XMLCALL OnEndDoctype(void*) {}

    static void XMLCALL OnDefault(void* userData, const XML_Char* s, int len)
    {
        // Only the XML declaration matters here.
        if (len <= 6 || std::memcmp(s, "<?xml ", 6) != 0)
            return;
        Builder& self = Self(userData);
        const std::string decl(s, static_cast<size_t>(len));
        DeclarationValue(decl, "encoding=", self.m_encoding);
        DeclarationValue(decl, "version=", self.m_version);
    }

    // Single-byte encodings expat does not know, through the toolkit's
    // converters. Multi-byte ones get their lead bytes refused, so a
    // document using them fails cleanly instead of loading garbled.
    static int XMLCALL OnUnknownEncoding(void*, const XML_Char* name, XML_Encoding* info)
    {
        wxCSConv conv(FromExpat(name));
        if (!conv.IsOk())
            return XML_STATUS_ERROR;
        info->map[0] = 0;
        for (int byte = 1; byte < 256; ++byte)
        {
            const char in[2] = {static_cast<char>(byte), '\0'};
            wchar_t out[4] = {};
            if (conv.MB2WC(out, in, 2) == wxCONV_FAILED || out[0] == 0)
                info->map[byte] = -1;
            else
                info->map[byte] = static_cast<int>(out[0]);
        }
        info->data = nullptr;
        info->convert = nullptr;
        info->release = nullptr;
        return XML_STATUS_OK;
    }

    XML_Parser m_parser;
    std::unique_ptr<wxXmlNode> m_docNode;
    wxXmlNode* m_node;                   // element being filled (or the document node)
    wxXmlNode* m_lastChild = nullptr;    // last child of m_node
    wxXmlNode* m_textNode = nullptr;     // CDATA node still receiving text
    bool m_inText = false;               // a run of character data is open
    int m_textLine = 0;                  // where it started
    bool m_blankSoFar = false;           // nothing but white space in it yet
    bool m_afterNewline = false;         // its last piece was a line end
    int m_lineAfterNewline = 0;          // where the piece after the last one began
    std::string m_text;                  // its content so far, UTF-8
    int m_depth = 0;
    bool m_tooDeep = false;
    wxString m_version;
    wxString m_encoding = wxS("UTF-8");  // the toolkit's value when none is declared
    wxXmlDoctype m_doctype;
};

// The encoding named by the XML declaration at the start of `head`; empty
// when there is none, or when a byte-order mark says what the bytes are.
wxString DeclaredEncoding(const std::string& head)
{
    if (head.compare(0, 5, "<?xml") != 0)
        return wxString();
    const size_t end = head.find("?>");
    const std::string decl = head.substr(0, end);
    size_t pos = decl.find("encoding");
    if (pos == std::string::npos)
        return wxString();
    pos += 8;
    auto skipBlanks = [&] {
        while (pos < decl.size() && std::strchr(" \t\r\n", decl[pos]))
            ++pos;
    };
    skipBlanks();
    if (pos >= decl.size() || decl[pos] != '=')
        return wxString();
    ++pos;
    skipBlanks();
    if (pos >= decl.size() || (decl[pos] != '"' && decl[pos] != '\''))
        return wxString();
    const size_t close = decl.find(decl[pos], pos + 1);
    if (close == std::string::npos)
        return wxString();
    return wxString::FromUTF8(decl.data() + pos + 1, close - pos - 1);
}

bool IsExpatEncoding(const wxString& name)
{
    for (const char* known : {"UTF-8", "UTF-16", "UTF-16BE", "UTF-16LE", "ISO-8859-1", "US-ASCII"})
        if (name.IsSameAs(known, false))
            return true;
    return false;
}

// Decodes the whole file through the platform's converter into UTF-8.
bool Decode(const std::string& bytes, const wxString& encoding, std::string& utf8, XML_Error& error)
{
    wxArrayString names;
    names.push_back(encoding);
    // Files labelled GB2312 often hold GBK characters; GB18030 reads both.
    if (encoding.IsSameAs("GB2312", false) || encoding.IsSameAs("EUC-CN", false) ||
        encoding.IsSameAs("GBK", false))
    {
        names.push_back("GBK");
        names.push_back("GB18030");
    }
    error = XML_ERROR_UNKNOWN_ENCODING;
    for (const wxString& name : names)
    {
        wxCSConv conv(name);
        if (!conv.IsOk())
            continue;
        const wxString text(bytes.data(), conv, bytes.size());
        if (text.empty() && !bytes.empty())
        {
            error = XML_ERROR_INVALID_TOKEN;
            continue;
        }
        utf8 = ToUtf8(text);
        return true;
    }
    return false;
}

struct ParserFree
{
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};
} // namespace

bool XmlLoader::Load(wxXmlDocument& doc, const wxString& filename)
{
    wxFileInputStream stream(filename);
    if (!stream.IsOk())
    {
        doc.SetDocumentNode(nullptr);
        return false;
    }
    return Load(doc, stream);
}

bool XmlLoader::Load(wxXmlDocument& doc, wxInputStream& stream)
{
    // Same block size and end test as the toolkit.
    constexpr size_t BlockSize = 1024;
    std::string first(BlockSize, '\0');
    first.resize(stream.Read(&first[0], BlockSize).LastRead());

    // Encodings expat cannot read itself are decoded up front, whole, and
    // the text parsed as UTF-8; the document keeps the declared name, so it
    // is written back in the encoding it came in.
    const wxString declared = DeclaredEncoding(first);
    std::string decoded;
    const bool transcode = !declared.empty() && !IsExpatEncoding(declared);
    if (transcode)
    {
        std::string all = std::move(first);
        for (size_t len = all.size(); len == BlockSize;)
        {
            char chunk[BlockSize];
            len = stream.Read(chunk, BlockSize).LastRead();
            all.append(chunk, len);
        }
        XML_Error error = XML_ERROR_NONE;
        if (!Decode(all, declared, decoded, error))
        {
            wxLogError(_("XML parsing error: '%s' at line %d"),
                       wxString(XML_ErrorString(error), wxConvLibc), 1);
            doc.SetDocumentNode(nullptr);
            return false;
        }
    }

    std::unique_ptr<XML_ParserStruct, ParserFree> parser(
        XML_ParserCreate(transcode ? "UTF-8" : nullptr));
    if (!parser)
    {
        doc.SetDocumentNode(nullptr);
        return false;
    }
    Builder builder(parser.get());
    builder.Install();

    size_t offset = 0;
    bool firstBlock = true;
    auto read = [&](char* block) -> size_t {
        if (transcode)
        {
            const size_t len = std::min(BlockSize, decoded.size() - offset);
            std::memcpy(block, decoded.data() + offset, len);
            offset += len;
            return len;
        }
        if (firstBlock)
        {
            firstBlock = false;
            std::memcpy(block, first.data(), first.size());
            return first.size();
        }
        return stream.Read(block, BlockSize).LastRead();
    };

    char block[BlockSize];
    bool done = false;
    do
    {
        const size_t len = read(block);
        done = len < BlockSize;
        if (XML_Parse(parser.get(), block, static_cast<int>(len), done) != XML_STATUS_OK)
        {
            const wxString error = builder.TooDeep()
                ? wxString(_("elements nested too deeply"))
                : wxString(XML_ErrorString(XML_GetErrorCode(parser.get())), wxConvLibc);
            wxLogError(_("XML parsing error: '%s' at line %d"), error,
                       static_cast<int>(XML_GetCurrentLineNumber(parser.get())));
            doc.SetDocumentNode(nullptr);
            return false;
        }
    } while (!done);

    if (!builder.Version().empty())
        doc.SetVersion(builder.Version());
    if (!builder.Encoding().empty())
        doc.SetFileEncoding(builder.Encoding());
    doc.SetDoctype(builder.Doctype());
    doc.SetDocumentNode(builder.TakeDocument().release());
    return true;
}
