// Loads the same bytes with XmlLoader and with the toolkit's loader and
// aborts if they disagree on success or on the tree (apart from blanks the
// toolkit loses where its blocks end).
#include "catalogue/XmlLoader.h"

#include <wx/init.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{
void Fail(const char* what, const wxXmlNode* node)
{
    std::fprintf(stderr, "XmlLoader differs from the toolkit: %s at <%s> line %d\n", what,
                 node ? static_cast<const char*>(node->GetName().utf8_str()) : "",
                 node ? node->GetLineNumber() : -1);
    std::abort();
}

// Ours may keep blanks the toolkit drops where a block of the file ends (or
// for a blank character reference such as "&#13;"): spaces, tabs and CRs
// before its text, never a line end.
bool SameContent(const wxXmlNode* ours, const wxXmlNode* theirs)
{
    const wxString& a = ours->GetContent();
    const wxString& b = theirs->GetContent();
    if (a == b)
        return true;
    if (ours->GetType() != wxXML_TEXT_NODE || a.length() <= b.length() || !a.EndsWith(b))
        return false;
    const wxString extra = a.Left(a.length() - b.length());
    return extra.find_first_not_of(" \t\r") == wxString::npos;
}

void CompareSiblings(const wxXmlNode* a, const wxXmlNode* b)
{
    for (; a || b; a = a->GetNext(), b = b->GetNext())
    {
        if (!a || !b)
            Fail("number of children", a ? a : b);
        if (a->GetType() != b->GetType() || a->GetName() != b->GetName() ||
            !SameContent(a, b) || a->GetLineNumber() != b->GetLineNumber())
            Fail("node", a);
        const wxXmlAttribute* x = a->GetAttributes();
        const wxXmlAttribute* y = b->GetAttributes();
        for (; x || y; x = x->GetNext(), y = y->GetNext())
        {
            if (!x || !y || x->GetName() != y->GetName() || x->GetValue() != y->GetValue())
                Fail("attributes", a);
        }
        CompareSiblings(a->GetChildren(), b->GetChildren());
    }
}

int Depth(const wxXmlNode* node)
{
    int deepest = 0;
    for (; node; node = node->GetNext())
        deepest = std::max(deepest, 1 + Depth(node->GetChildren()));
    return deepest;
}

// The toolkit maps encodings expat lacks through a table that keeps stale
// values for bytes the encoding does not define; only the names expat knows
// itself give both loaders the same characters.
bool DeclaresOnlyKnownEncoding(const std::string& bytes)
{
    const size_t pos = bytes.find("encoding");
    if (pos == std::string::npos)
        return true;
    const size_t open = bytes.find_first_of("\"'", pos);
    if (open == std::string::npos)
        return true;
    const size_t close = bytes.find(bytes[open], open + 1);
    std::string name = bytes.substr(open + 1, close == std::string::npos ? 0 : close - open - 1);
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name == "utf-8" || name == "utf-16" || name == "iso-8859-1" || name == "us-ascii";
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    wxLog::EnableLogging(false);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    wxXmlDocument ours;
    wxMemoryInputStream ourStream(data, size);
    const bool ourOk = XmlLoader::Load(ours, ourStream);

    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (!DeclaresOnlyKnownEncoding(bytes))
        return 0;

    wxXmlDocument theirs;
    wxMemoryInputStream theirStream(data, size);
    const bool theirOk = theirs.Load(theirStream, "UTF-8");

    if (ourOk != theirOk)
    {
        // Refusing a tree too deep to destroy safely is deliberate.
        if (theirOk && !ourOk && Depth(theirs.GetDocumentNode()) > XmlLoader::MaxDepth)
            return 0;
        Fail(ourOk ? "only XmlLoader succeeded" : "only the toolkit succeeded", nullptr);
    }
    if (!ourOk)
    {
        if (ours.GetRoot())
            Fail("root left after a failure", ours.GetRoot());
        return 0;
    }
    if (ours.GetVersion() != theirs.GetVersion() ||
        ours.GetFileEncoding() != theirs.GetFileEncoding())
        Fail("declaration", nullptr);
    const wxXmlDoctype& a = ours.GetDoctype();
    const wxXmlDoctype& b = theirs.GetDoctype();
    if (a.GetRootName() != b.GetRootName() || a.GetSystemId() != b.GetSystemId() ||
        a.GetPublicId() != b.GetPublicId())
        Fail("doctype", nullptr);
    CompareSiblings(ours.GetDocumentNode()->GetChildren(), theirs.GetDocumentNode()->GetChildren());
    return 0;
}
