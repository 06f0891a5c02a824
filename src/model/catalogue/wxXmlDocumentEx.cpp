#include "catalogue/wxXmlDocumentEx.h"

#include "base/Utf8.h"

#include <wx/buffer.h>
#include <wx/strconv.h>
#include <wx/stream.h>
#include <wx/wfstream.h>

#include <memory>
#include <string>

namespace
{
// State of one Save: the stream, the file-encoding converter (null for UTF-8)
// and a scratch buffer reused by every piece so that writing allocates little.
struct XmlWriter
{
    wxOutputStream& stream;
    wxMBConv* fileConv;
    std::string bytes;
};


// Appends the piece in the narrow file encoding; false if it does not convert.
bool AppendConverted(std::string& out, const wxMBConv& conv, const wxChar* p, size_t n)
{
    const size_t len = conv.FromWChar(nullptr, 0, p, n);
    if (len == wxCONV_FAILED)
        return false;
    const size_t start = out.size();
    out.resize(start + len + 1);
    if (conv.FromWChar(&out[start], len + 1, p, n) == wxCONV_FAILED)
    {
        out.resize(start);
        return false;
    }
    out.resize(start + len);
    return true;
}

void Flush(XmlWriter& w)
{
    if (!w.bytes.empty())
        w.stream.Write(w.bytes.data(), w.bytes.size());
    w.bytes.clear();
}

// Width of the character at p[i] (2 for a surrogate pair), or 0 when XML 1.0
// cannot hold it: C0 controls other than tab, LF and CR, U+FFFE, U+FFFF,
// lone surrogates and values beyond U+10FFFF.
size_t XmlCharWidth(const wxChar* p, size_t i, size_t n)
{
    const wxUint32 c = static_cast<wxUint32>(p[i]);
    if (c < 0x20)
        return c == 0x9 || c == 0xA || c == 0xD ? 1 : 0;
    if (c >= 0xD800 && c <= 0xDBFF)
        return i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF ? 2 : 0;
    if ((c >= 0xDC00 && c <= 0xDFFF) || c == 0xFFFE || c == 0xFFFF || c > 0x10FFFF)
        return 0;
    return 1;
}

// The text without the characters XML cannot hold.
std::wstring XmlAllowedOnly(const wxChar* p, size_t n)
{
    std::wstring allowed;
    allowed.reserve(n);
    for (size_t i = 0, width; i < n; i += width ? width : 1)
    {
        width = XmlCharWidth(p, i, n);
        allowed.append(p + i, width);
    }
    return allowed;
}

// How a piece is converted: markup is ASCII and written as UTF-8; everything
// that may hold other characters goes through the file encoding, or the file
// would not read back as what it declares.
enum class Piece
{
    Markup,
    Text,   // a character the encoding lacks becomes a character reference
    Cdata,  // the same, between two CDATA sections
};

// Writes one piece, converted as a whole, in UTF-8 or in the file encoding.
// A character the file encoding lacks becomes a character reference, so the
// text survives a reload; one that no XML file may hold is dropped, or the
// whole file would fail to load.
void WriteRaw(XmlWriter& w, const wxChar* p, size_t n, Piece piece)
{
    if (n == 0)
        return;
    size_t i = 0;
    for (size_t width; i < n && (width = XmlCharWidth(p, i, n)) != 0; i += width)
    {
    }
    std::wstring allowed;
    if (i < n)
    {
        allowed = XmlAllowedOnly(p, n);
        p = allowed.data();
        n = allowed.size();
        if (n == 0)
            return;
    }
    if (piece == Piece::Markup || !w.fileConv)
    {
        AppendUtf8(w.bytes, p, n);
    }
    else if (!AppendConverted(w.bytes, *w.fileConv, p, n))
    {
        for (size_t i = 0; i < n; ++i)
        {
            size_t width = 1;
            if (p[i] >= 0xD800 && p[i] <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 &&
                p[i + 1] <= 0xDFFF)
                width = 2;
            if (!AppendConverted(w.bytes, *w.fileConv, p + i, width))
            {
                wxUint32 c = static_cast<wxUint32>(p[i]);
                if (width == 2)
                    c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<wxUint32>(p[i + 1]) - 0xDC00);
                const std::string reference = "&#" + std::to_string(c) + ";";
                w.bytes += piece == Piece::Cdata ? "]]>" + reference + "<![CDATA[" : reference;
            }
            i += width - 1;
        }
    }
    Flush(w);
}

void WriteRaw(XmlWriter& w, const wxString& s, Piece piece)
{
    WriteRaw(w, s.wx_str(), s.length(), piece);
}

void WriteAscii(XmlWriter& w, const char* s, size_t n)
{
    w.stream.Write(s, n);
}

template <size_t N> void WriteAscii(XmlWriter& w, const char (&s)[N])
{
    WriteAscii(w, s, N - 1);
}

