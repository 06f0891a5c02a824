#pragma once

#include "catalogue/Engine.h"
#include "exchange/ImportMessage.h"

#include <wx/string.h>

#include <vector>

// Engines leave the program as an Orvane catalogue file (everything the
// catalogue holds) or as one OpenSearch 1.1 description per engine.
class EngineExport
{
public:
    // Longest ShortName OpenSearch 1.1 allows.
    static constexpr size_t ShortNameMax = 16;
    static constexpr size_t DescriptionMax = 1024;

    // Writes the engines, in this order, as a catalogue file (replacing it).
    static bool WriteCatalogue(const std::vector<const Engine*>& engines, const wxString& path,
                               ImportMessage& error);

    // Writes one description per engine into `folder`, never over an existing
    // file; `written` receives the paths, in the order of the engines.
    static bool WriteOpenSearch(const std::vector<const Engine*>& engines, const wxString& folder,
                                std::vector<wxString>& written, ImportMessage& error);

    // The description document of one engine.
    static std::string OpenSearchXml(const Engine& engine);

    // A file name (no ".xml" yet) from the engine's ShortName: letters and
    // digits of every script kept; slashes, backslashes, control and bidirectional
    // characters dropped; other ASCII punctuation and blanks made '_'; never
    // starting with '.' or '-'; "engine" when nothing is left.
    static wxString FileStem(const wxString& name);
};
