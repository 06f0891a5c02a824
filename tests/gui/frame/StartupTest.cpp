// Start-up of the real main window: it shows before the hidden tabs have
// their web views, which come later one per idle step. A search, a tab
// change or closing the window in that time must behave as after start-up.
#include "frame/OrvaneFrameFixture.h"

#include <wx/combobox.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

namespace
{
// WebKit's web processes among this process's children.
std::set<int> WebProcesses()
{
    std::set<int> pids;
    const std::string tasks = "/proc/" + std::to_string(getpid()) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return pids;
    while (dirent* task = readdir(dir))
    {
        std::ifstream children(tasks + "/" + task->d_name + "/children");
        int pid = 0;
        while (children >> pid)
        {
            std::ifstream comm("/proc/" + std::to_string(pid) + "/comm");
            std::string name;
            std::getline(comm, name);
            if (name.rfind("WebKitWebProces", 0) == 0)
                pids.insert(pid);
        }
    }
    closedir(dir);
    return pids;
}
} // namespace

class StartupTest : public OrvaneFrameFixture
{
protected:
    std::vector<bool> ViewsMade() const
    {
        std::vector<bool> made;
        for (size_t i = 0; i < Notebook()->GetPageCount(); ++i)
            made.push_back(static_cast<ZulIeCtrl*>(Notebook()->GetPage(i))->HasView());
        return made;
    }

    size_t RequestsFor(const std::string& target) const
    {
        const std::vector<std::string> targets = RequestTargets();
        return std::count(targets.begin(), targets.end(), target);
    }
};

TEST_F(StartupTest, SearchBeforeTheHiddenViewsExistReachesEveryEngine)
{
    OpenFrame();
    {
        SCOPED_TRACE("shown with captions and pictures; only the tab on show has its view");
        EXPECT_TRUE(m_frame->IsShown());
        EXPECT_EQ(TabCaptions(), (std::vector<wxString>{"Alpha", "Beta", "Gamma"}));
        EXPECT_EQ(TabImages(), (std::vector<int>{2, 2, 2}));
        EXPECT_EQ(ViewsMade(), (std::vector<bool>{true, false, false}));
    }
    KeywordBox()->ChangeValue("early bird");
    Command(OrvaneFrame::ID_MENU_START_SEARCH);
    EXPECT_EQ(ViewsMade(), (std::vector<bool>{true, false, false}));

    ASSERT_TRUE(WaitUntil([&] { return m_server->RequestCount() >= 3; }));
    ASSERT_TRUE(WaitIdle());
    {
        SCOPED_TRACE("each engine once, and the late pages show the search, not the start page");
        EXPECT_EQ(RequestsFor("/alpha?q=early%20bird"), 1u);
        EXPECT_EQ(RequestsFor("/beta?q=early%20bird&x=1"), 1u);
        EXPECT_EQ(RequestsFor("/gamma?q=early%20bird"), 1u);
        EXPECT_EQ(m_server->RequestCount(), 3u);
        for (size_t i = 0; i < Notebook()->GetPageCount(); ++i)
        {
            auto* page = static_cast<ZulIeCtrl*>(Notebook()->GetPage(i));
            EXPECT_TRUE(WaitUntil([&] { return page->GetTitle().StartsWith("T/"); })) << i;
        }
        EXPECT_TRUE(WaitUntil([&] { return TabImages() == std::vector<int>(3, 3); }, 3000));
    }
}

TEST_F(StartupTest, HiddenTabsGetTheirViewsEvenIfTheWindowNeverPaints)
{
    // The hidden views wait for the window's first paint, which a window
    // never shown does not get.
    OpenFrame(std::string(), false);
    ASSERT_EQ(ViewsMade(), (std::vector<bool>{true, false, false}));
    ASSERT_TRUE(WaitUntil([&] { return ViewsMade() == std::vector<bool>(3, true); }));
    ASSERT_TRUE(WaitIdle());
    for (unsigned key = 0; key < 3; ++key)
        EXPECT_TRUE(WaitUntil([&] { return Pages().GetPage(key)->GetTitle() == "Start"; })) << key;
}

TEST_F(StartupTest, TurningToATabDuringStartUpMakesItsViewAtOnce)
{
    OpenFrame();
    ASSERT_EQ(ViewsMade(), (std::vector<bool>{true, false, false}));
    Notebook()->SetSelection(2);  // as a click on its tab does
    EXPECT_EQ(CurPage(), 2);
    EXPECT_EQ(ViewsMade(), (std::vector<bool>{true, false, true}));
    EXPECT_EQ(StatusBar()->GetStatusText(0), Pages().GetPage(2)->m_strPageUrl);

    ASSERT_TRUE(WaitUntil([&] { return ViewsMade() == std::vector<bool>(3, true); }));
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(Notebook()->GetSelection(), 2);
    for (unsigned key = 0; key < 3; ++key)
        EXPECT_TRUE(WaitUntil([&] { return Pages().GetPage(key)->GetTitle() == "Start"; })) << key;
}

TEST_F(StartupTest, ClosingDuringStartUpLosesNothingAndLeavesNoWebProcess)
{
    const std::set<int> before = WebProcesses();
    const std::string catalogue = ReadFileBytes(m_sandbox.File("conf/config.xml"));
    OpenFrame("m_nKeywordNum=1\n[keyword]\n0=older\n");
    KeywordBox()->ChangeValue("kept");
    Command(OrvaneFrame::ID_MENU_START_SEARCH);
    ASSERT_EQ(ViewsMade(), (std::vector<bool>{true, false, false}));
    CloseFrame();

    const std::string store = StoreText();
    EXPECT_NE(store.find("0=kept"), std::string::npos) << store;
    EXPECT_NE(store.find("1=older"), std::string::npos) << store;
    EXPECT_EQ(ReadFileBytes(m_sandbox.File("conf/config.xml")), catalogue);
    EXPECT_TRUE(WaitUntil(
        [&] {
            const std::set<int> now = WebProcesses();
            return std::includes(before.begin(), before.end(), now.begin(), now.end());
        },
        10000));
}
