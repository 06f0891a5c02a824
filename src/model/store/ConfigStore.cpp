#include "store/ConfigStore.h"

#include "store/PrivateFolder.h"
#include "store/SafeFile.h"

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/mstream.h>
#include <wx/utils.h>
#include <wx/wfstream.h>

#include <memory>

namespace
{
// Collects what the file parser reports instead of showing it: any error or
// warning while reading means some of the file would be lost on the next write.
class ParseProblemLog : public wxLog
{
public:
    bool HadProblem() const { return m_problem; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString&, const wxLogRecordInfo&) override
    {
        if (level <= wxLOG_Warning)
            m_problem = true;
    }

private:
    bool m_problem = false;
};

wxString ConfigHome()
{
    wxString xdg;
    // Relative values are invalid by the XDG rules and are ignored.
    if (wxGetEnv("XDG_CONFIG_HOME", &xdg) && wxIsAbsolutePath(xdg))
        return xdg;
    return wxGetHomeDir() + "/.config";
}

// Copies every entry below the current path of `from` into `to`, as text.
void CopyEntries(wxConfigBase& from, wxConfigBase& to)
{
    wxString name;
    long cookie = 0;
    for (bool more = from.GetFirstEntry(name, cookie); more; more = from.GetNextEntry(name, cookie))
        to.Write(name, from.Read(name, wxString()));

    wxArrayString groups;
    for (bool more = from.GetFirstGroup(name, cookie); more; more = from.GetNextGroup(name, cookie))
        groups.Add(name);
    for (const wxString& group : groups)
    {
        const wxString fromPath = from.GetPath(), toPath = to.GetPath();
        from.SetPath(group);
        to.SetPath(group);
        CopyEntries(from, to);
        from.SetPath(fromPath.empty() ? "/" : fromPath);
        to.SetPath(toPath.empty() ? "/" : toPath);
    }
}

// The store file, saved through SafeFile: the toolkit's own save removes the
// file before it renames the new one into place, without syncing, so a crash
// in between would lose every setting and the history.
class StoreFile : public wxFileConfig
{
public:
    explicit StoreFile(const wxString& path)
        : wxFileConfig(ConfigStore::AppName, ConfigStore::VendorName, path, wxString(),
                       wxCONFIG_USE_LOCAL_FILE),
          m_path(path)
    {
    }

    // Runs before the toolkit's destructor, whose own save then finds
    // nothing left to write.
    ~StoreFile() override
    {
        if (!m_bKeepFile)
            Flush();
    }

    // The file on disk is never written again by this store.
    void KeepFile()
    {
        m_bKeepFile = true;
        DisableAutoSave();
    }

    bool Flush(bool = false) override
    {
        if (m_bKeepFile)
            return true;
        wxMemoryOutputStream out;
        if (!Save(out, wxConvUTF8))
            return false;
        std::string bytes(out.GetLength(), '\0');
        out.CopyTo(&bytes[0], bytes.size());
        // Nothing changed: the file stays as it is.
        if (wxFileName::FileExists(m_path) && ReadAll(m_path) == bytes)
            return true;
        // The history of what the person searched for is theirs alone.
        return SafeFile::Replace(m_path, bytes, SafeFile::Access::Private);
    }

private:
    static std::string ReadAll(const wxString& path)
    {
        wxFileInputStream in(path);
        std::string bytes;
        char buffer[16 * 1024];
        while (in.IsOk() && !in.Eof())
            bytes.append(buffer, in.Read(buffer, sizeof buffer).LastRead());
        return bytes;
    }

    wxString m_path;
    bool m_bKeepFile = false;
};
} // namespace

wxString ConfigStore::Folder()
{
    return ConfigHome() + "/" + AppName;
}

wxString ConfigStore::FilePath()
{
    return Folder() + "/" + AppName + ".conf";
}

wxConfigBase* ConfigStore::Get()
{
    if (wxConfigBase* config = wxConfigBase::Get(false))
        return config;
    return Open();
}

wxConfigBase* ConfigStore::Open()
{
    const wxString path = FilePath();
    PrivateFolder::Make(wxFileName(path).GetPath());
    // A store left readable by an older version is closed before it is read.
    PrivateFolder::RestrictFile(path, false);

    auto open = [&path](bool& problem) {
        ParseProblemLog probe;
        wxLog* previous = wxLog::SetActiveTarget(&probe);
        auto config = std::make_unique<StoreFile>(path);
        problem = probe.HadProblem();
        wxLog::SetActiveTarget(previous);
        // Keywords may contain '$'; they must come back as typed.
        config->SetExpandEnvVars(false);
        return config;
    };

    bool problem = false;
    std::unique_ptr<StoreFile> config = open(problem);
    if (problem && wxFileName::FileExists(path))
    {
        // A linked store keeps its link: the file it names is set aside.
        const wxString real = SafeFile::Target(path);
        const wxString backup = SafeFile::FreeBackupName(real);
        if (wxRenameFile(real, backup, false))
        {
            // The parser keeps bad lines verbatim; a fresh store with only
            // the entries it understood stops the problem from recurring.
            bool ignored = false;
            std::unique_ptr<StoreFile> fresh = open(ignored);
            CopyEntries(*config, *fresh);
            fresh->Flush();
            config->KeepFile();
            config = std::move(fresh);
        }
        else
        {
            // The original could not be kept aside: never overwrite it.
            config->KeepFile();
        }
    }

    config->SetRecordDefaults(true);

    delete wxConfigBase::Set(config.get());
    return config.release();
}

void ConfigStore::Close()
{
    if (wxConfigBase* config = wxConfigBase::Set(nullptr))
    {
        config->Flush();
        delete config;
    }
}
