// Replacing the user's files: links stay links, permissions stay, temporary
// files of killed saves neither pile up nor block a save, and the store is
// never removed before its replacement is in place.
#include "store/ConfigStore.h"
#include "catalogue/EngineManager.h"
#include "store/PrivateFolder.h"
#include "store/SafeFile.h"
#include "pages/StartPage.h"

#include "TestEnvironment.h"

#include <wx/confbase.h>
#include <wx/stream.h>
#include <wx/init.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace
{
// The id of a process that has ended (and been reaped).
pid_t DeadPid()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

std::set<std::string> FilesIn(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}
} // namespace

TEST(SafeFile, LinksAreFollowedAndTheFileKeepsItsMode)
{
    TempDir dir;
    MakeDirs(dir.File("real"));
    WriteFileBytes(dir.File("real/c"), "old");
    ::chmod(dir.File("real/c").c_str(), 0640);
    fs::create_symlink("real/c", dir.File("b"));
    fs::create_symlink(dir.File("b"), dir.File("a"));
    ASSERT_TRUE(SafeFile::Replace(wxString(dir.File("a")), std::string("new")));
    EXPECT_TRUE(fs::is_symlink(dir.File("a")));
    EXPECT_TRUE(fs::is_symlink(dir.File("b")));
    EXPECT_EQ("new", ReadFileBytes(dir.File("real/c")));
    struct stat st{};
    ASSERT_EQ(0, ::stat(dir.File("real/c").c_str(), &st));
    EXPECT_EQ(0640u, st.st_mode & 07777);

    SCOPED_TRACE("a dangling link gets its target");
    fs::create_symlink("missing/d", dir.File("dangling"));
    ASSERT_TRUE(SafeFile::Replace(wxString(dir.File("dangling")), std::string("d")));
    EXPECT_TRUE(fs::is_symlink(dir.File("dangling")));
    EXPECT_EQ("d", ReadFileBytes(dir.File("missing/d")));
}

TEST(SafeFile, TemporariesOfKilledSavesGoAfterTheNextSave)
{
    TempDir dir;
    const std::string dead = std::to_string(DeadPid());
    const std::set<std::string> kept = {"x", "x.tmp.1.00000001", "y.tmp3", "x.tmpfile"};
    for (const std::string& name : kept)
        WriteFileBytes(dir.File(name), "k");
    // Names of this and of earlier versions, left by saves that were killed.
    for (int i = 0; i < 120; ++i)
        WriteFileBytes(dir.File("x.tmp" + std::to_string(i)), "stale");
    WriteFileBytes(dir.File("x.tmp." + dead + ".0badf00d"), "stale");
    WriteFileBytes(dir.File("x." + dead + ".tmp"), "stale");
    ASSERT_TRUE(SafeFile::Replace(wxString(dir.File("x")), std::string("new")));
    EXPECT_EQ(kept, FilesIn(dir.Path()));
    EXPECT_EQ("new", ReadFileBytes(dir.File("x")));
}

// A saved catalogue, store and start page that are symbolic links (kept in a
// synced folder, say) stay links, and what they point to is what changes.
TEST(SafeFile, TheUsersFilesStayLinked)
{
    wxInitializer wx;
    TestSandbox sandbox;
    MakeDirs(sandbox.File("elsewhere"));
    MakeDirs(sandbox.File("conf"));
    MakeDirs(sandbox.File(".config/Orvane"));
    const std::pair<std::string, std::string> links[] = {
        {"conf/config.xml", "elsewhere/config.xml"},
        {".config/Orvane/Orvane.conf", "elsewhere/Orvane.conf"},
        {"conf/index.htm", "elsewhere/index.htm"},
    };
    for (const auto& [link, target] : links)
    {
        WriteFileBytes(sandbox.File(target), "");
        fs::create_symlink(sandbox.File(target), sandbox.File(link));
    }
    {
        EngineManager catalogue;
        catalogue.Load();
        auto engine = std::make_unique<Engine>();
        engine->m_strName = "linked";
        catalogue.AddEngine(std::move(engine));
        ASSERT_TRUE(catalogue.Save());
    }
    ConfigStore::Get()->Write("key", "linked");
    ConfigStore::Close();
    ASSERT_TRUE(StartPage::Write(wxString(sandbox.File("conf/index.htm")), "linked"));

    for (const auto& [link, target] : links)
    {
        SCOPED_TRACE(link);
        EXPECT_TRUE(fs::is_symlink(sandbox.File(link)));
        EXPECT_NE(std::string::npos, ReadFileBytes(sandbox.File(target)).find("linked"));
    }
}

