#include "store/ConfigStore.h"
#include "store/Preference.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <wx/confbase.h>
#include <wx/fileconf.h>
#include <wx/init.h>

#include <memory>

namespace
{
class RecordingFrame : public FrameGeometry
{
public:
    void MoveTo(int x, int y) override { m_x = x, m_y = y; }
    void SetClientArea(int w, int h) override { m_w = w, m_h = h; }
    void GetPosition(int& x, int& y) const override { x = m_x, y = m_y; }
    void GetClientArea(int& w, int& h) const override { w = m_w, h = m_h; }

    int m_x = -1, m_y = -1, m_w = -1, m_h = -1;
};

class PreferenceTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        Preference::Release();
        ConfigStore::Close();
    }

    // Ends the run as the program does (instance gone, store written) and
    // starts the next one from the file.
    Preference* Restart()
    {
        Preference::Release();
        ConfigStore::Close();
        ConfigStore::Open();
        return Preference::Get();
    }

    // The store file as written so far, opened apart from the global store.
    std::unique_ptr<wxFileConfig> WrittenFile()
    {
        ConfigStore::Get()->Flush();
        return std::make_unique<wxFileConfig>("", "", ConfigStore::FilePath(), "",
                                              wxCONFIG_USE_LOCAL_FILE);
    }

    void Store(const char* key, const wxString& value)
    {
        ConfigStore::Get()->Write(key, value);
    }
    void Store(const char* key, long value) { ConfigStore::Get()->Write(key, value); }

    wxInitializer m_wx;  // the store finds its folders through the app's traits
    TestSandbox m_sandbox;
};
} // namespace

TEST_F(PreferenceTest, FirstRunUsesAndRecordsEveryDefault)
{
    Preference* pref = Preference::Get();
    EXPECT_EQ(pref, Preference::Get());
    RecordingFrame frame;
    pref->LoadFrameGeometry(frame);

    {
        SCOPED_TRACE("members");
        EXPECT_EQ(pref->m_nShowEngineManager, 1);
        EXPECT_EQ(pref->m_nPreserveLangCategory, 1);
        EXPECT_EQ(pref->m_nPreserveKeyword, 1);
        EXPECT_EQ(pref->m_nKeywordNum, 0);
        EXPECT_TRUE(pref->m_arrKeywords.empty());
        EXPECT_EQ(pref->m_nHideCaption, 1);
        EXPECT_EQ(pref->m_nHideMenuBar, 1);
        EXPECT_EQ(pref->m_nHideStatusBar, 1);
        EXPECT_EQ(pref->m_nEnableSuggestion, 1);
        EXPECT_EQ(pref->m_strSuggLang, "en");
        EXPECT_EQ(pref->m_nPreserveFrameSizePos, 1);
        EXPECT_EQ(pref->m_nKeepCookies, 1);
        EXPECT_EQ(pref->m_nPageTimeout, 30);
        EXPECT_EQ(pref->m_nPageLayout, 0);
        EXPECT_EQ(pref->m_nScrollTogether, 0);
        EXPECT_EQ(pref->m_pConfig, wxConfigBase::Get(false));
    }
    {
        SCOPED_TRACE("window placed at the default geometry");
        EXPECT_EQ(frame.m_x, 40);
        EXPECT_EQ(frame.m_y, 16);
        EXPECT_EQ(frame.m_w, 940);
        EXPECT_EQ(frame.m_h, 616);
    }
    {
        SCOPED_TRACE("every key read is left in the store");
        auto file = WrittenFile();
        const std::pair<const char*, long> ints[] = {
            {"m_nShowEngineManager", 1}, {"m_nPreserveLangCategory", 1}, {"m_nPreserveKeyword", 1},
            {"m_nKeywordNum", 0},        {"m_nHideMenuBar", 1},          {"m_nHideStatusBar", 1},
            {"m_nEnableSuggestion", 1},  {"m_nPreserveFrameSizePos", 1}, {"x", 40},
            {"y", 16},                   {"w", 940},                     {"h", 616},
            {"keep_cookies", 1},         {"page_timeout", 30}};
        for (const auto& [key, value] : ints)
        {
            EXPECT_TRUE(file->HasEntry(key)) << key;
            EXPECT_EQ(file->ReadLong(key, -99), value) << key;
        }
        EXPECT_TRUE(file->HasEntry("m_strLang"));
        EXPECT_TRUE(file->HasEntry("m_strCategory"));
        EXPECT_EQ(file->Read("m_strSuggLang", ""), "en");
        EXPECT_FALSE(file->HasEntry("m_nHideCaption")) << "never stored";
    }
}