void WriteEscaped(XmlWriter& w, const wxString& text, bool attribute)
{
    const wxChar* p = text.wx_str();
    size_t n = text.length();
    // Dropped characters go first: the escaped-ampersand rule below must see
    // the text as it is written, or "&<control>amp;" would change again on
    // every save.
    std::wstring allowed;
    for (size_t i = 0, width; i < n; i += width)
    {
        width = XmlCharWidth(p, i, n);
        if (width == 0)
        {
            allowed = XmlAllowedOnly(p, n);
            p = allowed.data();
            n = allowed.size();
            break;
        }
    }
    size_t runStart = 0;
    for (size_t i = 0; i < n; ++i)
    {
        const char* entity = nullptr;
        size_t entityLen = 0;
        switch (p[i])
        {
        case '<':
            entity = "&lt;";
            entityLen = 4;
            break;
        case '>':
            entity = "&gt;";
            entityLen = 4;
            break;
        case '&':
            // An already escaped ampersand is left alone.
            if (!(i + 4 < n && p[i + 1] == 'a' && p[i + 2] == 'm' && p[i + 3] == 'p' &&
                  p[i + 4] == ';'))
            {
                entity = "&amp;";
                entityLen = 5;
            }
            break;
        case '"':
            if (attribute)
            {
                entity = "&quot;";
                entityLen = 6;
            }
            break;
        default:
            break;
        }
        if (!entity)
            continue;
        WriteRaw(w, p + runStart, i - runStart, Piece::Text);
        WriteAscii(w, entity, entityLen);
        runStart = i + 1;
    }
    WriteRaw(w, p + runStart, n - runStart, Piece::Text);
}

bool IsUtf8Name(const wxString& encoding)
{
    return encoding.empty() || encoding.IsSameAs("UTF-8", false) || encoding.IsSameAs("UTF8", false);
}

bool IsAsciiCompatible(const wxString& encoding)
{
    const wxString name = encoding.Upper();
    return !name.StartsWith("UTF-16") && !name.StartsWith("UTF16") && !name.StartsWith("UTF-32") &&
           !name.StartsWith("UTF32") && !name.StartsWith("UCS-2") && !name.StartsWith("UCS2") &&
           !name.StartsWith("UCS-4") && !name.StartsWith("UCS4");
}

void WriteIndent(XmlWriter& w, int indent)
{
    w.bytes.assign(1, '\n');
    if (indent > 0)
        w.bytes.append(2 * static_cast<size_t>(indent), ' ');
    Flush(w);
}

void WriteNode(XmlWriter& w, const wxXmlNode* node, int indent, int step)
{
    switch (node->GetType())
    {
    case wxXML_ELEMENT_NODE:
    {
        WriteAscii(w, "<");
        WriteRaw(w, node->GetName(), Piece::Text);
        for (const wxXmlAttribute* attr = node->GetAttributes(); attr; attr = attr->GetNext())
        {
            WriteAscii(w, " ");
            WriteRaw(w, attr->GetName(), Piece::Text);
            WriteAscii(w, "=\"");
            WriteEscaped(w, attr->GetValue(), true);
            WriteAscii(w, "\"");
        }
        const wxXmlNode* child = node->GetChildren();
        if (!child)
        {
            WriteAscii(w, "/>");
            return;
        }
        WriteAscii(w, ">");
        const wxXmlNode* last = nullptr;
        for (; child; child = child->GetNext())
        {
            if (step >= 0 && child->GetType() != wxXML_TEXT_NODE)
                WriteIndent(w, indent + step);
            WriteNode(w, child, indent + step, step);
            last = child;
        }
        if (step >= 0 && last->GetType() != wxXML_TEXT_NODE)
            WriteIndent(w, indent);
        WriteAscii(w, "</");
        WriteRaw(w, node->GetName(), Piece::Text);
        WriteAscii(w, ">");
        break;
    }
    case wxXML_TEXT_NODE:
        WriteEscaped(w, node->GetContent(), false);
        break;
    case wxXML_CDATA_SECTION_NODE:
        WriteAscii(w, "<![CDATA[");
        WriteRaw(w, node->GetContent(), Piece::Cdata);
        WriteAscii(w, "]]>");
        break;
    case wxXML_COMMENT_NODE:
        WriteAscii(w, "<!--");
        WriteRaw(w, node->GetContent(), Piece::Text);
        WriteAscii(w, "-->");
        break;
    default:
        break;
    }
}
} // namespace

bool wxXmlDocumentEx::Save(const wxString& filename, int indentstep) const
{
    wxFileOutputStream file(filename);
    if (!file.IsOk())
        return false;
    // One write per piece would be one system call per piece.
    wxBufferedOutputStream buffered(file, 64 * 1024);
    if (!Save(buffered, indentstep))
        return false;
    // A full disk must not look like a saved document.
    const bool flushed = buffered.Close();
    return flushed && !file.GetFile()->Error() && file.Close();
}

bool wxXmlDocumentEx::Save(wxOutputStream& stream, int indentstep) const
{
    const wxXmlNode* root = GetRoot();
    if (!root)
        return false;

    // UTF-16 and UTF-32 are not ASCII-compatible: markup written byte by byte
    // would not be what they declare. Such documents, and those in an
    // encoding the platform cannot convert to, are written as UTF-8.
    wxString encoding = GetFileEncoding();
    std::unique_ptr<wxCSConv> conv;
    if (!IsUtf8Name(encoding) && IsAsciiCompatible(encoding))
    {
        conv = std::make_unique<wxCSConv>(encoding);
        if (!conv->IsOk())
            conv.reset();
    }
    if (!conv && (!IsUtf8Name(encoding) || encoding.empty()))
        encoding = "UTF-8";

    XmlWriter w{stream, conv.get(), std::string()};
    w.bytes.reserve(256);
    // A declaration with empty values would not parse again.
    const wxString version = GetVersion().empty() ? wxString("1.0") : GetVersion();
    WriteRaw(w, wxString::Format("<?xml version=\"%s\" encoding=\"%s\"?>\n", version, encoding),
             Piece::Markup);
    WriteNode(w, root, 0, indentstep);
    WriteAscii(w, "\n");
    return true;
}
