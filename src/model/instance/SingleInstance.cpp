#include "instance/SingleInstance.h"

#include "instance/InstanceClient.h"
#include "store/PrivateFolder.h"

#include <wx/filename.h>
#include <wx/utils.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <cstdlib>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
using Clock = std::chrono::steady_clock;

// How long a start waits for a window whose lock is held but which does not
// answer yet (it is starting, or saving on its way out).
constexpr auto ClaimPatience = std::chrono::seconds(10);
constexpr auto RetryPause = std::chrono::milliseconds(50);
// A window may be busy, e.g. with a modal dialog, before it answers; the
// window itself drops a request it did not take within its queue limit.
constexpr int ReplyTimeoutMs = 120 * 1000;

bool SocketFits(const wxString& folder, const wxString& name)
{
    return (folder + "/" + name + ".sock").fn_str().length() < sizeof(sockaddr_un::sun_path);
}

// Where the lock lives; `socketFits`: the socket fits beside it.
wxString ChannelFolder(const wxString& configFolder, const wxString& name, bool& socketFits)
{
    socketFits = true;
    wxString runtime;
    if (wxGetEnv("XDG_RUNTIME_DIR", &runtime) && wxIsAbsolutePath(runtime) &&
        PrivateFolder::IsPrivate(runtime, true) && SocketFits(runtime, name))
        return runtime;
    const wxString own = configFolder + "/run";
    PrivateFolder::Make(configFolder);
    PrivateFolder::Make(own);
    if (!PrivateFolder::IsPrivate(own, false))
        return wxString();
    socketFits = SocketFits(own, name);
    return own;
}

