#pragma once

#include "outcome/PageOutcome.h"

#include <wx/string.h>

#include <map>

// The person's words for page outcomes: on a tab's tooltip, in the status
// bar's summary at the end of a search, and in the engine list's health.
class OutcomeText
{
public:
    // "Bot check: the engine asks you to prove you are human"
    static wxString Describe(PageOutcome outcome);
    // As Describe, with the HTTP status where there is one.
    static wxString Describe(PageOutcome outcome, int status);
    // A short name: "bot check".
    static wxString Name(PageOutcome outcome);
    // "31 with results · 4 need you (bot check, consent) · 2 empty · 3 failed";
    // outcomes with no page are left out.
    static wxString Summary(const std::map<PageOutcome, int>& counts);
};
