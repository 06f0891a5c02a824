#include "exchange/ChromiumWebData.h"
#include "exchange/UrlTemplate.h"

#include "base/RelativeUrl.h"
#include "base/TerminalText.h"
#include "catalogue/EngineRules.h"
#include "exchange/ImportLimits.h"

#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/uri.h>

#include <sqlite3.h>

#include <chrono>
#include <cstring>
#include <memory>

namespace
{
struct DatabaseClose
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalize
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

wxString Column(sqlite3_stmt* statement, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    if (!text)
        return wxString();
    return wxString::FromUTF8Unchecked(text, static_cast<size_t>(sqlite3_column_bytes(statement, column)));
}

// "file:" URI of a path: every byte outside the unreserved set escaped, so
// that '?', '#' and '%' in folder names stay part of the path.
std::string FileUri(const wxString& path)
{
    wxFileName name(path);
    name.MakeAbsolute();
    const std::string utf8 = name.GetFullPath().ToStdString(wxConvUTF8);
    std::string uri = "file:";
    static const char hex[] = "0123456789ABCDEF";
    for (const char byte : utf8)
    {
        const auto c = static_cast<unsigned char>(byte);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            std::strchr("/-._~", c))
            uri += static_cast<char>(c);
        else
        {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        }
    }
    return uri + "?mode=ro&immutable=1";
}

ImportMessage SqliteError(sqlite3* db)
{
    return ImportMessage(wxTRANSLATE("The browser's engine file cannot be read (%s)."),
                         wxString::FromUTF8Unchecked(db ? sqlite3_errmsg(db) : "out of memory"));
}

const char* const GoogleBase = "https://www.google.com/";
// Of a stored address, before its placeholders are expanded.
constexpr size_t MaxStoredChars = 64 * 1024;
} // namespace

bool ChromiumWebData::HasMagic(const std::string& bytes)
{
    return bytes.compare(0, 16, std::string("SQLite format 3\0", 16)) == 0;
}

bool ChromiumWebData::Expand(const wxString& stored, const wxString& encoding, bool forSuggestions,
                             wxString& url)
{
    bool hasSearchTerms = false;
    url = UrlTemplate::Expand(stored, !forSuggestions, [&](const wxString& name) -> wxString {
        if (name == wxS("searchTerms"))
        {
            hasSearchTerms = true;
            return forSuggestions ? wxS("{searchTerms}") : wxS("*");
        }
        if (name == wxS("inputEncoding"))
            return encoding;
        if (name == wxS("google:baseURL") || name == wxS("google:baseSuggestURL"))
            return GoogleBase;
        // Every other placeholder (RLZ, client, ...) stays empty.
        return wxString();
    });
    return hasSearchTerms;
}