// The toolkit's own save unlinks the store before renaming the new file into
// place; a crash between the two lost every setting. The store's name must
// never be removed, only replaced.
TEST(SafeFile, TheStoreIsReplacedNeverRemoved)
{
    wxInitializer wx;
    TestSandbox sandbox;
    ConfigStore::Get()->Write("first", 1);
    ConfigStore::Close();
    const std::string folder = sandbox.File(".config/Orvane");

    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_DELETE | IN_MOVED_TO), 0);
    ConfigStore::Get()->Write("second", 2);
    ConfigStore::Close();

    bool removed = false, replaced = false;
    alignas(inotify_event) char buffer[64 * 1024];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
    {
        for (char* p = buffer; p < buffer + n;)
        {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->len && std::string(event->name) == "Orvane.conf")
            {
                removed |= (event->mask & IN_DELETE) != 0;
                replaced |= (event->mask & IN_MOVED_TO) != 0;
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(watch);
    EXPECT_FALSE(removed);
    EXPECT_TRUE(replaced);
    EXPECT_NE(std::string::npos, ReadFileBytes(folder + "/Orvane.conf").find("second=2"));
}

namespace
{
unsigned ModeOf(const std::string& path)
{
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Sets the usual umask for one test and restores the old one.
struct UsualUmask
{
    UsualUmask() : m_old(::umask(022)) {}
    ~UsualUmask() { ::umask(m_old); }
    mode_t m_old;
};
} // namespace

// Private files (the store, the history, cookies) are closed to other local
// users at every moment, also while the temporary is written; shared ones
// (the catalogue) keep their mode.
TEST(SafeFile, PrivateFilesAreNeverReadableByOthers)
{
    UsualUmask umask022;
    TempDir dir;
    // The mode of the temporary while its bytes are written.
    auto writtenWithMode = [&](const std::string& path, SafeFile::Access access, unsigned& tempMode) {
        return SafeFile::Replace(wxString(path), [&](wxOutputStream& out) {
            for (const std::string& name : FilesIn(fs::path(path).parent_path().string()))
            {
                if (name.find(".tmp.") != std::string::npos)
                    tempMode = ModeOf(fs::path(path).parent_path().string() + "/" + name);
            }
            out.Write("secret", 6);
            return true;
        }, access);
    };
    {
        SCOPED_TRACE("a new private file in a new folder: 0600 in 0700, from the start");
        unsigned tempMode = 0;
        ASSERT_TRUE(writtenWithMode(dir.File("new/sub/store"), SafeFile::Access::Private, tempMode));
        EXPECT_EQ(0600u, tempMode);
        EXPECT_EQ(0600u, ModeOf(dir.File("new/sub/store")));
        EXPECT_EQ(0700u, ModeOf(dir.File("new/sub")));
    }
    {
        SCOPED_TRACE("an existing 0644 private file is closed; the folder it is in keeps its mode");
        MakeDirs(dir.File("old"));
        ::chmod(dir.File("old").c_str(), 0755);
        WriteFileBytes(dir.File("old/store"), "x");
        ::chmod(dir.File("old/store").c_str(), 0644);
        unsigned tempMode = 0;
        ASSERT_TRUE(writtenWithMode(dir.File("old/store"), SafeFile::Access::Private, tempMode));
        EXPECT_EQ(0600u, tempMode);
        EXPECT_EQ(0600u, ModeOf(dir.File("old/store")));
        EXPECT_EQ(0755u, ModeOf(dir.File("old")));
    }
    {
        SCOPED_TRACE("a 0600 shared file keeps 0600 while written; a 0664 one keeps 0664");
        WriteFileBytes(dir.File("old/catalogue"), "x");
        ::chmod(dir.File("old/catalogue").c_str(), 0600);
        unsigned tempMode = 0;
        ASSERT_TRUE(writtenWithMode(dir.File("old/catalogue"), SafeFile::Access::Shared, tempMode));
        EXPECT_EQ(0600u, tempMode);
        ::chmod(dir.File("old/catalogue").c_str(), 0664);
        ASSERT_TRUE(writtenWithMode(dir.File("old/catalogue"), SafeFile::Access::Shared, tempMode));
        EXPECT_EQ(0664u, ModeOf(dir.File("old/catalogue")));
    }
}

// Under an open umask, missing parents of a private folder or file are made
// 0700, not 0777 where anyone could plant files; existing ones keep their mode.
TEST(PrivateFolder, MissingParentsAreMadePrivateUnderAnOpenUmask)
{
    TempDir dir;
    ::mkdir(dir.File("kept").c_str(), 0755);
    const mode_t old = ::umask(0);
    const bool made = PrivateFolder::Make(wxString::FromUTF8(dir.File(".local/share/orvane")));
    const bool saved = SafeFile::Replace(wxString::FromUTF8(dir.File("kept/.config/x/store")), std::string("x"));
    ::umask(old);
    ASSERT_TRUE(made);
    ASSERT_TRUE(saved);
    for (const char* folder : {".local", ".local/share", ".local/share/orvane", "kept/.config", "kept/.config/x"})
    {
        SCOPED_TRACE(folder);
        struct stat st{};
        ASSERT_EQ(0, ::stat(dir.File(folder).c_str(), &st));
        EXPECT_EQ(0700u, st.st_mode & 0777);
    }
    struct stat kept{};
    ASSERT_EQ(0, ::stat(dir.File("kept").c_str(), &kept));
    EXPECT_EQ(0755u, kept.st_mode & 0777);
}