// Folders for sockets of long configuration paths: short, the user's own.
wxString TempRoot()
{
    wxString root;
    if (wxGetEnv("TMPDIR", &root) && wxIsAbsolutePath(root) && root.length() < 40 && wxFileName::DirExists(root))
        return root;
    return wxS("/tmp");
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

// The kernel releases a lock when its holder dies, so the file's contents
// (a process id, for older versions of the program) never decide.
bool IsLockHeld(const wxString& path)
{
    const int fd = ::open(path.fn_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct flock query{};
    query.l_type = F_WRLCK;
    query.l_whence = SEEK_SET;
    const bool held = ::fcntl(fd, F_GETLK, &query) != 0 || query.l_type != F_UNLCK;
    ::close(fd);
    return held;
}
} // namespace

SingleInstance::SingleInstance(const wxString& configFolder)
    : m_name(ChannelName(configFolder))
{
    bool socketFits = true;
    m_folder = ChannelFolder(configFolder, m_name, socketFits);
    m_bSocketElsewhere = !socketFits;
}

SingleInstance::~SingleInstance()
{
    m_server.Stop();
    Unlock();
    if (!m_madeFolder.empty())
        ::rmdir(m_madeFolder.fn_str());
}

bool SingleInstance::MakeSocketFolder()
{
    std::string pattern = (TempRoot() + wxString::Format("/orvane-%lu-XXXXXX", static_cast<unsigned long>(::getuid())))
                              .ToStdString(wxConvFile);
    // Made 0700 and new: no one else can have put anything there.
    if (!::mkdtemp(pattern.data()))
        return false;
    m_madeFolder = wxString(pattern.c_str(), wxConvFile);
    const std::string record = std::to_string(::getpid()) + std::string(1, '\0') + pattern + "\n";
    return ::ftruncate(m_lockFd, 0) == 0 && ::pwrite(m_lockFd, record.data(), record.size(), 0) ==
                                                static_cast<ssize_t>(record.size());
}

wxString SingleInstance::RecordedSocketFolder() const
{
    if (!m_madeFolder.empty())
        return m_madeFolder;
    // The lock file is in our private folder: what it names is the window's.
    const int fd = ::open(LockPath().fn_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return wxString();
    char buffer[1024];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    if (n <= 0)
        return wxString();
    const std::string text(buffer, static_cast<size_t>(n));
    const size_t start = text.find('\0');
    const size_t end = text.find('\n', start);
    if (start == std::string::npos || end == std::string::npos)
        return wxString();
    const wxString folder(text.substr(start + 1, end - start - 1).c_str(), wxConvFile);
    return wxIsAbsolutePath(folder) && PrivateFolder::IsPrivate(folder, false) && SocketFits(folder, m_name)
               ? folder
               : wxString();
}

wxString SingleInstance::LockPath() const
{
    return m_folder + "/" + m_name + ".lock";
}

wxString SingleInstance::SocketPath() const
{
    if (!m_bSocketElsewhere)
        return m_folder + "/" + m_name + ".sock";
    const wxString folder = RecordedSocketFolder();
    return folder.empty() ? wxString() : folder + "/" + m_name + ".sock";
}

SingleInstance::Role SingleInstance::Refuse(const wxString& why)
{
    m_error = wxS("orvane: ") + why;
    return Role::Refused;
}

SingleInstance::Role SingleInstance::Send(const InstanceRequest& request, InstanceReply& reply,
                                          bool& tooLarge)
{
    const wxString socketPath = SocketPath();
    if (socketPath.empty())
        return Role::NoWindow;
    switch (InstanceClient::Send(socketPath, request, reply, ReplyTimeoutMs))
    {
    case InstanceClient::Result::Replied:
        return Role::Forwarded;
    case InstanceClient::Result::TimedOut:
        return Role::Unanswered;
    case InstanceClient::Result::WrongUser:
        return Refuse(wxString::Format("%s is served by another user; nothing was sent",
                                       SocketPath()));
    case InstanceClient::Result::TooLarge:
        tooLarge = true;
        break;
    case InstanceClient::Result::NoServer:
    case InstanceClient::Result::NoReply:
        break;
    }
    return Role::NoWindow;
}

SingleInstance::Role SingleInstance::Claim(const InstanceRequest& request, InstanceReply& reply)
{
    m_error.clear();
    if (m_folder.empty())
        return Refuse("no private folder for the single-instance lock and socket");
    const auto giveUp = Clock::now() + ClaimPatience;
    for (;;)
    {
        bool tooLarge = false;
        const Role role = Send(request, reply, tooLarge);
        if (role != Role::NoWindow)
            return role;
        switch (TryLock())
        {
        case Lock::Taken:
            if (m_bSocketElsewhere && !MakeSocketFolder())
            {
                m_error = wxString::Format("orvane: cannot make a private folder for the socket: %s",
                                           std::strerror(errno));
                return Role::First;
            }
            if (!m_server.Start(SocketPath()))
                m_error = wxString::Format("orvane: cannot listen on %s: %s", SocketPath(),
                                           std::strerror(errno));
            return Role::First;
        case Lock::Foreign:
            return Refuse(wxString::Format("the lock file %s belongs to another user", LockPath()));
        case Lock::Failed:
            return Refuse(wxString::Format("cannot lock %s: %s", LockPath(), std::strerror(errno)));
        case Lock::Held:
            break;
        }
        if (tooLarge)
            return Refuse(wxString::Format(
                "the command line is too long to hand to the running window (over %zu bytes); "
                "nothing was done",
                InstanceMessage::MaxRequestBytes));
        if (Clock::now() >= giveUp)
            return Refuse("a running window holds the lock but does not take requests (it may be "
                          "another version of the program); nothing was done");
        std::this_thread::sleep_for(RetryPause);
    }
}

SingleInstance::Role SingleInstance::Forward(const InstanceRequest& request, InstanceReply& reply)
{
    m_error.clear();
    if (m_folder.empty())
        return Role::NoWindow;
    const auto giveUp = Clock::now() + ClaimPatience;
    for (;;)
    {
        bool tooLarge = false;
        const Role role = Send(request, reply, tooLarge);
        if (role != Role::NoWindow)
            return role;
        // A held lock means a window is starting or closing: worth waiting for.
        if (!IsLockHeld(LockPath()))
            return Role::NoWindow;
        if (tooLarge)
            return Refuse("the request is too long to hand to the running window");
        if (Clock::now() >= giveUp)
            return Refuse("a running window holds the lock but does not take requests");
        std::this_thread::sleep_for(RetryPause);
    }
}

SingleInstance::Lock SingleInstance::TryLock()
{
    const wxString lockPath = LockPath();
    const wxScopedCharBuffer path = lockPath.fn_str();
    for (int round = 0; round < 3; ++round)
    {
        const int fd = ::open(path.data(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC,
                              S_IRUSR | S_IWUSR);
        struct stat st{};
        if (fd < 0)
            return ::lstat(path.data(), &st) == 0 && st.st_uid != ::getuid() ? Lock::Foreign
                                                                              : Lock::Failed;
        if (::fstat(fd, &st) != 0 || st.st_uid != ::getuid())
        {
            ::close(fd);
            return Lock::Foreign;
        }
        struct flock request{};
        request.l_type = F_WRLCK;
        request.l_whence = SEEK_SET;
        if (::fcntl(fd, F_SETLK, &request) != 0)
        {
            const int error = errno;
            ::close(fd);
            errno = error;
            return error == EACCES || error == EAGAIN ? Lock::Held : Lock::Failed;
        }
        // The holder before removed the file on its way out while this one
        // opened it: the lock counts only on the file the name still shows.
        struct stat now{};
        if (::stat(path.data(), &now) != 0 || now.st_ino != st.st_ino || now.st_dev != st.st_dev)
        {
            ::close(fd);
            continue;
        }
        // Older versions judge the file by the process id written in it.
        const std::string pid = std::to_string(::getpid());
        if (::ftruncate(fd, 0) == 0)
        {
            [[maybe_unused]] const ssize_t written = ::write(fd, pid.c_str(), pid.size() + 1);
        }
        m_lockFd = fd;
        return Lock::Taken;
    }
    return Lock::Held;
}

void SingleInstance::Unlock()
{
    if (m_lockFd < 0)
        return;
    // Removed while still locked, so that no one takes a lock on a file
    // that is about to lose its name.
    ::unlink(LockPath().fn_str());
    ::close(m_lockFd);
    m_lockFd = -1;
}
