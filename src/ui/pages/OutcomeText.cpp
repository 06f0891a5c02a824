#include "pages/OutcomeText.h"

#include <wx/intl.h>

wxString OutcomeText::Describe(PageOutcome outcome)
{
    switch (outcome)
    {
        case PageOutcome::Results: return _("Results: the engine found pages");
        case PageOutcome::Empty: return _("Empty: the engine found nothing");
        case PageOutcome::BotCheck: return _("Bot check: the engine asks you to prove you are human");
        case PageOutcome::Consent: return _("Consent: a cookie-consent wall covers the page");
        case PageOutcome::HttpError: return _("Server error: the server answered with an error");
        case PageOutcome::Failed: return _("Failed: no answer from the server");
    }
    return wxString();
}

wxString OutcomeText::Describe(PageOutcome outcome, int status)
{
    if (status <= 0 || outcome == PageOutcome::Failed)
        return Describe(outcome);
    // TRANSLATORS: an outcome's description, then an HTTP status code such as 429
    return wxString::Format(_("%s (HTTP %d)"), Describe(outcome), status);
}

wxString OutcomeText::Name(PageOutcome outcome)
{
    switch (outcome)
    {
        case PageOutcome::Results: return _("results");
        case PageOutcome::Empty: return _("empty");
        case PageOutcome::BotCheck: return _("bot check");
        case PageOutcome::Consent: return _("consent");
        case PageOutcome::HttpError: return _("server error");
        case PageOutcome::Failed: return _("failed");
    }
    return wxString();
}

wxString OutcomeText::Summary(const std::map<PageOutcome, int>& counts)
{
    auto count = [&](PageOutcome outcome) {
        const auto it = counts.find(outcome);
        return it == counts.end() ? 0 : it->second;
    };
    wxString summary;
    auto add = [&](const wxString& part) {
        if (!summary.empty())
            summary << wxString::FromUTF8(" \xc2\xb7 ");
        summary << part;
    };
    if (const int n = count(PageOutcome::Results))
        // TRANSLATORS: part of the search summary: engines whose page has results
        add(wxString::Format(wxPLURAL("%d with results", "%d with results", n), n));
    const int bots = count(PageOutcome::BotCheck);
    const int walls = count(PageOutcome::Consent);
    if (bots + walls > 0)
    {
        wxString kinds;
        if (bots)
            kinds = Name(PageOutcome::BotCheck);
        if (walls)
            kinds << (kinds.empty() ? "" : ", ") << Name(PageOutcome::Consent);
        // TRANSLATORS: part of the search summary: pages waiting for the person, then which kinds
        add(wxString::Format(wxPLURAL("%d needs you (%s)", "%d need you (%s)", bots + walls), bots + walls, kinds));
    }
    if (const int n = count(PageOutcome::Empty))
        // TRANSLATORS: part of the search summary: engines that found nothing
        add(wxString::Format(wxPLURAL("%d empty", "%d empty", n), n));
    if (const int n = count(PageOutcome::HttpError))
        // TRANSLATORS: part of the search summary: pages the server answered with an error status
        add(wxString::Format(wxPLURAL("%d server error", "%d server errors", n), n));
    if (const int n = count(PageOutcome::Failed))
        // TRANSLATORS: part of the search summary: engines that did not answer
        add(wxString::Format(wxPLURAL("%d failed", "%d failed", n), n));
    return summary;
}
