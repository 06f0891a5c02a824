#pragma once

#include "instance/InstanceMessage.h"

#include <wx/string.h>

// The second start's end of the channel: one request, one reply.
class InstanceClient
{
public:
    enum class Result
    {
        NoServer,  // nothing listens on the socket
        NoReply,   // the connection closed without a reply (the window is closing)
        TimedOut,  // the window took the request but did not answer in time
        Replied,
    };

    static Result Send(const wxString& socketPath, const InstanceRequest& request,
                       InstanceReply& reply, int replyTimeoutMs);
};
