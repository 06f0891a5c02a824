#pragma once

#include <wx/xml/xml.h>

// wxXmlDocument with the program's own streaming writer: every XML file the
// program writes gets its byte layout here. Each piece is converted and written
// at once; the document is never assembled in memory. Names, text, attribute
// values, comments and CDATA are written in the file encoding, a character it
// lacks as a numeric character reference; the declaration and markup are ASCII.
// A document in UTF-16 or UTF-32, or in an encoding the platform cannot
// convert to, is written as UTF-8 and declared so. Characters that XML 1.0
// forbids are dropped, so what is saved loads again.
class wxXmlDocumentEx : public wxXmlDocument
{
public:
    using wxXmlDocument::wxXmlDocument;

    // Creates or truncates the file; false if it cannot be opened, the
    // document has no root, or the data did not reach the file.
    bool Save(const wxString& filename, int indentstep = 1) const override;
    // False, writing nothing, only when there is no root; stream errors are
    // the caller's to check. A negative step writes no line breaks.
    bool Save(wxOutputStream& stream, int indentstep = 1) const override;
};
