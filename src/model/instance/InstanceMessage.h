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
    wxArrayString lines;   // the caller prints them to standard output,
    wxArrayString errors;  // these to standard error,
    int status = 0;        // and exits with this status
};

// Framing of both messages on a connected local stream socket: a magic
// number, then 32-bit counts and lengths in host byte order (both ends run
// on this machine) and UTF-8 strings. Each call gives up after timeoutMs.
//
// Version 2 adds the error lines to the reply. The request's magic says
// which reply the caller reads, so a window still answers a start of the
// version before in its own format (error lines then follow the others); a
// window of the version before closes a version 2 request unanswered.
namespace InstanceMessage
{
// A request larger than this is refused: it is a command line, not data.
constexpr size_t MaxRequestBytes = 1024 * 1024;

// The bytes a request takes on the socket.
size_t RequestSize(const InstanceRequest& request);
bool WriteRequest(int fd, const InstanceRequest& request, int timeoutMs);
// version is set to 1 or 2, after the caller's magic number.
bool ReadRequest(int fd, InstanceRequest& request, int& version, int timeoutMs);
bool WriteReply(int fd, const InstanceReply& reply, int version, int timeoutMs);
bool ReadReply(int fd, InstanceReply& reply, int timeoutMs);
} // namespace InstanceMessage
