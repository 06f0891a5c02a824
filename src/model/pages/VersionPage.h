#pragma once

#include <wx/string.h>

#include <cstddef>
#include <functional>
#include <string>

class HttpClient;

// Reads the published version from the version page as its bytes arrive.
// The first line holding a dollar sign carries the version between its first
// and its last dollar sign (with only one, everything after it); lines before
// it are skipped and nothing after it is read. Reading stops after MaxBytes so
// that a page that never ends cannot keep the reader busy for ever.
class VersionPage
{
public:
    static constexpr std::size_t MaxBytes = 1024 * 1024;

    // Takes the next bytes of the body; returns true once reading should stop.
    bool Feed(const char* data, std::size_t size);
    // The body ended: a last line without a line break still counts.
    void Finish();

    bool Done() const { return m_done; }
    // The version text; empty when no line held a dollar sign.
    const wxString& Result() const { return m_result; }

    // The text between the first and the last dollar sign of one line;
    // false when the line has none.
    static bool ParseLine(const wxString& line, wxString& version);
    // Convenience for a whole body at once.
    static wxString Parse(const std::string& body);

    // The page's address from the "version_host" setting: "host[:port]"
    // (plain HTTP on the published path) or a whole http:// or https://
    // address. False when the setting is neither.
    static bool UrlFromSetting(const wxString& value, wxString& url);

    struct FetchResult
    {
        enum class Outcome
        {
            Done,           // the page was read; version may be empty
            ConnectFailed,  // no connection, no complete answer in time
            HttpStatus,     // the reply's status was outside 200..299
            Cancelled       // keepGoing() said no
        };
        Outcome outcome = Outcome::Cancelled;
        wxString version;
        int status = 0;
    };
    // Reads the page at url (on a worker thread), stopping as soon as the
    // version line has arrived.
    static FetchResult Fetch(HttpClient& client, const wxString& url, int timeoutMs,
                             const std::function<bool()>& keepGoing);

private:
    void EndLine();

    std::string m_line;
    std::size_t m_total = 0;
    bool m_done = false;
    bool m_lastWasCr = false;
    bool m_firstLine = true;
    wxString m_result;
};
