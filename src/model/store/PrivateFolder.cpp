#include "store/PrivateFolder.h"

#include <wx/filename.h>

#include <cerrno>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool PrivateFolder::MakeParents(const wxString& folder)
{
    const wxFileName name = wxFileName::DirName(folder);
    const std::string path(name.GetPath(wxPATH_GET_VOLUME | wxPATH_NO_SEPARATOR).fn_str());
    // Each missing folder on the way, outermost first; existing ones keep
    // their mode. Under an open umask the usual mode would let anyone plant
    // files in them (~/.local/share/applications).
    for (size_t slash = path.find('/', 1); ; slash = path.find('/', slash + 1))
    {
        const std::string part = path.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

bool PrivateFolder::Make(const wxString& folder)
{
    const wxFileName name = wxFileName::DirName(folder);
    const wxString parent = wxFileName(name.GetPath(wxPATH_GET_VOLUME | wxPATH_NO_SEPARATOR)).GetPath();
    if (!parent.empty() && !wxFileName::DirExists(parent))
        MakeParents(parent);
    const std::string path(name.GetPath(wxPATH_GET_VOLUME | wxPATH_NO_SEPARATOR).fn_str());
    // mkdir's mode passes through the umask, which can only take bits away.
    if (::mkdir(path.c_str(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    // A folder of an older version, made with the umask's 0755.
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    if (st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ::chmod(path.c_str(), st.st_mode & 07700);
    return true;
}

bool PrivateFolder::IsPrivate(const wxString& folder, bool followLink)
{
    struct stat st{};
    const int got = followLink ? ::stat(folder.fn_str(), &st) : ::lstat(folder.fn_str(), &st);
    return got == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & 077) == 0;
}

bool PrivateFolder::RestrictFile(const wxString& path, bool create)
{
    const std::string file(path.fn_str());
    // No O_CREAT through a planted link, and never blocking on a FIFO.
    const int fd = ::open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (create ? O_CREAT : 0),
                          0600);
    if (fd < 0)
        return false;
    struct stat st{};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_uid == ::geteuid() && (st.st_mode & 077) != 0)
        ok = ::fchmod(fd, st.st_mode & 07700) == 0;
    ::close(fd);
    return ok;
}
