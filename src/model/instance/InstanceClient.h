#pragma once

#include "instance/InstanceMessage.h"

#include <wx/string.h>

// The second start's end of the channel: one request, one reply.
class InstanceClient
{
public:
    enum class Result
    {
        NoServer,   // nothing listens on the socket
        NoReply,    // the connection closed without a reply (the window is
                    // closing, or speaks another version of the channel)
        TimedOut,   // the window took the request but did not answer in time
        WrongUser,  // another user listens there: nothing was sent
        TooLarge,   // the request exceeds what the channel carries: not sent
        Replied,
    };

    static Result Send(const wxString& socketPath, const InstanceRequest& request,
                       InstanceReply& reply, int replyTimeoutMs);
};