bool ChromiumWebData::Read(const wxString& path, std::vector<BrowserEngine>& engines,
                           ImportMessage& error, ImportMessage* note)
{
    engines.clear();
    sqlite3* raw = nullptr;
    const int opened = sqlite3_open_v2(FileUri(path).c_str(), &raw,
                                       SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<sqlite3, DatabaseClose> db(raw);
    if (opened != SQLITE_OK)
    {
        error = SqliteError(db.get());
        return false;
    }
    // A damaged file must not keep a caller (the GUI thread) waiting, nor
    // may a hostile one (a view that never ends, a table of millions).
    sqlite3_busy_timeout(db.get(), 0);
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeBudgetMs);
    auto overdue = [](void* data) -> int {
        return std::chrono::steady_clock::now() > *static_cast<std::chrono::steady_clock::time_point*>(data);
    };
    sqlite3_progress_handler(db.get(), 1000, overdue, &deadline);
    auto prepare = [&](const char* sql) -> std::unique_ptr<sqlite3_stmt, StatementFinalize> {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db.get(), sql, -1, &statement, nullptr) != SQLITE_OK)
            return nullptr;
        return std::unique_ptr<sqlite3_stmt, StatementFinalize>(statement);
    };
    // Only a real table: a view of the same name could be endless.
    {
        auto table = prepare("SELECT 1 FROM sqlite_schema WHERE type = 'table' AND name = 'keywords'");
        if (!table)
        {
            error = SqliteError(db.get());
            return false;
        }
        const int found = sqlite3_step(table.get());
        if (found != SQLITE_ROW)
        {
            error = found == SQLITE_DONE
                        ? ImportMessage(wxTRANSLATE("The browser's engine file holds no engine table."))
                        : SqliteError(db.get());
            return false;
        }
    }
    // Bounded copies of each field: the limits are checked on what they keep,
    // one more than allowed tells a value is too long.
    static const std::string query =
        "SELECT substr(short_name, 1, " + std::to_string(ImportLimits::MaxNameChars + 1) +
        "), substr(keyword, 1, 1024), substr(url, 1, " + std::to_string(MaxStoredChars) +
        "), substr(input_encodings, 1, 1024), substr(suggest_url, 1, " + std::to_string(MaxStoredChars) +
        "), length(search_url_post_params) > 0 FROM main.keywords ORDER BY id LIMIT " +
        std::to_string(ImportLimits::MaxEngines + 1);
    auto statement = prepare(query.c_str());
    if (!statement)
    {
        error = SqliteError(db.get());
        return false;
    }
    int step;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW)
    {
        if (engines.size() == ImportLimits::MaxEngines)
        {
            if (note)
                *note = ImportLimits::TooManyEngines();
            step = SQLITE_DONE;
            break;
        }
        BrowserEngine result;
        Engine& engine = result.engine;
        engine.m_strName = Column(statement.get(), 0).Trim(true).Trim(false);
        const wxString keyword = Column(statement.get(), 1).Trim(true).Trim(false);
        const wxString stored = Column(statement.get(), 2).Trim(true).Trim(false);
        wxString encoding = Column(statement.get(), 3).BeforeFirst(';').Trim(true).Trim(false);
        if (encoding.empty() || EngineRules::HasForbiddenCharacter(encoding))
            encoding = wxS("UTF-8");
        const wxString suggest = Column(statement.get(), 4).Trim(true).Trim(false);
        const bool post = sqlite3_column_int(statement.get(), 5) != 0;

        wxString url;
        if (engine.m_strName.empty())
            result.problem = ImportMessage(wxTRANSLATE("An engine without a name cannot be added."));
        else if (!ImportLimits::Check(engine, result.problem))
            engine.m_strName = ImportLimits::ShortName(engine.m_strName);
        else if (post)
            result.problem = ImportMessage(
                wxTRANSLATE("\"%s\" sends its searches by POST, which Orvane cannot do."),
                engine.m_strName);
        else if (!Expand(stored, encoding, false, url))
            result.problem = ImportMessage(
                wxTRANSLATE("The search address of \"%s\" has no {searchTerms}."), engine.m_strName);
        else if (EngineRules::HasForbiddenCharacter(engine.m_strName) || TerminalText::HasControl(url))
            result.problem = ImportMessage(
                wxTRANSLATE("The name or the search address of \"%s\" contains control characters."),
                engine.m_strName);
        else if (!EngineRules::IsWebAddress(url))
            result.problem = ImportMessage(
                wxTRANSLATE("The search address of \"%s\" is not an http or https address."),
                engine.m_strName);
        else
        {
            engine.m_strUrl = url;
            engine.m_strEncoding = encoding;
            engine.m_strShortcut = keyword;
            wxString suggestUrl;
            if (!suggest.empty() && Expand(suggest, encoding, true, suggestUrl) &&
                EngineRules::IsWebAddress(suggestUrl))
                engine.m_strSuggestUrl = suggestUrl;
            if (!ImportLimits::Check(engine, result.problem))
                engine.m_strUrl.clear();
        }
        engines.push_back(std::move(result));
    }
    if (step != SQLITE_DONE)
    {
        error = sqlite3_errcode(db.get()) == SQLITE_INTERRUPT
                    ? ImportMessage(wxTRANSLATE("The browser's engine file takes too long to read."))
                    : SqliteError(db.get());
        engines.clear();
        return false;
    }
    return true;
}
