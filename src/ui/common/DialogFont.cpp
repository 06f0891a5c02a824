#include "common/DialogFont.h"

#include <wx/fontenum.h>

wxFont DialogFont(int pointSize)
{
    // The face rarely exists outside Windows; asking GTK for a missing face
    // can end in an unrelated fallback, so the name is dropped then and the
    // Swiss family picks the desktop's sans-serif.
    static const wxString face = "MS UI Gothic";
    static const bool faceExists = wxFontEnumerator::IsValidFacename(face);
    return wxFont(wxFontInfo(pointSize)
                      .Family(wxFONTFAMILY_SWISS)
                      .Style(wxFONTSTYLE_NORMAL)
                      .Weight(wxFONTWEIGHT_NORMAL)
                      .FaceName(faceExists ? face : wxString()));
}