TEST_F(PreferenceTest, SavedValuesComeBackAfterRestart)
{
    Preference* pref = Preference::Get();
    pref->m_nShowEngineManager = 0;
    pref->m_strLang = "Deutsch";
    pref->m_strCategory = "Bilder & Video";
    pref->m_nHideMenuBar = 0;
    pref->m_nHideStatusBar = 0;
    pref->m_nHideCaption = 0;
    pref->m_strSuggLang = "zh-CN";
    pref->m_nPageLayout = 3;
    pref->m_nScrollTogether = 1;
    // Characters the store file escapes or could misread.
    const wxString keywords[] = {"plain",     "$HOME and ${PATH}", "a=b [c] #d ;e",
                                 "\"quoted\"", "back\\slash\ttab",  "  leading",
                                 wxString::FromUTF8("日本語 検索"), "line\nbreak"};
    for (const wxString& k : keywords)
        pref->m_arrKeywords.Add(k);
    pref->Save();

    RecordingFrame frame;
    frame.m_x = 123, frame.m_y = 45, frame.m_w = 700, frame.m_h = 500;
    pref->SaveFrameGeometry(frame);

    pref = Restart();
    EXPECT_EQ(pref->m_nShowEngineManager, 0);
    EXPECT_EQ(pref->m_strLang, "Deutsch");
    EXPECT_EQ(pref->m_strCategory, "Bilder & Video");
    EXPECT_EQ(pref->m_nHideMenuBar, 0);
    EXPECT_EQ(pref->m_nHideStatusBar, 0);
    EXPECT_EQ(pref->m_nHideCaption, 1) << "full-screen caption setting is per run";
    EXPECT_EQ(pref->m_strSuggLang, "zh-CN");
    EXPECT_EQ(pref->m_nPageLayout, 3);
    EXPECT_EQ(pref->m_nScrollTogether, 1);
    ASSERT_EQ(pref->m_arrKeywords.size(), std::size(keywords));
    for (size_t i = 0; i < std::size(keywords); ++i)
        EXPECT_EQ(pref->m_arrKeywords[i], keywords[i]) << i;
    EXPECT_EQ(pref->m_nKeywordNum, static_cast<int>(std::size(keywords)));

    RecordingFrame restored;
    pref->LoadFrameGeometry(restored);
    EXPECT_EQ(restored.m_x, 123);
    EXPECT_EQ(restored.m_y, 45);
    EXPECT_EQ(restored.m_w, 700);
    EXPECT_EQ(restored.m_h, 500);
}

TEST_F(PreferenceTest, HistoryIsCappedTrimmedAndWrittenWithoutGaps)
{
    Preference* pref = Preference::Get();
    {
        SCOPED_TRACE("40 keywords are saved as the first 32");
        for (int i = 0; i < 40; ++i)
            pref->m_arrKeywords.Add(wxString::Format("kw%d", i));
        pref->Save();
        EXPECT_EQ(pref->m_nKeywordNum, 32);
        auto file = WrittenFile();
        EXPECT_EQ(file->ReadLong("m_nKeywordNum", -1), 32);
        EXPECT_EQ(file->Read("keyword/31", ""), "kw31");
        EXPECT_FALSE(file->HasEntry("keyword/32"));

        pref = Restart();
        ASSERT_EQ(pref->m_arrKeywords.size(), 32u);
        EXPECT_EQ(pref->m_arrKeywords[0], "kw0");
        EXPECT_EQ(pref->m_arrKeywords[31], "kw31");
    }
    {
        SCOPED_TRACE("trailing blanks trimmed, leading kept, blank entries dropped");
        pref->m_arrKeywords.clear();
        for (const char* k : {" lead", "trail  \t", "   ", "", "last"})
            pref->m_arrKeywords.Add(k);
        pref->Save();
        EXPECT_EQ(pref->m_nKeywordNum, 3);

        pref = Restart();
        ASSERT_EQ(pref->m_arrKeywords.size(), 3u);
        EXPECT_EQ(pref->m_arrKeywords[0], " lead");
        EXPECT_EQ(pref->m_arrKeywords[1], "trail");
        EXPECT_EQ(pref->m_arrKeywords[2], "last") << "no stale kw2/kw3 may come back";
    }
    {
        SCOPED_TRACE("a hand-edited huge count reads no more than a save writes");
        Store("m_nKeywordNum", 100000L);
        pref = Restart();
        EXPECT_LE(pref->m_arrKeywords.size(), 32u);
        wxConfigBase* config = ConfigStore::Get();
        config->SetPath("/keyword");
        EXPECT_LE(config->GetNumberOfEntries(), 32u);
        config->SetPath("/");
    }
}

