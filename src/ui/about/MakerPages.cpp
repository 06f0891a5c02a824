#include "about/MakerPages.h"

#include "base/AppInfo.h"
#include "store/ProgramFolder.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

namespace
{
std::function<bool(const wxString&)>& Opener()
{
    static std::function<bool(const wxString&)> opener;
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

bool MakerPages::IsOwnPage(const wxString& address)
{
    return address == HandbookUrl();
}

bool MakerPages::Open(const wxString& address, wxWindow* parent, const PageShower& showInPage)
{
    if (showInPage && IsOwnPage(address) && showInPage(address))
        return true;
    bool started = false;
    if (Opener())
    {
        started = Opener()(address);
    }
    else
    {
        // The toolkit's own report is a bare "error 2" in any language.
        wxLogNull quiet;
        started = wxLaunchDefaultBrowser(address, wxBROWSER_NEW_WINDOW);
    }
    if (!started)
        wxMessageBox(wxString::Format(_("No web browser could be started to open %s."), address),
                     _("Orvane"), wxOK | wxICON_ERROR | wxCENTRE, parent);
    return started;
}

void MakerPages::SetOpenerForTesting(std::function<bool(const wxString&)> opener)
{
    Opener() = std::move(opener);
}
