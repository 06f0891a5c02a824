#include "net/SuggestionFetch.h"

#include "net/HttpClient.h"

#include <wx/mstream.h>
#include <wx/strconv.h>

#include <memory>

namespace
{
constexpr size_t kSmallReply = 64 * 1024;

// The charset named in a Content-Type, lower case; empty when none.
std::string Charset(const std::string& contentType)
{
    std::string lower = contentType;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("charset=");
    if (at == std::string::npos)
        return std::string();
    std::string name = lower.substr(at + 8);
    name = name.substr(0, name.find_first_of("; \t"));
    if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
    return name;
}

// JSON is read as UTF-8; a reply that names another charset is converted.
std::string ToUtf8(const std::string& body, const std::string& contentType)
{
    const std::string charset = Charset(contentType);
    if (charset.empty() || charset == "utf-8" || charset == "utf8")
        return body;
    wxCSConv conv(charset);
    if (!conv.IsOk())
        return body;
    const wxString text(body.data(), conv, body.size());
    return text.empty() && !body.empty() ? body : text.utf8_string();
}

// The toolbar reply: its first line, kept as the reply file, then parsed.
wxArrayString FromFirstLine(const std::string& body, const wxString& replyFile)
{
    wxArrayString suggestions;
    wxMemoryInputStream in(body.data(), body.size());
    std::string line;
    if (SuggestionReply::ReadFirstLine(in, line) != SuggestionReply::LineResult::Line)
        return suggestions;  // no reply line: an empty list
    SuggestionReply::SaveLine(line, replyFile);
    SuggestionReply::Parse(line, suggestions);
    return suggestions;
}
} // namespace

SuggestionFetch::Result SuggestionFetch::Run(HttpClient& client,
                                             const SuggestionRequest::Service& service,
                                             const wxString& keyword, const wxString& lang,
                                             int timeoutMs, const std::function<bool()>& keepGoing,
                                             const wxString& replyFile)
{
    Result result;
    HttpClient::Request request;
    request.url = service.Url(keyword, lang).utf8_string();
    request.timeoutMs = timeoutMs;
    request.keepGoing = keepGoing;
    std::string body;
    if (service.classic)
    {
        // Only the first line counts: once it is complete, a long body is not
        // read further. A short one is read to its end so that the connection
        // can serve the next keystroke. In UTF-16 a line break byte may be half
        // of a character, so such a reply is read whole.
        request.maxBytes = SuggestionReply::MaxLineBytes + 16;
        request.sink = [&body, lineDone = false](const char* data, size_t size) mutable {
            if (size == 0)
                return true;
            const size_t from = body.size();
            body.append(data, size);
            const bool wide = static_cast<unsigned char>(body[0]) >= 0xFE || body[0] == '\0';
            if (!lineDone && !wide)
                lineDone = body.find_first_of("\r\n", from) != std::string::npos;
            return !lineDone || body.size() < kSmallReply;
        };
    }
    else
    {
        request.maxBytes = SuggestionReply::MaxLineBytes;
    }

    HttpReply reply;
    const HttpClient::Result got = client.Get(request, reply);
    if (!service.classic)
        body = std::move(reply.body);
    result.status = reply.status;
    result.error = reply.error;
    switch (got)
    {
        case HttpClient::Result::Ok:
            break;
        case HttpClient::Result::Cancelled:
            result.outcome = Outcome::Skipped;
            return result;
        case HttpClient::Result::TimedOut:
            result.outcome = Outcome::TimedOut;
            return result;
        case HttpClient::Result::TooLarge:
            // Not a reply we can read: an empty list, as for any unreadable one.
            result.outcome = Outcome::Suggestions;
            return result;
        case HttpClient::Result::BadUrl:
        case HttpClient::Result::ConnectFailed:
        case HttpClient::Result::RedirectRefused:
            result.outcome = Outcome::ConnectFailed;
            return result;
    }
    if (reply.status < 200 || reply.status > 299)
    {
        result.outcome = Outcome::StatusFailed;
        result.error = "HTTP status " + std::to_string(reply.status);
        return result;
    }

    result.outcome = Outcome::Suggestions;
    const SuggestionReply::Format format =
        service.classic ? SuggestionReply::Format::Xml : SuggestionReply::Detect(body);
    switch (format)
    {
        case SuggestionReply::Format::Xml:
            result.suggestions = FromFirstLine(body, replyFile);
            break;
        case SuggestionReply::Format::Json:
            SuggestionReply::ParseJson(ToUtf8(body, reply.contentType), result.suggestions);
            break;
        case SuggestionReply::Format::Unknown:
            break;
    }
    return result;
}
