// Placeholder until the writer lands.
#include "wxXmlDocumentEx.h"

bool wxXmlDocumentEx::Save(const wxString&, int) const { return false; }
bool wxXmlDocumentEx::Save(wxOutputStream&, int) const { return false; }
