#include "exchange/DescriptionFetch.h"

#include "net/HttpClient.h"
#include "exchange/OpenSearchDescription.h"

#include <wx/intl.h>

DescriptionFetch::Result DescriptionFetch::Run(HttpClient& client, const wxString& url,
                                               const std::function<bool()>& keepGoing)
{
    Result result;
    HttpClient::Request request;
    request.url = url.utf8_string();
    request.timeoutMs = TimeoutMs;
    request.maxBytes = OpenSearchDescription::MaxBytes;
    request.keepGoing = keepGoing;
    HttpReply reply;
    const HttpClient::Result outcome = client.Get(request, reply);
    switch (outcome)
    {
    case HttpClient::Result::Ok:
        break;
    case HttpClient::Result::Cancelled:
        result.cancelled = true;
        return result;
    case HttpClient::Result::TooLarge:
        result.problem = ImportMessage(wxTRANSLATE("The file is larger than 1 MiB."));
        return result;
    case HttpClient::Result::BadUrl:
        result.problem = ImportMessage(
            wxTRANSLATE("The description's address \"%s\" is not an http or https address."), url);
        return result;
    default:
        result.problem = ImportMessage(wxTRANSLATE("The description could not be fetched: %s."),
                                       wxString::FromUTF8(reply.error.empty()
                                                              ? HttpClient::Describe(outcome)
                                                              : reply.error.c_str()));
        return result;
    }
    if (reply.status == 401 || reply.status == 407)
    {
        result.problem = ImportMessage(
            wxTRANSLATE("The description needs authentication, which Orvane does not give."));
        return result;
    }
    if (reply.status < 200 || reply.status > 299)
    {
        result.problem = ImportMessage(wxTRANSLATE("The server answered the request for the "
                                                   "description with status %s."),
                                       wxString::Format(wxS("%d"), reply.status));
        return result;
    }
    result.ok = true;
    result.bytes = std::move(reply.body);
    result.address = wxString::FromUTF8(reply.url.empty() ? request.url : reply.url);
    return result;
}
