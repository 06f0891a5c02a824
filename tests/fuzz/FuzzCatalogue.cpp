// Loads arbitrary bytes as the catalogue file, queries it, changes it and
// saves it again: nothing may crash, leak or read out of bounds.
#include "catalogue/EngineManager.h"

#include <wx/filename.h>
#include <wx/init.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace
{
std::string g_dir;
}

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    char pattern[] = "/tmp/orvane-fuzz-catalogue-XXXXXX";
    g_dir = mkdtemp(pattern);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = g_dir + "/config.xml";
    if (FILE* f = std::fopen(file.c_str(), "wb"))
    {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    EngineManager manager;
    manager.SetFileName(wxString::FromUTF8(file));
    manager.Load();

    wxArrayString languages;
    manager.GetLanguages(languages);
    for (const wxString& language : languages)
    {
        wxArrayString categories;
        manager.GetCategories(categories, language);
        for (const wxString& category : categories)
            manager.GetEngines(language, category, true);
    }
    manager.GetMaxIndex();
    manager.GetEnabledCount();
    if (!manager.m_engines.empty())
        manager.EngineChanged(manager.m_engines.front().get());
    else
        manager.AddEngine(std::make_unique<Engine>());
    manager.Save();
    ::unlink((file + ".bak").c_str());
    return 0;
}
