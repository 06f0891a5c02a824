#include "store/ConfigStore.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <wx/confbase.h>
#include <wx/filename.h>
#include <wx/init.h>

#include <cstdlib>

#include <sys/stat.h>

namespace
{
// The global store never outlives a test.
class ConfigStoreTest : public ::testing::Test
{
protected:
    void TearDown() override { ConfigStore::Close(); }

    wxInitializer m_wx;  // the store finds its folders through the app's traits
    TestSandbox m_sandbox;
};

std::string StorePath()
{
    return ConfigStore::FilePath().utf8_string();
}
} // namespace

TEST_F(ConfigStoreTest, LivesInTheXdgConfigFolderAndBecomesTheGlobalStore)
{
    {
        SCOPED_TRACE("XDG_CONFIG_HOME set");
        EXPECT_EQ(StorePath(), m_sandbox.File(".config/Orvane/Orvane.conf"));
    }
    {
        SCOPED_TRACE("XDG_CONFIG_HOME unset or relative falls back to ~/.config");
        ::setenv("XDG_CONFIG_HOME", "relative/dir", 1);
        EXPECT_EQ(StorePath(), m_sandbox.File(".config/Orvane/Orvane.conf"));
        ::setenv("XDG_CONFIG_HOME", m_sandbox.File("xdg").c_str(), 1);
        EXPECT_EQ(StorePath(), m_sandbox.File("xdg/Orvane/Orvane.conf"));
    }

    wxConfigBase* config = ConfigStore::Get();
    ASSERT_NE(config, nullptr);
    EXPECT_EQ(wxConfigBase::Get(false), config);
    EXPECT_EQ(ConfigStore::Get(), config) << "a second Get must not replace the store";
    EXPECT_TRUE(config->IsRecordingDefaults());
    EXPECT_FALSE(config->IsExpandingEnvVars());

    config->Write("key", "$HOME value");
    EXPECT_EQ(config->Read("missing", "fallback"), "fallback");
    ConfigStore::Close();
    EXPECT_EQ(wxConfigBase::Get(false), nullptr);

    const std::string text = ReadFileBytes(m_sandbox.File("xdg/Orvane/Orvane.conf"));
    EXPECT_NE(text.find("key=$HOME value"), std::string::npos) << text;
    EXPECT_NE(text.find("missing=fallback"), std::string::npos) << "defaults are recorded: " << text;
}

TEST_F(ConfigStoreTest, UnparsableFileIsKeptAsideAndWhatCouldBeReadSurvives)
{
    MakeDirs(m_sandbox.File(".config/Orvane"));
    const std::string broken = "m_nHideMenuBar=0\n[keyword\nno equals sign here\nm_strLang=German\n";
    ASSERT_TRUE(WriteFileBytes(StorePath(), broken));

    wxConfigBase* config = ConfigStore::Open();
    {
        SCOPED_TRACE("original bytes kept in .bak");
        EXPECT_EQ(ReadFileBytes(StorePath() + ".bak"), broken);
    }
    {
        SCOPED_TRACE("parsable lines still read");
        EXPECT_EQ(config->ReadLong("m_nHideMenuBar", 1), 0);
        EXPECT_EQ(config->Read("m_strLang", ""), "German");
    }
    config->Write("m_nHideStatusBar", 0L);
    ConfigStore::Close();
    {
        SCOPED_TRACE("fresh file written, backup untouched");
        const std::string fresh = ReadFileBytes(StorePath());
        EXPECT_NE(fresh.find("m_nHideStatusBar=0"), std::string::npos) << fresh;
        EXPECT_EQ(fresh.find("no equals sign"), std::string::npos) << fresh;
        EXPECT_EQ(ReadFileBytes(StorePath() + ".bak"), broken);
    }
    {
        SCOPED_TRACE("a second broken file does not overwrite the first backup");
        ASSERT_TRUE(WriteFileBytes(StorePath(), "[unclosed\n"));
        ConfigStore::Open();
        EXPECT_EQ(ReadFileBytes(StorePath() + ".bak"), broken);
        EXPECT_EQ(ReadFileBytes(StorePath() + ".bak.1"), "[unclosed\n");
    }
    {
        SCOPED_TRACE("a sound file is not backed up");
        ConfigStore::Close();
        ConfigStore::Open();
        EXPECT_FALSE(wxFileName::FileExists(StorePath() + ".bak.2"));
    }
}

TEST_F(ConfigStoreTest, TheStoreAndItsFolderArePrivate)
{
    const mode_t old = ::umask(022);
    auto modeOf = [](const std::string& path) {
        struct stat st{};
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
    };
    {
        SCOPED_TRACE("made fresh");
        ConfigStore::Get()->Write("keyword/0", "private words");
        ConfigStore::Close();
        EXPECT_EQ(modeOf(StorePath()), 0600u);
        EXPECT_EQ(modeOf(ConfigStore::Folder().utf8_string()), 0700u);
    }
    {
        SCOPED_TRACE("left readable by an older version: closed as it opens");
        ::chmod(ConfigStore::Folder().utf8_str(), 0755);
        ::chmod(StorePath().c_str(), 0644);
        ConfigStore::Open();
        EXPECT_EQ(modeOf(StorePath()), 0600u);
        EXPECT_EQ(modeOf(ConfigStore::Folder().utf8_string()), 0700u);
        ConfigStore::Close();
    }
    ::umask(old);
}
