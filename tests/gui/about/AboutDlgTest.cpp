// The About box: its version and toolkit lines, links, pictures, and the
// main window's About command.
#include "GuiTest.h"
#include "TestEnvironment.h"

#include "about/AboutDlg.h"
#include "base/AppInfo.h"
#include "about/MakerPages.h"
#include "store/ProgramFolder.h"

#include <wx/bmpbuttn.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/hyperlink.h>
#include <wx/log.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/uiaction.h>

#include <vector>

namespace
{
wxString HandbookUrl(const wxString& folder)
{
    return wxFileName::FileNameToURL(wxFileName(folder + "/handbook.html"));
}

wxString TextOf(const wxDialog& dlg, const char* name)
{
    const auto* text = dynamic_cast<const wxStaticText*>(dlg.FindWindow(name));
    return text ? text->GetLabel() : wxString("<missing " + wxString(name) + ">");
}
} // namespace

TEST(AboutDlg, ShowsVersionToolkitAndLinks)
{
    ProgramFolder::OverrideForTesting(ORVANE_STAGE_DIR);
    AboutDlg dlg(TestParentFrame());
    ProgramFolder::OverrideForTesting(wxString());

    {
        SCOPED_TRACE("the version line keeps its two blanks");
        EXPECT_EQ(TextOf(dlg, "ID_STATICTEXT2"), "Version 5.9.22.0  (Build 3399.07052011)");
        EXPECT_EQ(AboutDlg::VersionLine(), "Version 5.9.22.0  (Build 3399.07052011)");
        EXPECT_TRUE(TextOf(dlg, "ID_STATICTEXT3").Contains("GNU GPL, version 3 or later"));
    }
    {
        SCOPED_TRACE("the toolkit line names the toolkit this build runs on");
        const wxString line = TextOf(dlg, "ID_STATICTEXT5");
        EXPECT_TRUE(line.StartsWith(wxString::Format("wxWidgets %d.%d", wxMAJOR_VERSION,
                                                     wxMINOR_VERSION)))
            << line;
#ifdef __WXGTK3__
        EXPECT_TRUE(line.Contains("-GTK3-")) << line;
#endif
        EXPECT_TRUE(line.EndsWith("-Unicode build")) << line;
    }
    {
        SCOPED_TRACE("no public site yet: the web link is the handbook, no mail link");
        auto* web = dynamic_cast<wxHyperlinkCtrl*>(dlg.FindWindow("ID_HYPERLINKCTRL1"));
        auto* mail = dynamic_cast<wxHyperlinkCtrl*>(dlg.FindWindow("ID_HYPERLINKCTRL2"));
        ASSERT_NE(web, nullptr);
        ASSERT_NE(mail, nullptr);
        EXPECT_EQ(web->GetURL(), HandbookUrl(ORVANE_STAGE_DIR));
        EXPECT_EQ(web->GetLabel(), "Orvane handbook");
        EXPECT_FALSE(mail->IsShown());
    }
    {
        SCOPED_TRACE("pictures from the program folder");
        auto* logo = dynamic_cast<wxStaticBitmap*>(dlg.FindWindow("ID_STATICBITMAP2"));
        auto* icon = dynamic_cast<wxStaticBitmap*>(dlg.FindWindow("ID_STATICBITMAP1"));
        auto* button = dynamic_cast<wxBitmapButton*>(dlg.FindWindow("ID_BITMAPBUTTON1"));
        ASSERT_TRUE(logo && icon && button);
        EXPECT_TRUE(logo->GetBitmap().IsOk());
        EXPECT_TRUE(icon->GetBitmap().IsOk());
        EXPECT_TRUE(button->GetBitmapLabel().IsOk());
        EXPECT_TRUE(button->GetBitmapFocus().IsOk());
    }
    EXPECT_NE(dlg.FindWindow(wxID_OK), nullptr);
}

TEST(AboutDlg, WebLinkAndPictureButtonOpenTheHandbook)
{
    ASSERT_TRUE(wxFileExists(wxString(ORVANE_STAGE_DIR) + "/handbook.html")) << "not staged";
    std::vector<wxString> opened;
    MakerPages::SetOpenerForTesting([&](const wxString& url) {
        opened.push_back(url);
        return true;
    });
    ProgramFolder::OverrideForTesting(ORVANE_STAGE_DIR);
    {
        AboutDlg dlg(TestParentFrame());
        auto* web = dynamic_cast<wxHyperlinkCtrl*>(dlg.FindWindow("ID_HYPERLINKCTRL1"));
        ASSERT_NE(web, nullptr);
        wxHyperlinkEvent click(web, web->GetId(), web->GetURL());
        web->ProcessWindowEvent(click);
        wxCommandEvent press(wxEVT_BUTTON, AboutDlg::ID_BITMAPBUTTON1);
        dlg.FindWindow("ID_BITMAPBUTTON1")->ProcessWindowEvent(press);
    }
    ProgramFolder::OverrideForTesting(wxString());
    MakerPages::SetOpenerForTesting(nullptr);
    const wxString handbook = HandbookUrl(ORVANE_STAGE_DIR);
    EXPECT_EQ(opened, (std::vector<wxString>{handbook, handbook}));
}

TEST(AboutDlg, OpensWithoutItsPictures)
{
    TempDir empty;
    ProgramFolder::OverrideForTesting(wxString::FromUTF8(empty.Path()));
    {
        wxLogNull quiet;  // the image loader reports each missing file
        AboutDlg dlg(TestParentFrame());
        auto* logo = dynamic_cast<wxStaticBitmap*>(dlg.FindWindow("ID_STATICBITMAP2"));
        ASSERT_NE(logo, nullptr);
        EXPECT_FALSE(logo->GetBitmap().IsOk());
        EXPECT_EQ(TextOf(dlg, "ID_STATICTEXT2"), "Version 5.9.22.0  (Build 3399.07052011)");
        EXPECT_GT(dlg.GetSize().x, 0);
    }
    ProgramFolder::OverrideForTesting(wxString());
}

TEST(AboutDlg, EnterClosesTheBoxWithoutOpeningTheLink)
{
    std::vector<wxString> opened;
    MakerPages::SetOpenerForTesting([&](const wxString& url) {
        opened.push_back(url);
        return true;
    });
    ProgramFolder::OverrideForTesting(ORVANE_STAGE_DIR);
    {
        AboutDlg dlg(TestParentFrame());
        bool okPressed = false;
        dlg.Bind(
            wxEVT_BUTTON,
            [&](wxCommandEvent& event) {
                okPressed = true;
                event.Skip();
            },
            wxID_OK);
        dlg.Show();
        dlg.Raise();
        ASSERT_TRUE(WaitUntil([&] { return dlg.IsActive(); }, 3000));
        wxUIActionSimulator().Char(WXK_RETURN);
        EXPECT_TRUE(WaitUntil([&] { return !dlg.IsShown() || !opened.empty(); }, 3000));
        EXPECT_TRUE(okPressed);
    }
    ProgramFolder::OverrideForTesting(wxString());
    MakerPages::SetOpenerForTesting(nullptr);
    EXPECT_TRUE(opened.empty()) << opened.front();
}
