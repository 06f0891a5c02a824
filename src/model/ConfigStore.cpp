#include "ConfigStore.h"

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

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

wxString FreeBackupName(const wxString& file)
{
    wxString name = file + ".bak";
    for (int n = 1; wxFileName::Exists(name); ++n)
        name = wxString::Format("%s.bak.%d", file, n);
    return name;
}
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
    wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    auto open = [&path](bool& problem) {
        ParseProblemLog probe;
        wxLog* previous = wxLog::SetActiveTarget(&probe);
        auto config = std::make_unique<wxFileConfig>(AppName, VendorName, path, wxString(),
                                                     wxCONFIG_USE_LOCAL_FILE);
        problem = probe.HadProblem();
        wxLog::SetActiveTarget(previous);
        // Keywords may contain '$'; they must come back as typed.
        config->SetExpandEnvVars(false);
        return config;
    };

    bool problem = false;
    std::unique_ptr<wxFileConfig> config = open(problem);
    if (problem && wxFileName::FileExists(path))
    {
        const wxString backup = FreeBackupName(path);
        if (wxRenameFile(path, backup, false))
        {
            // The parser keeps bad lines verbatim; a fresh store with only
            // the entries it understood stops the problem from recurring.
            bool ignored = false;
            std::unique_ptr<wxFileConfig> fresh = open(ignored);
            CopyEntries(*config, *fresh);
            fresh->Flush();
            config->DisableAutoSave();
            config = std::move(fresh);
        }
        else
        {
            // The original could not be kept aside: never overwrite it.
            config->DisableAutoSave();
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
