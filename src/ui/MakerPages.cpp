#include "MakerPages.h"

#include "base/AppInfo.h"
#include "store/ProgramFolder.h"

#include <wx/filename.h>
#include <wx/utils.h>

namespace
{
std::function<void(const wxString&)>& Opener()
{
    static std::function<void(const wxString&)> opener;
    return opener;
}

wxString HandbookUrl()
{
    return wxFileName::FileNameToURL(wxFileName(ProgramFolder::File(AppInfo::HandbookFile)));
}
} // namespace

bool MakerPages::HandbookStandsIn()
{
    return AppInfo::IsPlaceholderAddress(wxString::FromUTF8(AppInfo::WebSite));
}

wxString MakerPages::WebSite()
{
    return HandbookStandsIn() ? HandbookUrl() : wxString::FromUTF8(AppInfo::WebSite);
}

wxString MakerPages::DownloadPage()
{
    const wxString page = wxString::FromUTF8(AppInfo::DownloadPage);
    return AppInfo::IsPlaceholderAddress(page) ? HandbookUrl() : page;
}

wxString MakerPages::MailAddress()
{
    const wxString mail = wxString::FromUTF8(AppInfo::MailAddress);
    return AppInfo::IsPlaceholderAddress(mail) ? wxString() : mail;
}

void MakerPages::Open(const wxString& address)
{
    if (Opener())
        Opener()(address);
    else
        wxLaunchDefaultBrowser(address, wxBROWSER_NEW_WINDOW);
}

void MakerPages::SetOpenerForTesting(std::function<void(const wxString&)> opener)
{
    Opener() = std::move(opener);
}
