#include "about/AboutDlg.h"

#include "base/AppInfo.h"
#include "common/DialogFont.h"
#include "about/MakerPages.h"
#include "store/ProgramFolder.h"

#include <wx/bmpbuttn.h>
#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/platinfo.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/utils.h>
#include <wx/versioninfo.h>

#include <algorithm>

#define ABOUTDLG_DEFINE_ID(name) const long AboutDlg::name = wxNewId()
ABOUTDLG_DEFINE_ID(ID_STATICBITMAP2);
ABOUTDLG_DEFINE_ID(ID_STATICBITMAP1);
ABOUTDLG_DEFINE_ID(ID_STATICTEXT1);
ABOUTDLG_DEFINE_ID(ID_STATICTEXT2);
ABOUTDLG_DEFINE_ID(ID_STATICTEXT3);
ABOUTDLG_DEFINE_ID(ID_STATICTEXT5);
ABOUTDLG_DEFINE_ID(ID_HYPERLINKCTRL1);
ABOUTDLG_DEFINE_ID(ID_HYPERLINKCTRL2);
ABOUTDLG_DEFINE_ID(ID_STATICTEXT4);
ABOUTDLG_DEFINE_ID(ID_STATICTEXT7);
ABOUTDLG_DEFINE_ID(ID_BITMAPBUTTON1);

namespace
{
// A picture that cannot be loaded leaves its control empty; wxImage has
// already logged why.
wxBitmap LoadPicture(const wxString& relative, int maxSide = 0)
{
    wxImage image;
    if (!image.LoadFile(ProgramFolder::File(relative), wxBITMAP_TYPE_ANY) || !image.IsOk())
        return wxNullBitmap;
    const int side = std::max(image.GetWidth(), image.GetHeight());
    if (maxSide > 0 && side > maxSide)
        image.Rescale(image.GetWidth() * maxSide / side, image.GetHeight() * maxSide / side,
                      wxIMAGE_QUALITY_HIGH);
    return wxBitmap(image);
}

wxStaticText* NewText(wxWindow* parent, long id, const wxString& label, const char* name)
{
    return new wxStaticText(parent, id, label, wxDefaultPosition, wxDefaultSize, 0, name);
}
} // namespace

