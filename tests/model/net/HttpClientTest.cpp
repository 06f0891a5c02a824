#include "net/HttpClient.h"
#include "net/CurlLibrary.h"
#include "TestHttpServer.h"
#include "TestTls.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <chrono>
#include <cstdarg>
#include <cstdlib>
#include <future>
#include <thread>

namespace
{
using Result = HttpClient::Result;
using Clock = std::chrono::steady_clock;

HttpResponse Text(const std::string& body, int status = 200)
{
    HttpResponse r;
    r.status = status;
    r.contentType = "text/plain";
    r.body = body;
    return r;
}

HttpResponse Redirect(const std::string& to)
{
    HttpResponse r;
    r.status = 302;
    r.headers.push_back({"Location", to});
    return r;
}

Result Fetch(HttpClient& client, const std::string& url, HttpReply& reply, int timeoutMs = 5000,
             size_t maxBytes = 1024 * 1024)
{
    HttpClient::Request request;
    request.url = url;
    request.timeoutMs = timeoutMs;
    request.maxBytes = maxBytes;
    return client.Get(request, reply);
}

long long MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

class HttpClientTest : public ::testing::Test
{
protected:
    ScopedEnv m_ca{"SSL_CERT_FILE", TestTls::Get().CaFile().c_str()};
    ScopedEnv m_proxy1{"http_proxy", nullptr}, m_proxy2{"https_proxy", nullptr},
        m_proxy3{"no_proxy", nullptr}, m_proxy4{"all_proxy", nullptr};
};
} // namespace

// Start-up must not pay for libcurl and the TLS libraries behind it: a client
// loads them on its first fetch. Checked in a fresh process, as other tests
// here have loaded them already.
TEST_F(HttpClientTest, LibcurlIsLoadedByTheFirstFetchOnly)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto loaded = [] { return dlopen("libcurl.so.4", RTLD_NOW | RTLD_NOLOAD) != nullptr; };
            int failures = loaded() ? 1 : 0;
            HttpClient client;
            failures += loaded() ? 2 : 0;
            HttpReply reply;
            failures += Fetch(client, "http://127.0.0.1:1/", reply, 2000) == Result::ConnectFailed ? 0 : 4;
            failures += loaded() ? 0 : 8;
            std::exit(failures);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST_F(HttpClientTest, PlainAndVerifiedTls)
{
    auto handler = [](const HttpRequest& r) {
        return r.target == "/missing" ? Text("gone", 404) : Text("hello " + r.target);
    };
    TestHttpServer plain(handler);
    TestHttpServer tls(handler, TestHttpServer::Transport::Tls);
    HttpClient client;
    HttpReply reply;
    {
        SCOPED_TRACE("http and https, by address and by name");
        for (const std::string& url :
             {plain.Url("/a?q=%20x"), tls.Url("/a?q=%20x"),
              "https://localhost:" + std::to_string(tls.Port()) + "/a?q=%20x"})
        {
            ASSERT_EQ(Fetch(client, url, reply), Result::Ok) << url << ": " << reply.error;
            EXPECT_EQ(reply.status, 200);
            EXPECT_EQ(reply.body, "hello /a?q=%20x");
            EXPECT_EQ(reply.contentType, "text/plain");
        }
    }
    {
        SCOPED_TRACE("a status outside 2xx is a reply, not a failure");
        ASSERT_EQ(Fetch(client, tls.Url("/missing"), reply), Result::Ok);
        EXPECT_EQ(reply.status, 404);
    }
    {
        SCOPED_TRACE("a sink takes the body and may end it early");
        std::string seen;
        HttpClient::Request request;
        request.url = plain.Url("/sink");
        request.sink = [&](const char* data, size_t size) {
            seen.append(data, size);
            return false;
        };
        EXPECT_EQ(client.Get(request, reply), Result::Ok);
        EXPECT_EQ(seen, "hello /sink");
        EXPECT_TRUE(reply.body.empty());
    }
    {
        SCOPED_TRACE("without the test authority the certificate is refused");
        ScopedEnv system("SSL_CERT_FILE", nullptr);
        HttpClient strict;
        EXPECT_EQ(Fetch(strict, tls.Url("/a"), reply), Result::ConnectFailed);
        EXPECT_FALSE(reply.error.empty());
    }
}

