#include "HeadlessCommand.h"

#include "base/AppInfo.h"
#include "store/ConfigStore.h"
#include "instance/EngineCommand.h"
#include "catalogue/EngineManager.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"
#include "base/TerminalText.h"
#include "base/Utf8.h"

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/init.h>

#include <cstdio>

namespace
{
void Print(FILE* stream, const wxString& text)
{
    const std::string bytes = ToUtf8(text);
    fwrite(bytes.data(), 1, bytes.size(), stream);
}


// The stored group, read without writing anything back.
void StoredGroup(wxString& language, wxString& category, bool& preferStored)
{
    const wxString path = ConfigStore::FilePath();
    preferStored = PreferenceDefault::PreserveLangCategory > 0;
    if (!wxFileExists(path))
        return;
    wxFileConfig store(ConfigStore::AppName, ConfigStore::VendorName, path, wxString(),
                       wxCONFIG_USE_LOCAL_FILE);
    store.SetExpandEnvVars(false);
    long preserve = PreferenceDefault::PreserveLangCategory;
    store.Read(PreferenceKey::PreserveLangCategory, &preserve);
    preferStored = preserve > 0;
    language = store.Read(PreferenceKey::Lang, wxString());
    category = store.Read(PreferenceKey::Category, wxString());
}
} // namespace

int HeadlessCommand::Run(const CommandLine& command)
{
    switch (command.m_action)
    {
    case CommandLine::Action::Help:
        Print(stdout, CommandLine::Usage());
        return CommandLine::ExitOk;
    case CommandLine::Action::Version:
        Print(stdout, wxS("Orvane ") + wxString::FromUTF8(AppInfo::Version) + wxS("\nLicence: ") +
                          wxString::FromUTF8(AppInfo::Licence) + wxS(" (GNU GPL version 3 or later)\n"));
        return CommandLine::ExitOk;
    case CommandLine::Action::UsageError:
        // One line: the whole help would bury what was wrong.
        Print(stderr, TerminalText::Escape(command.m_strError) + wxS("; see orvane --help\n"));
        return CommandLine::ExitUsage;
    case CommandLine::Action::Window:
        return CommandLine::ExitUsage;
    default:
        break;
    }

    // A console application object: the toolkit's base services (paths,
    // converters, configuration) without touching the display.
    wxApp::SetInstance(new wxAppConsole);
    int argc = 0;
    wxInitializer initializer(argc, static_cast<wxChar**>(nullptr));
    if (!initializer.IsOk())
    {
        Print(stderr, wxS("orvane: cannot initialise\n"));
        return CommandLine::ExitNothing;
    }

    EngineManager catalogue;
    catalogue.SetFileName(ProgramFolder::File(wxS("conf/config.xml")));
    catalogue.Load();

    wxString language, category;
    CurrentGroup(catalogue, language, category);

    EngineCommand::Reply reply = EngineCommand::Run(command, catalogue, language, category);
    if (!catalogue.Save())
    {
        reply.err.push_back(wxS("orvane: the catalogue could not be saved; nothing was added"));
        reply.status = CommandLine::ExitNothing;
    }
    PrintLines(stdout, reply.out);
    PrintLines(stderr, reply.err);
    fflush(stdout);
    return reply.status;
}

void HeadlessCommand::CurrentGroup(const EngineManager& catalogue, wxString& language, wxString& category)
{
    wxString storedLanguage, storedCategory;
    bool preferStored = true;
    StoredGroup(storedLanguage, storedCategory, preferStored);
    EngineCommand::StartGroup(catalogue, storedLanguage, storedCategory, preferStored, language, category);
}

long HeadlessCommand::StoredNumber(const char* key, long fallback)
{
    const wxString path = ConfigStore::FilePath();
    if (!wxFileExists(path))
        return fallback;
    wxFileConfig store(ConfigStore::AppName, ConfigStore::VendorName, path, wxString(), wxCONFIG_USE_LOCAL_FILE);
    store.SetExpandEnvVars(false);
    long value = fallback;
    store.Read(key, &value);
    return value;
}

void HeadlessCommand::PrintLines(FILE* stream, const std::vector<wxString>& lines)
{
    // Names and addresses come from files and pages: nothing in them may
    // drive the terminal.
    for (const wxString& line : lines)
        Print(stream, TerminalText::EscapeLine(line) + wxS("\n"));
    fflush(stream);
}
