#pragma once

// A small HTTP/1.1 server on 127.0.0.1 for tests, plain or over TLS with the
// test authority of TestTls: each request is answered by a handler, on its
// connection's thread, and recorded. Connections stay open for more requests
// unless the client or the reply closes them. Responses can be delayed, held
// until released, cut off half way, reset, or streamed without end.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

typedef struct ssl_st SSL;

struct HttpRequest
{
    std::string method;
    std::string target;                          // path and query, as sent
    std::map<std::string, std::string> headers;  // names in lower case
};

struct HttpResponse
{
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;  // extra ones, e.g. Location
    int delayMs = 0;                 // wait before answering
    bool holdUntilReleased = false;  // wait for ReleaseHeld() (or server stop)
    bool closeHalfway = false;       // send the head and half the body, then close
    bool streamForever = false;      // drip the body bytes until the server stops
    bool noReply = false;            // accept, read the request, never answer
    bool reset = false;              // read the request, then reset the connection
};

// A loopback port on which nothing listens, so connections to it are refused.
int ClosedPort();

class TestHttpServer
{
public:
    using Handler = std::function<HttpResponse(const HttpRequest&)>;

    enum class Transport { Plain, Tls };

    // address: the loopback address to listen on, e.g. "127.0.0.7", so that
    // each site of a test can have a host of its own.
    explicit TestHttpServer(Handler handler, Transport transport = Transport::Plain,
                            const std::string& address = "127.0.0.1");
    ~TestHttpServer();
    TestHttpServer(const TestHttpServer&) = delete;
    TestHttpServer& operator=(const TestHttpServer&) = delete;

    int Port() const { return m_port; }
    std::string HostPort() const;              // "127.0.0.1:port" (or its own address)
    // "http://127.0.0.1:port" + target, or https for a TLS server.
    std::string Url(const std::string& target) const;

    // Connections accepted, and TLS handshakes completed (in full or resumed).
    size_t ConnectionCount() const;
    size_t HandshakeCount() const;

    std::vector<HttpRequest> Requests() const;
    size_t RequestCount() const;
    // Waits until at least count requests arrived or the deadline passed.
    bool WaitForRequests(size_t count, int timeoutMs) const;
    void ReleaseHeld();
    // How many pieces of endless bodies have been sent so far.
    size_t DripsSent() const { return m_dripsSent; }
    // Stops accepting, wakes every held or streaming reply and joins all threads.
    void Stop();

private:
    void AcceptLoop();
    void Serve(int fd);
    bool Stopping() const;
    struct Connection;
    bool ServeOne(Connection& conn);

    Handler m_handler;
    Transport m_transport;
    std::string m_address;
    size_t m_connections = 0;  // under m_mutex
    size_t m_handshakes = 0;   // under m_mutex
    int m_listenFd = -1;
    int m_port = 0;
    std::thread m_acceptThread;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_cond;
    std::vector<HttpRequest> m_requests;
    std::vector<std::thread> m_workers;
    std::vector<int> m_openFds;
    bool m_stopping = false;
    std::atomic<size_t> m_dripsSent{0};
    unsigned m_releaseGeneration = 0;
};
