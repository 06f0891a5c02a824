#include "store/ProgramFolder.h"

#include <wx/filename.h>
#include <wx/stdpaths.h>

namespace
{
wxString& Override()
{
    static wxString folder;
    return folder;
}
} // namespace

wxString ProgramFolder::Get()
{
    if (!Override().empty())
        return Override();
    wxFileName exe(wxStandardPaths::Get().GetExecutablePath());
    return exe.GetPath(wxPATH_GET_VOLUME);
}

wxString ProgramFolder::File(const wxString& relative)
{
    return Get() + wxFILE_SEP_PATH + relative;
}

void ProgramFolder::OverrideForTesting(const wxString& folder)
{
    Override() = folder;
}
