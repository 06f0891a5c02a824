#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class CurlLibrary;

// What one GET brought back.
struct HttpReply
{
    int status = 0;           // of the last reply, after redirects; 0 when none arrived
    std::string body;         // empty when the request had a sink
    std::string contentType;  // as the server sent it
    std::string url;          // the address that answered, after redirects
    std::string error;        // why the result is not Ok, for people to read
};

// GET over libcurl for worker threads. One client serves many threads at once:
// they share its name cache and TLS sessions (a share handle), and reuse its
// idle connections. Every exchange is bounded by a deadline that includes the
// name lookup, can be cancelled within 50 ms, never raises a signal, follows
// at most 3 redirects and never from https to http, and verifies TLS against
// the system's certificates (or the file named by SSL_CERT_FILE). Proxies come
// from http_proxy, https_proxy and no_proxy. A setting libcurl refuses fails
// the fetch before anything is sent.
//
// Nothing is loaded before the first Get: a client may be made at start-up
// for free. The client must outlive every Get running on it; workers usually hold it
// through a shared_ptr.
class HttpClient
{
public:
    enum class Result
    {
        Ok,               // a reply arrived (any status) or the sink ended it early
        BadUrl,           // not an http or https address
        ConnectFailed,    // no address, no connection, TLS refused, reply cut off
        RedirectRefused,  // too many redirects, or one from https to http
        TimedOut,         // the deadline passed first
        Cancelled,        // keepGoing() said no, CancelAll(), or a newer fetch took the place
        TooLarge          // the body passed maxBytes
    };

    struct Request
    {
        std::string url;
        int timeoutMs = 10000;           // the whole exchange, name lookup included
        size_t maxBytes = 1024 * 1024;   // body bytes after decompression
        std::function<bool()> keepGoing; // asked at least every 50 ms; false cancels
        // Takes the body as it arrives instead of HttpReply::body; returning
        // false ends the exchange early, with Result::Ok.
        std::function<bool(const char* data, size_t size)> sink;
        std::vector<std::string> headers;  // extra request headers, "Name: value"
    };

    // maxInFlight: with more fetches running than that, the oldest one is
    // cancelled (the newest wins); 0 means no cap. library: the functions to
    // call instead of the loaded library's (tests); it must outlive the client.
    explicit HttpClient(int maxInFlight = 0, const CurlLibrary* library = nullptr);
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    // Blocks the calling thread until the exchange is over.
    Result Get(const Request& request, HttpReply& reply);

    // Cancels every fetch now running; they return within 50 ms.
    void CancelAll();
    int InFlight() const;

    // "ok", "timed out", ...: for logs and test messages.
    static const char* Describe(Result result);

    struct Channel;  // one easy handle with its connection cache
    struct Transfer; // a Get in progress

private:
    std::unique_ptr<Channel> TakeChannel(const CurlLibrary& curl);
    void ReturnChannel(std::unique_ptr<Channel> channel);
    void Register(Transfer* transfer);
    void Unregister(Transfer* transfer);

    struct Shared;  // the share handle and its locks
    std::unique_ptr<Shared> m_shared;  // made by the first Get, under m_mutex
    const int m_maxInFlight;
    const CurlLibrary* m_library;  // null: CurlLibrary::Get()
    std::string m_caFile;

    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<Channel>> m_idle;  // under m_mutex
    std::list<Transfer*> m_running;                // oldest first, under m_mutex
};