TEST_F(PreferenceTest, ConditionalKeysFollowTheirFlags)
{
    Store("m_strLang", "French");
    Store("m_strCategory", "News");
    Store("m_strSuggLang", "de");
    Store("m_nKeywordNum", 2L);
    Store("keyword/0", "old0");
    Store("keyword/1", "old1");
    Store("x", 300L);
    Store("w", 800L);

    {
        SCOPED_TRACE("flags off: nothing conditional is read");
        Store("m_nPreserveLangCategory", 0L);
        Store("m_nPreserveKeyword", 0L);
        Store("m_nEnableSuggestion", 0L);
        Store("m_nPreserveFrameSizePos", 0L);
        Preference* pref = Restart();
        EXPECT_TRUE(pref->m_strLang.empty());
        EXPECT_TRUE(pref->m_strCategory.empty());
        EXPECT_TRUE(pref->m_arrKeywords.empty());
        EXPECT_EQ(pref->m_strSuggLang, "en");
        RecordingFrame frame;
        pref->LoadFrameGeometry(frame);
        EXPECT_EQ(frame.m_x, 40);
        EXPECT_EQ(frame.m_w, 940);

        SCOPED_TRACE("flags off: nothing conditional is written, old values stay");
        pref->m_strLang = "Spanish";
        pref->m_strSuggLang = "es";
        pref->m_arrKeywords.Add("new");
        pref->Save();
        frame.m_x = 5, frame.m_w = 600;
        pref->SaveFrameGeometry(frame);
        auto file = WrittenFile();
        EXPECT_EQ(file->Read("m_strLang", ""), "French");
        EXPECT_EQ(file->Read("m_strSuggLang", ""), "de");
        EXPECT_EQ(file->ReadLong("m_nKeywordNum", -1), 2);
        EXPECT_EQ(file->Read("keyword/0", ""), "old0");
        EXPECT_EQ(file->ReadLong("x", -1), 300);
        EXPECT_EQ(file->ReadLong("w", -1), 800);
        EXPECT_EQ(file->ReadLong("m_nPreserveFrameSizePos", -1), 0);
    }
    {
        SCOPED_TRACE("flags on: the stored values are read");
        Store("m_nPreserveLangCategory", 1L);
        Store("m_nPreserveKeyword", 1L);
        Store("m_nEnableSuggestion", 1L);
        Store("m_nPreserveFrameSizePos", 1L);
        Preference* pref = Restart();
        EXPECT_EQ(pref->m_strLang, "French");
        EXPECT_EQ(pref->m_strCategory, "News");
        EXPECT_EQ(pref->m_strSuggLang, "de");
        ASSERT_EQ(pref->m_arrKeywords.size(), 2u);
        EXPECT_EQ(pref->m_arrKeywords[1], "old1");
        RecordingFrame frame;
        pref->LoadFrameGeometry(frame);
        EXPECT_EQ(frame.m_x, 300);
        EXPECT_EQ(frame.m_y, 16) << "missing keys fall back one by one";
        EXPECT_EQ(frame.m_w, 800);

        SCOPED_TRACE("flags on: the members are written");
        pref->m_strLang = "Spanish";
        pref->m_strSuggLang = "es";
        pref->m_arrKeywords.Insert("new", 0);
        pref->Save();
        frame.m_x = 5;
        pref->SaveFrameGeometry(frame);
        auto file = WrittenFile();
        EXPECT_EQ(file->Read("m_strLang", ""), "Spanish");
        EXPECT_EQ(file->Read("m_strSuggLang", ""), "es");
        EXPECT_EQ(file->ReadLong("m_nKeywordNum", -1), 3);
        EXPECT_EQ(file->Read("keyword/0", ""), "new");
        EXPECT_EQ(file->ReadLong("x", -1), 5);
    }
}

