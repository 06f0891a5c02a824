// Download names: what a site suggests made safe, never an existing file.
#include "pages/ErrorPage.h"
#include "TestEnvironment.h"
#include "base/UniqueFileName.h"

#include <gtest/gtest.h>

#include <set>

TEST(UniqueFileNameTest, SanitizesWhatTheSiteSuggests)
{
    EXPECT_EQ(UniqueFileName::Sanitize("../../.bashrc"), "bashrc");
    EXPECT_EQ(UniqueFileName::Sanitize("C:\\\\evil\\\\a.exe"), "a.exe");
    EXPECT_EQ(UniqueFileName::Sanitize("a\nb\tc.txt"), "a_b_c.txt");
    EXPECT_EQ(UniqueFileName::Sanitize("  ..  "), "download");
    EXPECT_EQ(UniqueFileName::Sanitize(""), "download");
    EXPECT_EQ(UniqueFileName::Sanitize(wxString(wxUniChar(0x4e2d), 300)).utf8_str().length(), 198u);
}

TEST(UniqueFileNameTest, DisguisedAndHugeNamesAreCutOnceAndKeepTheirType)
{
    {
        SCOPED_TRACE("right-to-left override, isolates and C1 controls are dropped");
        const wxString disguised = wxString::FromUTF8("invoice\u202Efdp\u2066\u200F.exe") + wxUniChar(0x85) +
                                   wxUniChar(0x9b);
        EXPECT_EQ(UniqueFileName::Sanitize(disguised), "invoicefdp.exe");
    }
    {
        SCOPED_TRACE("150,000 characters: cut in the stem, the extension stays");
        const wxString name = UniqueFileName::Sanitize(wxString('a', 150000) + ".pdf");
        EXPECT_EQ(name, wxString('a', 196) + ".pdf");
        const wxString wide = UniqueFileName::Sanitize(wxString(wxUniChar(0x4e2d), 150000) + ".tar.gz");
        EXPECT_TRUE(wide.EndsWith(wxString(wxUniChar(0x4e2d)) + ".gz")) << wide;
        EXPECT_LE(wide.utf8_str().length(), 200u);
        EXPECT_GT(wide.utf8_str().length(), 195u);
        EXPECT_EQ(UniqueFileName::Sanitize(wxString('.', 150000) + "x"), "x");
    }
}

TEST(UniqueFileNameTest, NumbersTheNameUntilItIsFree)
{
    TempDir dir;
    const wxString folder = wxString::FromUTF8(dir.Path());
    EXPECT_EQ(UniqueFileName::Make(folder, "report.pdf"), folder + "/report.pdf");
    WriteFileBytes(dir.File("report.pdf"), "x");
    WriteFileBytes(dir.File("report (1).pdf"), "x");
    EXPECT_EQ(UniqueFileName::Make(folder, "report.pdf"), folder + "/report (2).pdf");
    WriteFileBytes(dir.File("backup.tar.gz"), "x");
    EXPECT_EQ(UniqueFileName::Make(folder, "backup.tar.gz"), folder + "/backup (1).tar.gz");
    WriteFileBytes(dir.File("README"), "x");
    EXPECT_EQ(UniqueFileName::Make(folder, "README"), folder + "/README (1)");

    SCOPED_TRACE("names taken by running downloads count as well");
    std::set<wxString> running{folder + "/a.bin", folder + "/a (1).bin"};
    EXPECT_EQ(UniqueFileName::Make(folder + "/", "a.bin", [&](const wxString& p) { return running.count(p) > 0; }),
              folder + "/a (2).bin");
}

TEST(ErrorPageTest, EverythingFromOutsideStaysText)
{
    const wxString page = ErrorPage::Build("<b>E&amp;</b>", "http://x/?q=\"><script>", "<i>why</i>");
    EXPECT_FALSE(page.Contains("<script>"));
    EXPECT_FALSE(page.Contains("<b>E"));
    EXPECT_FALSE(page.Contains("<i>why"));
    EXPECT_TRUE(page.Contains("href=\"http://x/?q=&quot;&gt;&lt;script&gt;\""));
    EXPECT_TRUE(page.Contains("&lt;b&gt;E&amp;amp;&lt;/b&gt; could not be loaded"));

    SCOPED_TRACE("only web addresses get a Try again link");
    EXPECT_FALSE(ErrorPage::Build("E", "javascript:alert(1)", "r").Contains("href="));
    EXPECT_FALSE(ErrorPage::Build("E", "file:///etc/passwd", "r").Contains("href="));
    EXPECT_TRUE(ErrorPage::Build("E", "HTTPS://x/", "r").Contains("Try again</a>"));
}
