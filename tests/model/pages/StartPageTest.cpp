#include "pages/StartPage.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <wx/dir.h>
#include <wx/init.h>
#include <wx/log.h>

#include <string>

namespace
{
// The page shown when the template is missing, byte for byte (seven tabs).
const char* const FALLBACK = "<html><body><h2>Welcome to Orvane!</h2>\t\t\t\t\t\t\t<br>The default "
                             "welcome page seems to be missing...</body></html>";

size_t FilesIn(const std::string& folder)
{
    wxArrayString files;
    return wxDir::GetAllFiles(wxString::FromUTF8(folder), &files, wxEmptyString,
                              wxDIR_FILES | wxDIR_HIDDEN);
}
} // namespace

class StartPageTest : public ::testing::Test
{
protected:
    wxInitializer m_wx;
    TempDir m_dir;
};

TEST_F(StartPageTest, FillsTheFirstOccurrenceOfEachPlaceholder)
{
    const wxString page = StartPage::Fill(
        "<p>$your_version$</p><p>$latest_version$</p><p>$your_version$ $latest_version$</p>",
        "Your Version - 5.9.22.0", "Latest Version - 6.0");
    EXPECT_EQ(page, "<p>Your Version - 5.9.22.0</p><p>Latest Version - 6.0</p>"
                    "<p>$your_version$ $latest_version$</p>");

    SCOPED_TRACE("a published text that looks like a placeholder is written as it is");
    EXPECT_EQ(StartPage::Fill("$latest_version$|$your_version$", "Y", "$your_version$"),
              "$your_version$|Y");

    SCOPED_TRACE("a published text holding markup stays text");
    EXPECT_EQ(StartPage::Fill("<p>$latest_version$</p>", "Y",
                              "Latest Version - 6<script>alert(\"x\")</script>&co"),
              "<p>Latest Version - 6&lt;script&gt;alert(&quot;x&quot;)&lt;/script&gt;&amp;co</p>");
}

TEST_F(StartPageTest, MissingTemplateGivesExactlyTheFallbackPage)
{
    EXPECT_EQ(StartPage::FallbackPage(), FALLBACK);
    const wxString text = StartPage::LoadTemplate(m_dir.File("conf/index_tpl.htm"));
    EXPECT_EQ(text, FALLBACK);

    // It has no placeholders, so it is written unchanged.
    ASSERT_TRUE(StartPage::Write(m_dir.File("conf/index.htm"), StartPage::Fill(text, "Y", "L")));
    EXPECT_EQ(ReadFileBytes(m_dir.File("conf/index.htm")), FALLBACK);
}

TEST_F(StartPageTest, NonAsciiTemplateIsWrittenBackAsUtf8WithoutBom)
{
    // Japanese, Chinese and accented text around the placeholders.
    const std::string before = "<html><meta charset=\"utf-8\"><h1>\xE6\xA4\x9C\xE7\xB4\xA2 "
                               "\xE6\x90\x9C\xE7\xB4\xA2 caf\xC3\xA9</h1>";
    const std::string after = "<p>\xE2\x80\x94 fin \xF0\x9F\x94\x8D</p></html>\n";
    MakeDirs(m_dir.File("conf"));
    {
        SCOPED_TRACE("plain UTF-8 template");
        ASSERT_TRUE(WriteFileBytes(m_dir.File("conf/index_tpl.htm"),
                                   before + "$your_version$/$latest_version$" + after));
        const wxString text = StartPage::LoadTemplate(m_dir.File("conf/index_tpl.htm"));
        ASSERT_TRUE(StartPage::Write(m_dir.File("conf/index.htm"),
                                     StartPage::Fill(text, "Y 5.9.22.0",
                                                     wxString::FromUTF8("L \xCE\xB2"))));
        EXPECT_EQ(ReadFileBytes(m_dir.File("conf/index.htm")),
                  before + "Y 5.9.22.0/L \xCE\xB2" + after);
    }
    {
        SCOPED_TRACE("a template saved with a byte-order mark loses it");
        ASSERT_TRUE(WriteFileBytes(m_dir.File("conf/index_tpl.htm"), "\xEF\xBB\xBF" + before));
        const wxString text = StartPage::LoadTemplate(m_dir.File("conf/index_tpl.htm"));
        ASSERT_TRUE(StartPage::Write(m_dir.File("conf/index.htm"), text));
        EXPECT_EQ(ReadFileBytes(m_dir.File("conf/index.htm")), before);
    }
    {
        SCOPED_TRACE("a template that is not UTF-8 keeps its text");
        ASSERT_TRUE(WriteFileBytes(m_dir.File("conf/index_tpl.htm"), "caf\xE9 $your_version$"));
        const wxString text = StartPage::LoadTemplate(m_dir.File("conf/index_tpl.htm"));
        EXPECT_EQ(text, wxString::FromUTF8("caf\xC3\xA9 $your_version$"));
    }
}

TEST_F(StartPageTest, WriteReplacesThePageInOneStep)
{
    const std::string page = m_dir.File("conf/index.htm");
    {
        SCOPED_TRACE("a missing conf folder is created");
        ASSERT_TRUE(StartPage::Write(wxString::FromUTF8(page), "first"));
        EXPECT_EQ(ReadFileBytes(page), "first");
    }
    {
        SCOPED_TRACE("an existing page is replaced, not appended to, and no temporary is left");
        ASSERT_TRUE(StartPage::Write(wxString::FromUTF8(page), "2nd"));
        EXPECT_EQ(ReadFileBytes(page), "2nd");
        EXPECT_EQ(FilesIn(m_dir.File("conf")), 1u);
    }
    {
        SCOPED_TRACE("a page that cannot be written is reported and the old one kept");
        MakeDirs(m_dir.File("blocked/index.htm"));  // a folder where the file should be
        wxLogNull quiet;
        EXPECT_FALSE(StartPage::Write(wxString::FromUTF8(m_dir.File("blocked/index.htm")), "x"));
        EXPECT_EQ(ReadFileBytes(page), "2nd");
    }
}

TEST_F(StartPageTest, TranslateFillsEveryTextMarkOfTheShippedTemplate)
{
    const wxString shipped =
        StartPage::LoadTemplate(wxString(ORVANE_SOURCE_DIR) + "/conf/index_tpl.htm");
    ASSERT_TRUE(shipped.Contains(StartPage::TextMarkPrefix));
    const wxString page = StartPage::Translate(shipped, "en");
    EXPECT_FALSE(page.Contains(StartPage::TextMarkPrefix)) << "a mark without a text";
    EXPECT_TRUE(page.Contains("<html lang=\"en\">"));
    EXPECT_TRUE(page.Contains("<h1>Welcome to Orvane</h1>"));
    EXPECT_TRUE(page.Contains("$your_version$") && page.Contains("$latest_version$"))
        << "the version placeholders are left to Fill";
    for (const char* key : {"<kbd>F4</kbd>", "<kbd>Ctrl+Alt+1</kbd>", "Scroll Together", "<kbd>F9</kbd>"})
        EXPECT_TRUE(page.Contains(key)) << "the key list lacks " << key;

    SCOPED_TRACE("a mark the program does not know stays as it is");
    EXPECT_EQ(StartPage::Translate("$t:nosuch$ $t:lang$ $t:lang$", "ja"), "$t:nosuch$ ja ja");
}
