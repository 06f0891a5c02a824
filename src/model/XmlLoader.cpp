#include "XmlLoader.h"

#include <wx/intl.h>
#include <wx/log.h>
#include <wx/strconv.h>
#include <wx/wfstream.h>
#include <wx/xml/xml.h>

#include <expat.h>

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
    void FlushText()
    {
        if (m_textNode)
            m_textNode->SetContent(FromExpat(m_text.data(), m_text.size()));
        m_textNode = nullptr;
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
            // The toolkit judges each piece expat reports on its own: a
            // white-space-only piece that would start a text node is dropped.
            if (IsWhiteOnly(s, size))
                return;
            self.m_textNode = new wxXmlNode(wxXML_TEXT_NODE, wxS("text"), wxString(), self.Line());
            self.Append(self.m_textNode);
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
    wxXmlNode* m_textNode = nullptr;     // text or CDATA node still receiving text
    std::string m_text;                  // its content so far, UTF-8
    int m_depth = 0;
    bool m_tooDeep = false;
    wxString m_version;
    wxString m_encoding = wxS("UTF-8");  // the toolkit's value when none is declared
    wxXmlDoctype m_doctype;
};

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
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser)
    {
        doc.SetDocumentNode(nullptr);
        return false;
    }
    Builder builder(parser.get());
    builder.Install();

    // Same block size and end test as the toolkit: expat splits character
    // data at block ends, and which blank pieces are dropped depends on it.
    constexpr size_t BlockSize = 1024;
    char block[BlockSize];
    bool done = false;
    do
    {
        const size_t len = stream.Read(block, BlockSize).LastRead();
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
