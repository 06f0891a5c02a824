#include "ConfigStore.h"

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/utils.h>

#include <memory>

namespace
{
wxString g_lastBackup;

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

wxString FreeBackupName(const wxString& file)
{
    wxString name = file + ".bak";
    for (int n = 1; wxFileName::Exists(name); ++n)
        name = wxString::Format("%s.bak.%d", file, n);
    return name;
}
} // namespace

wxString ConfigStore::FilePath()
{
    return ConfigHome() + "/" + AppName + "/" + AppName + ".conf";
}

wxString ConfigStore::LastBackupPath()
{
    return g_lastBackup;
}

wxConfigBase* ConfigStore::Get()
{
    if (wxConfigBase* config = wxConfigBase::Get(false))
        return config;
    return Open();
}

wxConfigBase* ConfigStore::Open()
{
    g_lastBackup.clear();
    const wxString path = FilePath();
    wxFileName::Mkdir(wxFileName(path).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);

    std::unique_ptr<wxFileConfig> config;
    bool problem = false;
    {
        auto* probe = new ParseProblemLog;
        wxLog* previous = wxLog::SetActiveTarget(probe);
        config = std::make_unique<wxFileConfig>(AppName, VendorName, path, wxString(),
                                                wxCONFIG_USE_LOCAL_FILE);
        problem = probe->HadProblem();
        wxLog::SetActiveTarget(previous);
        delete probe;
    }

    if (problem && wxFileName::FileExists(path))
    {
        const wxString backup = FreeBackupName(path);
        if (wxRenameFile(path, backup, false))
            g_lastBackup = backup;
        else
        {
            // Could not keep the original aside: never overwrite it, run on
            // an in-memory store that is not written back.
            config->DisableAutoSave();
        }
    }

    // Keywords may contain '$'; they must come back as typed.
    config->SetExpandEnvVars(false);
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
