#include "pages/VersionPage.h"

#include "base/AppInfo.h"
#include "net/HttpClient.h"
#include "base/ServerAddress.h"

#include <wx/strconv.h>

namespace
{
// Lines are UTF-8; a page in some 8-bit encoding still yields its dollar
// signs, which are ASCII either way.
wxString DecodeLine(const std::string& bytes)
{
    wxString text = wxString::FromUTF8(bytes.data(), bytes.size());
    if (text.empty() && !bytes.empty())
        text = wxString(bytes.data(), wxConvISO8859_1, bytes.size());
    return text;
}
} // namespace

bool VersionPage::ParseLine(const wxString& line, wxString& version)
{
    const size_t first = line.find('$');
    if (first == wxString::npos)
        return false;
    const size_t last = line.rfind('$');
    if (last == first)
        version = line.substr(first + 1);
    else
        version = line.substr(first + 1, last - first - 1);
    return true;
}

bool VersionPage::UrlFromSetting(const wxString& value, wxString& url)
{
    wxString text = value;
    text.Trim(true).Trim(false);
    const wxString lower = text.Lower();
    const size_t schemeEnd = lower.StartsWith("https://") ? 8 : lower.StartsWith("http://") ? 7 : 0;
    if (schemeEnd > 0)
    {
        if (text.length() <= schemeEnd || wxString("/?#").Find(text[schemeEnd]) != wxNOT_FOUND)
            return false;
        for (wxUniChar c : text)
        {
            if (c.GetValue() <= ' ' || c.GetValue() == 0x7F)
                return false;
        }
        url = text;
        return true;
    }
    wxString host;
    unsigned short port = 0;
    if (!ParseServerAddress(text, AppInfo::VersionPagePort, host, port))
        return false;
    url = "http://" + FormatServerAddress(host, port, AppInfo::VersionPagePort) +
          AppInfo::VersionPagePath;
    return true;
}

VersionPage::FetchResult VersionPage::Fetch(HttpClient& client, const wxString& url,
                                            int timeoutMs, const std::function<bool()>& keepGoing)
{
    using Outcome = FetchResult::Outcome;
    FetchResult result;
    VersionPage page;
    HttpClient::Request request;
    request.url = url.utf8_string();
    request.timeoutMs = timeoutMs;
    request.keepGoing = keepGoing;
    request.headers = {"Connection: close"};  // one request per run
    request.maxBytes = static_cast<size_t>(-1);  // the page reader has its own bound
    request.sink = [&page](const char* data, size_t size) { return !page.Feed(data, size); };
    HttpReply reply;
    switch (client.Get(request, reply))
    {
        case HttpClient::Result::Ok:
            break;
        case HttpClient::Result::Cancelled:
            result.outcome = Outcome::Cancelled;
            return result;
        default:
            result.outcome = Outcome::ConnectFailed;
            return result;
    }
    // The reader sees the body of error pages too; they do not count.
    if (reply.status < 200 || reply.status > 299)
    {
        result.outcome = Outcome::HttpStatus;
        result.status = reply.status;
        return result;
    }
    page.Finish();
    result.outcome = Outcome::Done;
    result.version = page.Result();
    return result;
}

wxString VersionPage::Parse(const std::string& body)
{
    VersionPage page;
    page.Feed(body.data(), body.size());
    page.Finish();
    return page.Result();
}

bool VersionPage::Feed(const char* data, std::size_t size)
{
    for (std::size_t i = 0; i < size && !m_done; ++i)
    {
        const char c = data[i];
        ++m_total;
        // "\r\n", "\r" and "\n" all end a line.
        if (c == '\n')
        {
            if (!m_lastWasCr)
                EndLine();
            m_lastWasCr = false;
        }
        else if (c == '\r')
        {
            EndLine();
            m_lastWasCr = true;
        }
        else
        {
            m_line += c;
            m_lastWasCr = false;
        }
        if (!m_done && m_total >= MaxBytes)
            m_done = true;
    }
    return m_done;
}

void VersionPage::Finish()
{
    if (!m_done && !m_line.empty())
        EndLine();
    m_done = true;
}

void VersionPage::EndLine()
{
    // A byte-order mark in front of the first line is not part of it.
    static const std::string bom = "\xEF\xBB\xBF";
    if (m_firstLine && m_line.compare(0, bom.size(), bom) == 0)
        m_line.erase(0, bom.size());
    m_firstLine = false;
    wxString version;
    if (ParseLine(DecodeLine(m_line), version))
    {
        m_result = version;
        m_done = true;
    }
    m_line.clear();
}
