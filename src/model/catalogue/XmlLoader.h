#pragma once

#include <wx/string.h>

class wxInputStream;
class wxXmlDocument;

// Fills a wxXmlDocument the way wxXmlDocument::Load(..., "UTF-8",
// wxXMLDOC_NONE) does (same nodes, attribute order, white-space-only text
// dropped, comments and processing instructions kept, declaration version
// and encoding), in time linear in the input. The toolkit's own loader
// appends every piece of character data to the node's whole content, which
// makes one long text node quadratic: minutes for a 10 MB engine name.
//
// Unlike the toolkit, a failed load leaves the document without a root
// rather than with whatever it held before, and elements nested deeper
// than MaxDepth are refused: node trees are destroyed recursively, so a
// deep enough document would overflow the stack later.
class XmlLoader
{
public:
    static constexpr int MaxDepth = 10000;

    // False, with the error logged, if the file cannot be read or is not
    // well-formed XML.
    static bool Load(wxXmlDocument& doc, const wxString& filename);
    static bool Load(wxXmlDocument& doc, wxInputStream& stream);
};
