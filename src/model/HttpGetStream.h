#pragma once

#include <wx/stream.h>
#include <wx/string.h>

#include <functional>
#include <string>

// One HTTP/1.0 GET over a plain TCP socket, read as a stream of the reply body.
// Made for worker threads: every wait is bounded by a deadline and broken off
// as soon as keepGoing() answers false, and nothing is registered with the GUI
// event loop (wx 3.2 sockets hook themselves into it while peeking).
class HttpGetStream : public wxInputStream
{
public:
    enum class Result
    {
        Ok,              // the status line and headers arrived; Status() tells the rest
        ConnectFailed,   // no address, no connection, no well-formed answer
        TimedOut,        // the deadline passed first
        Stopped          // keepGoing() answered false
    };

    // timeoutMs bounds the whole exchange, from connecting to the last body byte.
    HttpGetStream(int timeoutMs, std::function<bool()> keepGoing = {});
    ~HttpGetStream() override;
    HttpGetStream(const HttpGetStream&) = delete;
    HttpGetStream& operator=(const HttpGetStream&) = delete;

    // Connects, sends the request (with "Connection: Close") and reads the head.
    Result Open(const wxString& host, unsigned short port, const wxString& path);

    int Status() const { return m_status; }
    // Why reading the body stopped early, if it did.
    Result BodyResult() const { return m_bodyResult; }

    wxFileOffset GetLength() const override { return m_contentLength; }
    bool IsSeekable() const override { return false; }

protected:
    size_t OnSysRead(void* buffer, size_t size) override;

private:
    // Waits until the socket is ready for events; Ok, TimedOut or Stopped.
    Result Wait(short events);
    Result SendAll(const std::string& data);
    void Close();

    int m_fd = -1;
    int m_timeoutMs;
    long long m_deadline = 0;
    std::function<bool()> m_keepGoing;
    int m_status = 0;
    wxFileOffset m_contentLength = wxInvalidOffset;
    wxFileOffset m_bodyRead = 0;
    std::string m_pending;  // body bytes that arrived with the head
    Result m_bodyResult = Result::Ok;
};
