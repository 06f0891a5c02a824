#include "store/SafeFile.h"

#include "store/PrivateFolder.h"

#include <wx/filename.h>
#include <wx/stream.h>

#include <cerrno>
#include <cstdlib>
#include <random>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// An output stream over a descriptor that writes everything or remembers
// that it could not: a short write on a full disk is a failure too.
class DescriptorStream : public wxOutputStream
{
public:
    explicit DescriptorStream(int fd) : m_fd(fd) {}
    bool Failed() const { return m_failed; }

protected:
    size_t OnSysWrite(const void* buffer, size_t size) override
    {
        const char* p = static_cast<const char*>(buffer);
        size_t done = 0;
        while (!m_failed && done < size)
        {
            const ssize_t written = ::write(m_fd, p + done, size - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                m_failed = true;
            else
                done += static_cast<size_t>(written);
        }
        m_lasterror = m_failed ? wxSTREAM_WRITE_ERROR : wxSTREAM_NO_ERROR;
        return done;
    }

private:
    int m_fd;
    bool m_failed = false;
};

std::string Narrow(const wxString& path)
{
    return std::string(path.fn_str());
}

wxString Wide(const std::string& path)
{
    return wxString(path.c_str(), *wxConvFileName);
}

// Temporary names: "<file>.tmp.<pid>.<random>", so that the process that
// left one behind can be told from a save still running.
const char* const TempMark = ".tmp.";

bool ProcessIsGone(const std::string& digits)
{
    char* end = nullptr;
    const long pid = std::strtol(digits.c_str(), &end, 10);
    if (digits.empty() || *end != '\0' || pid <= 0)
        return false;
    return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// Ours and stale: "<file>.tmp.<pid>.<x>" of a process that is gone, and the
// names earlier versions used, "<file>.tmp<n>" and "<file>.<pid>.tmp".
bool IsStaleTemporary(const std::string& name, const std::string& base)
{
    if (name.compare(0, base.size(), base) != 0)
        return false;
    const std::string rest = name.substr(base.size());
    if (rest.compare(0, 5, TempMark) == 0)
    {
        const size_t dot = rest.find('.', 5);
        return dot != std::string::npos && ProcessIsGone(rest.substr(5, dot - 5));
    }
    if (rest.compare(0, 4, ".tmp") == 0 && AllDigits(rest.substr(4)))
        return true;
    if (rest.size() > 5 && rest[0] == '.' && rest.compare(rest.size() - 4, 4, ".tmp") == 0)
        return ProcessIsGone(rest.substr(1, rest.size() - 5));
    return false;
}

void RemoveStaleTemporaries(const std::string& folder, const std::string& base)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir))
    {
        const std::string name = entry->d_name;
        struct stat st{};
        const std::string full = folder + "/" + name;
        if (IsStaleTemporary(name, base) && ::lstat(full.c_str(), &st) == 0 && S_ISREG(st.st_mode))
            ::unlink(full.c_str());
    }
    ::closedir(dir);
}

void SyncFolder(const std::string& folder)
{
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

wxString SafeFile::Target(const wxString& path)
{
    wxFileName name(path);
    name.MakeAbsolute();
    std::string current = Narrow(name.GetFullPath());
    // As the kernel does: give up on a loop after 40 links.
    for (int hops = 0; hops < 40; ++hops)
    {
        struct stat st{};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            break;
        std::string link(static_cast<size_t>(st.st_size > 0 ? st.st_size : 4096) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), &link[0], link.size());
        if (n <= 0)
            break;
        link.resize(static_cast<size_t>(n));
        if (link[0] != '/')
            link = current.substr(0, current.rfind('/') + 1) + link;
        current = link;
    }
    wxFileName target(Wide(current));
    target.Normalize(wxPATH_NORM_DOTS | wxPATH_NORM_ABSOLUTE);
    return target.GetFullPath();
}

wxString SafeFile::FreeBackupName(const wxString& file)
{
    wxString name = file + ".bak";
    for (int n = 1; wxFileName::Exists(name, wxFILE_EXISTS_ANY | wxFILE_EXISTS_NO_FOLLOW); ++n)
        name = wxString::Format("%s.bak.%d", file, n);
    return name;
}

bool SafeFile::Replace(const wxString& path, const Writer& write, Access access)
{
    const bool isPrivate = access == Access::Private;
    const wxFileName target(Target(path));
    // A missing folder is made; an existing one (a link's target may be
    // anywhere the person chose) keeps its mode.
    if (!target.DirExists() && !(isPrivate ? PrivateFolder::Make(target.GetPath())
                                           : PrivateFolder::MakeParents(target.GetPath())))
        return false;
    const std::string targetPath = Narrow(target.GetFullPath());
    const std::string folder = Narrow(target.GetPath());

    // The replacement keeps what the user gave the file: its permissions and,
    // where we may, its owner.
    struct stat old{};
    const bool replacing = ::stat(targetPath.c_str(), &old) == 0;
    mode_t mode = replacing ? (old.st_mode & 07777) : (isPrivate ? 0600 : 0666);
    if (isPrivate)
        mode &= 07700;

    // O_EXCL with a fresh random part: no other save, in this process or
    // another, ever writes into the same temporary file.
    std::random_device entropy;
    std::string tempPath;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt)
    {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, "%s%ld.%08x", TempMark, static_cast<long>(::getpid()),
                      static_cast<unsigned>(entropy()));
        tempPath = targetPath + suffix;
        // Created no wider than the final mode; fchmod below only widens it
        // to a file's own shared mode, still before anything is written.
        fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, replacing ? 0600 : mode);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    if (replacing)
    {
        // Owner first: a change of owner clears the set-id bits.
        [[maybe_unused]] const int ignored = ::fchown(fd, old.st_uid, old.st_gid);
        ::fchmod(fd, mode);
    }

    bool ok;
    {
        DescriptorStream raw(fd);
        wxBufferedOutputStream buffered(raw, 64 * 1024);
        ok = write(buffered);
        ok = buffered.Close() && ok && !raw.Failed();
    }
    ok = ok && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(tempPath.c_str(), targetPath.c_str()) == 0;
    if (!ok)
    {
        ::unlink(tempPath.c_str());
        return false;
    }
    SyncFolder(folder);
    RemoveStaleTemporaries(folder, Narrow(target.GetFullName()));
    return true;
}

bool SafeFile::Replace(const wxString& path, const std::string& bytes, Access access)
{
    return Replace(path, [&bytes](wxOutputStream& out) {
        out.Write(bytes.data(), bytes.size());
        return out.LastWrite() == bytes.size();
    }, access);
}
