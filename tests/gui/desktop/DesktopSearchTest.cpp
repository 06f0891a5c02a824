// Searches from outside the window: into another group, the groups searched
// last kept in the store, and the keyword box readied with a message that the
// pages' own status texts do not wipe.
#include "frame/OrvaneFrameFixture.h"

#include "MSHTMLEvent.h"
#include "store/Preference.h"

#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/statusbr.h>

#include <algorithm>

class DesktopSearchTest : public OrvaneFrameFixture
{
protected:
    bool Requested(const std::string& target) const
    {
        const auto targets = RequestTargets();
        return std::find(targets.begin(), targets.end(), target) != targets.end();
    }

    void PageStatus(const wxString& text)
    {
        wxMSHTMLEvent event(wxEVT_MSHTML_STATUS_TEXT_CHANGE, Notebook()->GetPage(0)->GetId());
        event.m_text = text;
        m_frame->ProcessWindowEvent(event);
    }
};

TEST_F(DesktopSearchTest, SearchInGroupSwitchesAndRemembersGroups)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    {
        SCOPED_TRACE("a group with engines is switched to, its pages search");
        m_frame->SearchInGroup(SearchGroup{"deutsch", "BILDER"}, "otter");
        EXPECT_EQ("Deutsch", LangChoice()->GetStringSelection());
        EXPECT_EQ("Bilder", CategoryChoice()->GetStringSelection());
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(Requested("/delta?q=otter"));
    }
    {
        SCOPED_TRACE("a group without enabled engines searches the current one");
        m_frame->SearchInGroup(SearchGroup{"English", "Nowhere"}, "seal");
        EXPECT_EQ("Deutsch", LangChoice()->GetStringSelection());
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(Requested("/delta?q=seal"));
        m_frame->SearchInGroup(SearchGroup{"English", "Web"}, "kelp");
        ASSERT_TRUE(WaitIdle());
        EXPECT_TRUE(Requested("/alpha?q=kelp"));
    }
    {
        SCOPED_TRACE("the groups searched, most recent first, kept in the store");
        const wxArrayString& recent = m_frame->RecentGroups();
        ASSERT_EQ(2u, recent.size());
        EXPECT_EQ("English\tWeb", recent[0]);
        EXPECT_EQ("Deutsch\tBilder", recent[1]);
        CloseFrame();
        const std::string store = StoreText();
        EXPECT_NE(std::string::npos, store.find("[recent_groups]\n0=English\\tWeb\n1=Deutsch\\tBilder"))
            << store;
    }
}

TEST_F(DesktopSearchTest, ReadiedKeywordBoxHoldsItsMessage)
{
    OpenFrame();
    ASSERT_TRUE(WaitIdle());
    m_frame->SearchFor("narwhal");
    ASSERT_TRUE(WaitIdle());
    m_frame->FocusKeywordBox("Nothing here");
    long from = -1, to = -1;
    KeywordBox()->GetSelection(&from, &to);
    EXPECT_EQ(0, from);
    EXPECT_EQ(static_cast<long>(KeywordBox()->GetValue().length()), to);
    PageStatus("http://page/status");
    EXPECT_EQ("Nothing here", StatusBar()->GetStatusText(0));
    // Typing lets the pages speak again.
    KeywordBox()->SetValue("typed");
    PageStatus("http://page/status");
    EXPECT_EQ("http://page/status", StatusBar()->GetStatusText(0));
}
