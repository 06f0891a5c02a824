#include "outcome/PageOutcome.h"

namespace
{
const PageOutcome All[] = {PageOutcome::Results,   PageOutcome::Empty,     PageOutcome::BotCheck,
                           PageOutcome::Consent,   PageOutcome::HttpError, PageOutcome::Failed};
}

const char* OutcomeName(PageOutcome outcome)
{
    switch (outcome)
    {
        case PageOutcome::Results: return "results";
        case PageOutcome::Empty: return "empty";
        case PageOutcome::BotCheck: return "bot-check";
        case PageOutcome::Consent: return "consent";
        case PageOutcome::HttpError: return "http-error";
        case PageOutcome::Failed: return "failed";
    }
    return "failed";
}

bool ParseOutcome(const std::string& name, PageOutcome& outcome)
{
    for (PageOutcome candidate : All)
    {
        if (name == OutcomeName(candidate))
        {
            outcome = candidate;
            return true;
        }
    }
    return false;
}

bool NeedsPerson(PageOutcome outcome)
{
    return outcome == PageOutcome::BotCheck || outcome == PageOutcome::Consent;
}
