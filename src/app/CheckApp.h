#pragma once

#include "instance/CommandLine.h"

#include <wx/app.h>

#include <memory>
#include <vector>

class CatalogueCheck;
class EngineHealth;
class EngineManager;
class WebDownloads;

// `orvane --check` and `orvane --results` when no window runs: the toolkit is started for the
// browser views (so a display is needed) but no window is ever shown. The
// report is printed and the outcomes kept in the engine health. A quit
// signal ends the check with its pages' processes, then the program as
// the signal would have.
class CheckApp : public wxApp
{
public:
    explicit CheckApp(const CommandLine& command);
    ~CheckApp() override;

    bool OnInit() override;
    int OnRun() override;

private:
    void QuitOnSignal(int signal);

    CommandLine m_command;
    std::unique_ptr<EngineManager> m_catalogue;
    std::unique_ptr<EngineHealth> m_health;
    // Refuses whatever a page starts to download: nobody is asked here.
    std::unique_ptr<WebDownloads> m_downloads;
    std::unique_ptr<CatalogueCheck> m_check;
    std::vector<unsigned> m_signalSources;
    int m_nSignal = 0;
    int m_nStatus = CommandLine::ExitNothing;
};
