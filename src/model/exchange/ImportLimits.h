#pragma once

#include "catalogue/Engine.h"
#include "exchange/ImportMessage.h"

#include <cstddef>

// How much one browser profile or file may bring in: a hostile file must not
// fill the catalogue, the memory or the screen. More is refused with a note
// that names the limit.
class ImportLimits
{
public:
    static constexpr size_t MaxEngines = 1000;       // per profile and per file
    static constexpr size_t MaxNameChars = 256;
    static constexpr size_t MaxAddressBytes = 8192;  // UTF-8, after expansion
    // Nesting deeper than this in a browser's JSON is not what a browser writes.
    static constexpr int MaxJsonDepth = 64;

    // The engine's name and addresses within the limits; else false with
    // the reason in `problem`.
    static bool Check(const Engine& engine, ImportMessage& problem);
    // The note for a file that holds more than MaxEngines engines.
    static ImportMessage TooManyEngines();
    // A name cut to MaxNameChars, marked as cut, for reports.
    static wxString ShortName(const wxString& name);
};
