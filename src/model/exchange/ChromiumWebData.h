#pragma once

#include "exchange/BrowserEngine.h"

#include <wx/string.h>

#include <string>
#include <vector>

// The engines of a Chromium-family profile: the "keywords" table of its
// SQLite file "Web Data". The file is opened read-only and as immutable, so
// a running browser is neither blocked by our locks nor sees a journal.
class ChromiumWebData
{
public:
    // The bytes start with the SQLite file header.
    static bool HasMagic(const std::string& bytes);

    // The rows of the table, in id order, at most ImportLimits::MaxEngines
    // (`note` then says so); false with the reason in `error` when the file
    // or the table cannot be read, or reading takes longer than TimeBudgetMs.
    static bool Read(const wxString& path, std::vector<BrowserEngine>& engines, ImportMessage& error,
                     ImportMessage* note = nullptr);
    static constexpr long TimeBudgetMs = 5000;

    // A stored address with the browser's placeholders replaced: {searchTerms}
    // by '*' (or kept, for a suggestion address), {inputEncoding} by
    // `encoding`, {google:baseURL} by the engine's home, every other one by
    // nothing. A literal '*' is escaped. False when {searchTerms} is missing.
    static bool Expand(const wxString& stored, const wxString& encoding, bool forSuggestions,
                       wxString& url);
};
