#include "instance/SingleInstance.h"

#include "instance/InstanceClient.h"

#include <wx/filename.h>
#include <wx/log.h>
#include <wx/snglinst.h>
#include <wx/utils.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

// How long a start waits for a window whose lock is held but which does not
// answer yet (it is starting, or saving on its way out).
constexpr auto ClaimPatience = std::chrono::seconds(10);
constexpr auto RetryPause = std::chrono::milliseconds(50);
// A window may be busy, e.g. with a modal dialog, before it answers.
constexpr int ReplyTimeoutMs = 120 * 1000;

wxString ChannelFolder(const wxString& configFolder)
{
    wxString runtime;
    // The runtime folder is private to the user (0700) and cleared at logout.
    if (wxGetEnv("XDG_RUNTIME_DIR", &runtime) && wxIsAbsolutePath(runtime) &&
        ::access(runtime.fn_str(), W_OK | X_OK) == 0)
        return runtime;
    wxFileName::Mkdir(configFolder, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    return configFolder;
}

wxString ChannelName(const wxString& configFolder)
{
    // FNV-1a of the folder's path: short enough for a socket address.
    uint64_t hash = 0xcbf29ce484222325ULL;
    const wxScopedCharBuffer utf8 = configFolder.utf8_str();
    for (size_t i = 0; i < utf8.length(); ++i)
    {
        hash ^= static_cast<unsigned char>(utf8.data()[i]);
        hash *= 0x100000001b3ULL;
    }
    return wxString::Format("orvane-%016llx", static_cast<unsigned long long>(hash));
}

// The toolkit judges a lock by the process id written in it, which a killed
// instance may have handed on to an unrelated process. The lock itself is
// released by the kernel when its holder dies, so ask for that instead.
bool IsLockHeld(const wxString& path, ino_t& inode)
{
    const int fd = ::open(path.fn_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock query{};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &query) != 0 || query.l_type != F_UNLCK;
    struct stat st{};
    inode = ::fstat(fd, &st) == 0 ? st.st_ino : 0;
    ::close(fd);
    return held;
}

// Removes a lock file nobody holds; true if it is gone.
bool RemoveIfStale(const wxString& path)
{
    ino_t first = 0, second = 0;
    if (!wxFileName::FileExists(path))
        return true;
    if (IsLockHeld(path, first))
        return false;
    // A starting instance creates the file a moment before it locks it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (IsLockHeld(path, second) || first != second)
        return false;
    return ::unlink(path.fn_str()) == 0 || errno == ENOENT;
}
} // namespace

SingleInstance::SingleInstance(const wxString& configFolder)
    : m_folder(ChannelFolder(configFolder)), m_name(ChannelName(configFolder))
{
}

SingleInstance::~SingleInstance()
{
    m_server.Stop();
    m_checker.reset();
}

wxString SingleInstance::LockPath() const
{
    return m_folder + "/" + m_name + ".lock";
}

wxString SingleInstance::SocketPath() const
{
    return m_folder + "/" + m_name + ".sock";
}

SingleInstance::Role SingleInstance::Send(const InstanceRequest& request, InstanceReply& reply)
{
    switch (InstanceClient::Send(SocketPath(), request, reply, ReplyTimeoutMs))
    {
    case InstanceClient::Result::Replied:
        return Role::Forwarded;
    case InstanceClient::Result::TimedOut:
        return Role::Unanswered;
    case InstanceClient::Result::NoServer:
    case InstanceClient::Result::NoReply:
        break;
    }
    return Role::NoWindow;
}

SingleInstance::Role SingleInstance::Claim(const InstanceRequest& request, InstanceReply& reply)
{
    const auto giveUp = Clock::now() + ClaimPatience;
    for (;;)
    {
        const Role role = Send(request, reply);
        if (role != Role::NoWindow)
            return role;
        if (TryLock())
        {
            m_server.Start(SocketPath());
            return Role::First;
        }
        if (Clock::now() >= giveUp)
            return Role::First;
        std::this_thread::sleep_for(RetryPause);
    }
}

SingleInstance::Role SingleInstance::Forward(const InstanceRequest& request, InstanceReply& reply)
{
    const auto giveUp = Clock::now() + ClaimPatience;
    for (;;)
    {
        const Role role = Send(request, reply);
        if (role != Role::NoWindow)
            return role;
        // A held lock means a window is starting or closing: worth waiting for.
        ino_t inode = 0;
        if (!IsLockHeld(LockPath(), inode) || Clock::now() >= giveUp)
            return Role::NoWindow;
        std::this_thread::sleep_for(RetryPause);
    }
}

bool SingleInstance::TryLock()
{
    // The checker reports stale or foreign lock files through the log, which
    // would become message boxes; what matters here is only the outcome.
    wxLogNull quiet;
    for (int round = 0; round < 2; ++round)
    {
        auto checker = std::make_unique<wxSingleInstanceChecker>();
        if (checker->Create(m_name + ".lock", m_folder) && !checker->IsAnotherRunning())
        {
            m_checker = std::move(checker);
            return true;
        }
        checker.reset();
        if (round == 0 && !RemoveIfStale(LockPath()))
            return false;
    }
    return false;
}
