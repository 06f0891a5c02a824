#pragma once

#include "about/MakerPages.h"

#include <wx/dialog.h>

class wxBitmapButton;
class wxButton;
class wxHyperlinkCtrl;
class wxStaticBitmap;
class wxStaticText;

// The modal About box: logo, icon and name, the version and toolkit lines,
// the maker's web site and mail links, credits, and a picture button that
// opens the download page.
class AboutDlg : public wxDialog
{
public:
    AboutDlg(wxWindow* parent, wxWindowID id = wxID_ANY);

    // "Version 5.9.22.0  (Build 3399.07052011)": the two blanks are intended.
    static wxString VersionLine();
    // The toolkit build this program really runs on, e.g.
    // "wxWidgets 3.2.2-GTK3-Unicode build".
    static wxString ToolkitLine();

    static const long ID_STATICBITMAP2;
    static const long ID_STATICBITMAP1;
    static const long ID_STATICTEXT1;
    static const long ID_STATICTEXT2;
    static const long ID_STATICTEXT3;
    static const long ID_STATICTEXT5;
    static const long ID_HYPERLINKCTRL1;
    static const long ID_HYPERLINKCTRL2;
    static const long ID_STATICTEXT4;
    static const long ID_STATICTEXT7;
    static const long ID_BITMAPBUTTON1;

    wxStaticBitmap* m_pLogo = nullptr;
    wxStaticBitmap* m_pIcon = nullptr;
    wxStaticText* m_pName = nullptr;
    wxStaticText* m_pVersion = nullptr;
    wxStaticText* m_pNotice = nullptr;
    wxStaticText* m_pToolkit = nullptr;
    wxHyperlinkCtrl* m_pWebLink = nullptr;
    wxHyperlinkCtrl* m_pMailLink = nullptr;
    wxStaticText* m_pThanks = nullptr;
    wxStaticText* m_pTranslator = nullptr;
    wxBitmapButton* m_pDownloadButton = nullptr;
    wxButton* m_pOkButton = nullptr;

    // Shows our own pages (the handbook) in the window's result page; the
    // box then closes so that the page can be read.
    MakerPages::PageShower m_showInPage;

private:
    void OnDownload(wxCommandEvent& event);
    void OpenPage(const wxString& address);
};