TEST_F(PreferenceTest, AccessorNeverHandsOutADestroyedInstance)
{
    Preference* first = Preference::Get();
    first->m_nHideMenuBar = 0;
    first->Save();
    first->m_nHideStatusBar = 0;  // not saved: must not survive the instance

    {
        SCOPED_TRACE("Release, then Get loads a fresh instance");
        Preference::Release();
        Preference* second = Preference::Get();
        EXPECT_EQ(second->m_nHideMenuBar, 0);
        EXPECT_EQ(second->m_nHideStatusBar, 1);
    }
    {
        SCOPED_TRACE("deleting the instance directly also forgets it");
        delete Preference::Get();
        Preference* third = Preference::Get();
        ASSERT_NE(third, nullptr);
        EXPECT_EQ(third->m_nHideMenuBar, 0);
    }
    Preference::Release();
    Preference::Release();  // twice is harmless
}

// A store edited by hand or by another program: nothing may crash, and every
// value that cannot be used falls back to its default.
TEST_F(PreferenceTest, HostileStoreValuesFallBackToDefaults)
{
    ConfigStore::Open();
    Store("m_nShowEngineManager", "yes please");
    Store("m_nPreserveKeyword", "1e9x");
    Store("m_nHideMenuBar", "");
    Store("m_nKeywordNum", 10000L);
    ConfigStore::Get()->SetPath("/keyword");
    for (long i = 0; i < 10000; ++i)
        ConfigStore::Get()->Write(wxString::Format("%ld", i), wxString::Format("keyword %ld", i));
    ConfigStore::Get()->SetPath("/");
    Store("x", "left");
    Store("y", -2147483648L);
    Store("w", 2147483647L);
    Store("h", "-1");
    Store("page_layout", 7L);
    Store("scroll_together", -3L);
    Store("results_pane", 9L);
    Store("results_pane_side", "top");
    Store("results_pane_width", 2147483647L);

    Preference* pref = Restart();
    {
        SCOPED_TRACE("the results pane: shown, on the right (no other side docks it), at most 4000 wide");
        EXPECT_EQ(pref->m_nResultsPane, 1);
        EXPECT_EQ(pref->m_strResultsPaneSide, "right");
        EXPECT_EQ(pref->m_nResultsPaneWidth, 4000);
    }
    {
        SCOPED_TRACE("a layout this version does not know shows one page; any other switch value is on");
        EXPECT_EQ(pref->m_nPageLayout, 0);
        EXPECT_EQ(pref->m_nScrollTogether, 1);
    }
    {
        SCOPED_TRACE("non-numeric integers read as their defaults");
        EXPECT_EQ(pref->m_nShowEngineManager, 1);
        EXPECT_EQ(pref->m_nHideMenuBar, 1);
    }
    {
        SCOPED_TRACE("10,000 history keys read as the 32 a save would keep");
        ASSERT_EQ(pref->m_arrKeywords.size(), 32u);
        EXPECT_EQ(pref->m_arrKeywords[0], "keyword 0");
        EXPECT_EQ(pref->m_arrKeywords[31], "keyword 31");
    }
    {
        SCOPED_TRACE("extreme geometry is handed over as read; the window keeps it on screen");
        RecordingFrame frame;
        pref->LoadFrameGeometry(frame);
        EXPECT_EQ(frame.m_x, 40) << "a non-numeric x reads as its default";
        EXPECT_EQ(frame.m_y, -2147483647 - 1);
        EXPECT_EQ(frame.m_w, 2147483647);
    }
    {
        SCOPED_TRACE("a save writes usable values back");
        pref->Save();
        pref = Restart();
        EXPECT_EQ(pref->m_nShowEngineManager, 1);
        EXPECT_EQ(pref->m_arrKeywords.size(), 32u);
    }
}
