#pragma once

#include <string>

// What a result page turned out to be once loaded. The names are the ones
// `orvane --check` prints and the health file stores.
enum class PageOutcome
{
    Results,    // the engine's result page with results
    Empty,      // the engine's result page, which found nothing
    BotCheck,   // a CAPTCHA or challenge stands before the results
    Consent,    // a cookie-consent or "before you continue" wall covers the page
    HttpError,  // an error status and no bot check
    Failed,     // no answer at all
};

const char* OutcomeName(PageOutcome outcome);
// False for a name that is none of the above.
bool ParseOutcome(const std::string& name, PageOutcome& outcome);
// Bot checks and consent walls wait for the person.
bool NeedsPerson(PageOutcome outcome);

// An outcome with what decided it ("cf-mitigated: challenge", "12 result links").
struct PageVerdict
{
    PageOutcome outcome = PageOutcome::Failed;
    std::string reason;
};
