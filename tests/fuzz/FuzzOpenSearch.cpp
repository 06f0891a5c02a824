// Feeds arbitrary bytes as an OpenSearch description, mapped against a web
// address; a mapped engine must always carry a usable template.
#include "exchange/OpenSearchDescription.h"

#include <wx/init.h>

#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static wxInitializer init;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    OpenSearchDescription description;
    ImportMessage problem;
    if (!description.Parse(std::string(reinterpret_cast<const char*>(data), size), problem))
        return 0;
    OpenSearchDescription::RootName(std::string(reinterpret_cast<const char*>(data), size));
    Engine engine;
    if (description.ToEngine("https://site.test/a/desc.xml", engine, problem) &&
        (engine.m_strName.empty() || engine.m_strUrl.find('*') == wxString::npos ||
         !(engine.m_strUrl.Lower().StartsWith("http://") || engine.m_strUrl.Lower().StartsWith("https://")) ||
         engine.m_strUrl.Lower().StartsWith("http:///") || engine.m_strUrl.Lower().StartsWith("https:///")))
        std::abort();
    return 0;
}
