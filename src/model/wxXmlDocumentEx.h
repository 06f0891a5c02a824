#pragma once

#include <wx/xml/xml.h>

// wxXmlDocument with the program's own streaming writer.
class wxXmlDocumentEx : public wxXmlDocument
{
public:
    using wxXmlDocument::wxXmlDocument;

    bool Save(const wxString& filename, int indentstep = 1) const override;
    bool Save(wxOutputStream& stream, int indentstep = 1) const override;
};