TEST_F(HttpClientTest, FailuresAreBoundedAndTold)
{
    TestHttpServer server([](const HttpRequest& r) {
        HttpResponse out = Text(std::string(3 * 1024 * 1024, 'x'));
        out.noReply = r.target == "/silent";
        out.reset = r.target == "/reset";
        out.streamForever = r.target == "/drip" || r.target == "/flood";
        if (out.streamForever)
            out.body = r.target == "/drip" ? "y" : std::string(64 * 1024, 'z');
        return out;
    });
    HttpClient client;
    HttpReply reply;
    EXPECT_EQ(Fetch(client, "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/", reply),
              Result::ConnectFailed);
    EXPECT_EQ(Fetch(client, "ftp://127.0.0.1/", reply), Result::BadUrl);
    EXPECT_EQ(Fetch(client, "no address", reply), Result::BadUrl);
    EXPECT_EQ(Fetch(client, server.Url("/reset"), reply), Result::ConnectFailed);
    {
        SCOPED_TRACE("the size cap, by announced length and by bytes received");
        EXPECT_EQ(Fetch(client, server.Url("/huge"), reply), Result::TooLarge);
        EXPECT_EQ(Fetch(client, server.Url("/flood"), reply), Result::TooLarge);
        EXPECT_LE(reply.body.size(), 1024u * 1024u);
    }
    EXPECT_EQ(Fetch(client, server.Url("/drip"), reply, 400), Result::TimedOut);
    const auto start = Clock::now();
    EXPECT_EQ(Fetch(client, server.Url("/silent"), reply, 300), Result::TimedOut);
    EXPECT_LT(MsSince(start), 3000);
    server.ReleaseHeld();
}

TEST_F(HttpClientTest, RedirectsAreFewAndNeverDowngrade)
{
    TestHttpServer plain([](const HttpRequest& r) { return Text("plain"); });
    TestHttpServer tls(
        [&](const HttpRequest& r) {
            if (r.target == "/down")
                return Redirect(plain.Url("/x"));
            if (r.target.rfind("/hop", 0) == 0)
            {
                const int n = std::stoi(r.target.substr(4));
                return n == 0 ? Text("arrived") : Redirect("/hop" + std::to_string(n - 1));
            }
            return Text("?");
        },
        TestHttpServer::Transport::Tls);
    HttpClient client;
    HttpReply reply;
    EXPECT_EQ(Fetch(client, tls.Url("/down"), reply), Result::RedirectRefused);
    EXPECT_EQ(plain.RequestCount(), 0u);
    ASSERT_EQ(Fetch(client, tls.Url("/hop3"), reply), Result::Ok) << reply.error;
    EXPECT_EQ(reply.body, "arrived");
    EXPECT_EQ(reply.url, tls.Url("/hop0"));
    EXPECT_EQ(Fetch(client, tls.Url("/hop4"), reply), Result::RedirectRefused);
}

TEST_F(HttpClientTest, CancelledWithinAFewPolls)
{
    TestHttpServer server([](const HttpRequest&) {
        HttpResponse out = Text("late");
        out.holdUntilReleased = true;
        return out;
    });
    HttpClient client(2);
    {
        SCOPED_TRACE("keepGoing and CancelAll");
        std::atomic<bool> go{true};
        HttpClient::Request request;
        request.url = server.Url("/a");
        request.timeoutMs = 60000;
        request.keepGoing = [&] { return go.load(); };
        HttpReply first, second;
        auto a = std::async(std::launch::async, [&] { return client.Get(request, first); });
        auto b = std::async(std::launch::async, [&] {
            HttpClient::Request other = request;
            other.keepGoing = {};
            return client.Get(other, second);
        });
        ASSERT_TRUE(server.WaitForRequests(2, 5000));
        auto start = Clock::now();
        go = false;
        EXPECT_EQ(a.get(), Result::Cancelled);
        EXPECT_LT(MsSince(start), 1000);
        start = Clock::now();
        client.CancelAll();
        EXPECT_EQ(b.get(), Result::Cancelled);
        EXPECT_LT(MsSince(start), 1000);
        EXPECT_EQ(client.InFlight(), 0);
    }
    {
        SCOPED_TRACE("beyond the cap the oldest fetch gives way");
        HttpReply replies[3];
        std::future<Result> results[3];
        for (int i = 0; i < 3; ++i)
        {
            results[i] = std::async(std::launch::async, [&, i] {
                return Fetch(client, server.Url("/n" + std::to_string(i)), replies[i], 60000);
            });
            ASSERT_TRUE(server.WaitForRequests(3 + i, 5000));
        }
        EXPECT_EQ(results[0].get(), Result::Cancelled);
        server.ReleaseHeld();
        EXPECT_EQ(results[1].get(), Result::Ok);
        EXPECT_EQ(results[2].get(), Result::Ok);
    }
}