AboutDlg::AboutDlg(wxWindow* parent, wxWindowID id)
{
    Create(parent, id, _("About..."), wxDefaultPosition, wxDefaultSize,
           wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX, "id");
    SetFont(DialogFont(9));

    m_pLogo = new wxStaticBitmap(this, ID_STATICBITMAP2, LoadPicture("img/keldrin_logo.bmp"),
                                 wxDefaultPosition, wxDefaultSize, 0, "ID_STATICBITMAP2");
    m_pIcon = new wxStaticBitmap(this, ID_STATICBITMAP1, LoadPicture("img/Orvane.ico", 96),
                                 wxDefaultPosition, wxDefaultSize, 0, "ID_STATICBITMAP1");
    m_pName = NewText(this, ID_STATICTEXT1, _("Orvane"), "ID_STATICTEXT1");
    m_pName->SetFont(GetFont().Larger().Larger().Bold());
    m_pVersion = NewText(this, ID_STATICTEXT2, VersionLine(), "ID_STATICTEXT2");
    m_pNotice = NewText(this, ID_STATICTEXT3,
                        _("Copyright (C) 2011 Keldrin. Licensed under the GNU GPL, version 3 or later."),
                        "ID_STATICTEXT3");
    m_pToolkit = NewText(this, ID_STATICTEXT5, ToolkitLine(), "ID_STATICTEXT5");

    // While the maker has no public site the handbook stands in for it, and a
    // placeholder mail address is not offered at all.
    const wxString site = MakerPages::WebSite();
    const wxString mail = MakerPages::MailAddress();
    m_pWebLink = new wxHyperlinkCtrl(this, ID_HYPERLINKCTRL1,
                                     MakerPages::HandbookStandsIn() ? _("Orvane handbook") : site,
                                     site, wxDefaultPosition, wxDefaultSize, wxHL_DEFAULT_STYLE,
                                     "ID_HYPERLINKCTRL1");
    m_pMailLink = new wxHyperlinkCtrl(this, ID_HYPERLINKCTRL2, mail.empty() ? wxString("-") : mail,
                                      "mailto:" + mail, wxDefaultPosition, wxDefaultSize,
                                      wxHL_DEFAULT_STYLE, "ID_HYPERLINKCTRL2");
    m_pMailLink->Show(!mail.empty());

    m_pThanks = NewText(this, ID_STATICTEXT4, _("Special thanks to:"), "ID_STATICTEXT4");
    // TRANSLATORS: credit yourself here, e.g. "German translation: Jane Doe".
    m_pTranslator = NewText(this, ID_STATICTEXT7,
                            _("Everyone who translated Orvane into their language."),
                            "ID_STATICTEXT7");

    m_pDownloadButton = new wxBitmapButton(this, ID_BITMAPBUTTON1,
                                           LoadPicture("img/keldrin_stat_01.jpg"),
                                           wxDefaultPosition, wxDefaultSize, wxBU_AUTODRAW,
                                           wxDefaultValidator, "ID_BITMAPBUTTON1");
    const wxBitmap thumbnail = LoadPicture("img/keldrin_site_thumb.jpg");
    if (thumbnail.IsOk())
        m_pDownloadButton->SetBitmapFocus(thumbnail);
    m_pDownloadButton->SetToolTip(MakerPages::HandbookStandsIn() ? _("Open the handbook")
                                                                 : _("Open the download page"));

    m_pOkButton = new wxButton(this, wxID_OK, _("&OK"), wxDefaultPosition, wxDefaultSize, 0,
                               wxDefaultValidator, "wxID_OK");

    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(m_pName, 0, wxEXPAND | wxTOP | wxLEFT | wxRIGHT, 4);
    column->Add(m_pVersion, 0, wxEXPAND | wxTOP | wxLEFT | wxRIGHT, 4);
    column->Add(m_pNotice, 0, wxEXPAND | wxTOP | wxLEFT | wxRIGHT, 4);
    column->Add(m_pToolkit, 0, wxEXPAND | wxALL, 4);
    column->AddStretchSpacer(1);
    column->Add(m_pWebLink, 0, wxTOP | wxLEFT | wxRIGHT, 4);
    column->Add(m_pMailLink, 0, wxALL, 4);
    column->AddStretchSpacer(1);
    column->Add(m_pThanks, 0, wxEXPAND | wxTOP | wxLEFT | wxRIGHT, 4);
    column->Add(m_pTranslator, 0, wxEXPAND | wxALL, 4);
    column->Add(m_pDownloadButton, 0, wxALL, 4);
    column->Add(m_pOkButton, 0, wxALIGN_RIGHT | wxALL, 4);

    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(m_pIcon, 0, wxBOTTOM | wxLEFT, 4);
    row->Add(column, 1, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxLEFT, 4);

    auto* outer = new wxBoxSizer(wxVERTICAL);
    outer->Add(m_pLogo, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM, 4);
    outer->Add(row, 1, wxEXPAND | wxALL, 4);
    SetSizerAndFit(outer);
    SetMinSize(GetSize());
    Centre(wxBOTH);

    m_pDownloadButton->Bind(wxEVT_BUTTON, &AboutDlg::OnDownload, this);
    m_pWebLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent& event) { OpenPage(event.GetURL()); });
    m_pOkButton->SetDefault();
    // The link comes first in tab order, and GTK would give it the focus:
    // Enter would then open the handbook instead of closing the box.
    m_pOkButton->SetFocus();
}

wxString AboutDlg::VersionLine()
{
    // Not translated: these are build facts, not prose.
    const wxString pattern = wxString("Version ") + wxString::FromUTF8(AppInfo::Version) + " "
                             + " (Build %d." + wxString::FromUTF8(AppInfo::BuildDay)
                             + wxString::FromUTF8(AppInfo::BuildMonth)
                             + wxString::FromUTF8(AppInfo::BuildYear) + ")";
    return wxString::Format(pattern, AppInfo::BuildNumber);
}

wxString AboutDlg::ToolkitLine()
{
    const wxPlatformInfo& platform = wxPlatformInfo::Get();
    wxString port = platform.GetPortIdShortName().Upper();
    if (platform.GetToolkitMajorVersion() > 0)
        port << platform.GetToolkitMajorVersion();
    return wxGetLibraryVersionInfo().GetVersionString() + "-" + port + "-Unicode build";
}

void AboutDlg::OnDownload(wxCommandEvent&)
{
    OpenPage(MakerPages::DownloadPage());
}

void AboutDlg::OpenPage(const wxString& address)
{
    // A page shown behind a modal box would stay hidden until it closes.
    if (m_showInPage && MakerPages::IsOwnPage(address) && m_showInPage(address))
    {
        if (IsModal())
            EndModal(wxID_OK);
        return;
    }
    MakerPages::Open(address, this);
}
