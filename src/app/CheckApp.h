#pragma once

#include "instance/CommandLine.h"

#include <wx/app.h>

#include <memory>

class CatalogueCheck;
class EngineHealth;
class EngineManager;

// `orvane --check` when no window runs: the toolkit is started for the
// browser views (so a display is needed) but no window is ever shown. The
// report is printed and the outcomes kept in the engine health.
class CheckApp : public wxApp
{
public:
    explicit CheckApp(const CommandLine& command);
    ~CheckApp() override;

    bool OnInit() override;
    int OnRun() override;

private:
    CommandLine m_command;
    std::unique_ptr<EngineManager> m_catalogue;
    std::unique_ptr<EngineHealth> m_health;
    std::unique_ptr<CatalogueCheck> m_check;
    int m_nStatus = CommandLine::ExitNothing;
};