TEST_F(HttpClientTest, OneHandshakeForSequentialFetches)
{
    TestHttpServer server([](const HttpRequest& r) { return Text(r.target); },
                          TestHttpServer::Transport::Tls);
    HttpClient client;
    for (int i = 0; i < 20; ++i)
    {
        HttpReply reply;
        // From different threads, as the suggestion workers ask.
        auto result = std::async(std::launch::async, [&] {
            return Fetch(client, server.Url("/k" + std::to_string(i)), reply);
        });
        ASSERT_EQ(result.get(), Result::Ok) << reply.error;
    }
    EXPECT_EQ(server.HandshakeCount(), 1u);
    EXPECT_EQ(server.ConnectionCount(), 1u);
}

TEST_F(HttpClientTest, ProxiesFromTheEnvironment)
{
    TestHttpServer proxy([](const HttpRequest& r) { return Text("via proxy " + r.target); });
    TestHttpServer direct([](const HttpRequest& r) { return Text("direct"); });
    ScopedEnv http("http_proxy", proxy.Url("").c_str());
    HttpClient client;
    HttpReply reply;
    // The proxy is asked for the whole address; the name is never looked up here.
    ASSERT_EQ(Fetch(client, "http://suggest.orvane.test/q?x=1", reply), Result::Ok) << reply.error;
    EXPECT_EQ(reply.body, "via proxy http://suggest.orvane.test/q?x=1");
    ScopedEnv bypass("no_proxy", "127.0.0.1");
    ASSERT_EQ(Fetch(client, direct.Url("/"), reply), Result::Ok);
    EXPECT_EQ(reply.body, "direct");
}

namespace
{
// curl_easy_setopt that refuses one option and passes the others on.
std::atomic<int> g_refusedOption{-1};
decltype(&::curl_easy_setopt) g_realSetopt = nullptr;

CURLcode RefusingSetopt(CURL* easy, CURLoption option, ...)
{
    va_list args;
    va_start(args, option);
    CURLcode code = CURLE_UNKNOWN_OPTION;
    if (option != g_refusedOption)
    {
        if (option < CURLOPTTYPE_OBJECTPOINT)
            code = g_realSetopt(easy, option, va_arg(args, long));
        else if (option < CURLOPTTYPE_OFF_T)
            code = g_realSetopt(easy, option, va_arg(args, void*));
        else
            code = g_realSetopt(easy, option, va_arg(args, curl_off_t));
    }
    va_end(args);
    return code;
}

curl_version_info_data g_oldVersion;

curl_version_info_data* OldVersion(CURLversion)
{
    g_oldVersion.version = "7.74.0";
    g_oldVersion.version_num = 0x074a00;
    return &g_oldVersion;
}
} // namespace

// Without the protocol limits or the TLS checks a fetch could follow an
// https page to http or ftp, or trust any certificate: it must not start.
TEST_F(HttpClientTest, RefusedSettingsFailTheFetchAndOldLibrariesAreRefused)
{
    const CurlLibrary* real = CurlLibrary::Get();
    ASSERT_NE(real, nullptr) << CurlLibrary::LoadError();
    CurlLibrary refusing = *real;
    g_realSetopt = real->easy_setopt;
    refusing.easy_setopt = &RefusingSetopt;
    TestHttpServer server([](const HttpRequest&) { return Text("body"); });
    HttpClient client(0, &refusing);
    HttpReply reply;
    for (CURLoption option : {CURLOPT_PROTOCOLS_STR, CURLOPT_REDIR_PROTOCOLS_STR, CURLOPT_SSL_VERIFYPEER,
                              CURLOPT_SSL_VERIFYHOST, CURLOPT_SSLVERSION, CURLOPT_MAXREDIRS,
                              CURLOPT_MAXFILESIZE_LARGE, CURLOPT_TIMEOUT_MS})
    {
        SCOPED_TRACE(static_cast<int>(option));
        g_refusedOption = option;
        EXPECT_EQ(Fetch(client, server.Url("/x"), reply), Result::ConnectFailed);
        EXPECT_NE(reply.error.find("refused setting " + std::to_string(static_cast<int>(option))),
                  std::string::npos)
            << reply.error;
    }
    EXPECT_EQ(server.RequestCount(), 0u);
    {
        SCOPED_TRACE("everything accepted: the same client fetches");
        g_refusedOption = -1;
        EXPECT_EQ(Fetch(client, server.Url("/x"), reply), Result::Ok) << reply.error;
        EXPECT_EQ(reply.body, "body");
    }
    {
        SCOPED_TRACE("a library older than 7.85 is refused, naming its version");
        EXPECT_EQ(CurlLibrary::VersionProblem(real->version_info(CURLVERSION_NOW)), "");
        EXPECT_EQ(CurlLibrary::VersionProblem(OldVersion(CURLVERSION_NOW)),
                  "libcurl 7.74.0 is older than 7.85.0");
        EXPECT_NE(CurlLibrary::VersionProblem(nullptr), "");
    }
}
