#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

// What a second start of the program hands to the window already running,
// and what comes back.
struct InstanceRequest
{
    wxArrayString args;   // the command-line arguments after the program name
    wxString workingDir;  // the caller's current folder, for relative file names
};

struct InstanceReply
{
    wxArrayString lines;  // the caller prints them to standard output
    int status = 0;       // and exits with this status
};

// Framing of both messages on a connected local stream socket: a magic
// number, then 32-bit counts and lengths in host byte order (both ends run
// on this machine) and UTF-8 strings. Each call gives up after timeoutMs.
namespace InstanceMessage
{
// A request larger than this is refused: it is a command line, not data.
constexpr size_t MaxRequestBytes = 1024 * 1024;

bool WriteRequest(int fd, const InstanceRequest& request, int timeoutMs);
bool ReadRequest(int fd, InstanceRequest& request, int timeoutMs);
bool WriteReply(int fd, const InstanceReply& reply, int timeoutMs);
bool ReadReply(int fd, InstanceReply& reply, int timeoutMs);
} // namespace InstanceMessage
