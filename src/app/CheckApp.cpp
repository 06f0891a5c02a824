#include "CheckApp.h"

#include "HeadlessCommand.h"
#include "IEHtmlWin.h"
#include "WebSession.h"
#include "base/Utf8.h"
#include "catalogue/EngineManager.h"
#include "outcome/EngineHealth.h"
#include "pages/CatalogueCheck.h"
#include "store/Preference.h"
#include "store/ProgramFolder.h"

#include <cstdio>

namespace
{
void PrintLines(FILE* stream, const std::vector<wxString>& lines)
{
    for (const wxString& line : lines)
    {
        const std::string bytes = ToUtf8(line + wxS("\n"));
        fwrite(bytes.data(), 1, bytes.size(), stream);
    }
    fflush(stream);
}
} // namespace

CheckApp::CheckApp(const CommandLine& command) : m_command(command)
{
}

CheckApp::~CheckApp() = default;

bool CheckApp::OnInit()
{
    // No wxApp::OnInit: the command line was read already.
    m_catalogue = std::make_unique<EngineManager>();
    m_catalogue->SetFileName(ProgramFolder::File(wxS("conf/config.xml")));
    m_catalogue->Load();
    m_health = std::make_unique<EngineHealth>();
    m_health->Load();
    // The site data as the person set it up: the cookies of earlier
    // searches are used, and a check passed here counts in the window too.
    WebSession::Configure(HeadlessCommand::StoredNumber(PreferenceKey::KeepCookies, PreferenceDefault::KeepCookies) != 0);
    wxIEHtmlWin::SetLoadTimeout(
        static_cast<int>(HeadlessCommand::StoredNumber(PreferenceKey::PageTimeout, PreferenceDefault::PageTimeout)));

    wxString language, category;
    HeadlessCommand::CurrentGroup(*m_catalogue, language, category);
    EngineCommand::Reply empty;
    const EngineArray engines =
        EngineCommand::CheckedEngines(m_command, *m_catalogue, language, category, empty.err);
    // Without a top window the loop would end at once.
    SetExitOnFrameDelete(false);
    if (engines.empty())
    {
        PrintLines(stderr, empty.err);
        m_nStatus = CommandLine::ExitNothing;
        CallAfter([this] { ExitMainLoop(); });
        return true;
    }
    m_check = std::make_unique<CatalogueCheck>(engines, m_command.Words(), *m_health,
                                               [this](const EngineCommand::Reply& reply) {
                                                   PrintLines(stdout, reply.out);
                                                   EngineArray all;
                                                   for (const auto& engine : m_catalogue->m_engines)
                                                       all.push_back(engine.get());
                                                   if (!m_health->Save(all))
                                                       fprintf(stderr, "orvane: the engine health could not be saved\n");
                                                   PrintLines(stderr, reply.err);
                                                   m_nStatus = reply.status;
                                                   ExitMainLoop();
                                               });
    m_check->Start();
    return true;
}

int CheckApp::OnRun()
{
    wxApp::OnRun();
    m_check.reset();
    return m_nStatus;
}
