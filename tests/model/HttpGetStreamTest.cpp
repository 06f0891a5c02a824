#include "HttpGetStream.h"
#include "TestHttpServer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace
{
std::string ReadAll(wxInputStream& in)
{
    std::string out;
    char buf[1000];
    for (;;)
    {
        in.Read(buf, sizeof buf);
        if (in.LastRead() == 0)
            return out;
        out.append(buf, in.LastRead());
    }
}
} // namespace

TEST(HttpGetStreamTest, ReadsStatusHeadersAndBody)
{
    TestHttpServer server([](const HttpRequest& r) {
        HttpResponse response;
        response.status = r.target == "/missing" ? 404 : 200;
        response.body = std::string(30000, 'b') + "\nend";
        return response;
    });
    {
        SCOPED_TRACE("a whole reply");
        HttpGetStream http(5000);
        ASSERT_EQ(http.Open("127.0.0.1", server.Port(), "/a?q=%20x"), HttpGetStream::Result::Ok);
        EXPECT_EQ(http.Status(), 200);
        EXPECT_EQ(http.GetLength(), 30004);
        EXPECT_EQ(ReadAll(http), std::string(30000, 'b') + "\nend");
        EXPECT_EQ(http.BodyResult(), HttpGetStream::Result::Ok);
        const HttpRequest sent = server.Requests().back();
        EXPECT_EQ(sent.method, "GET");
        EXPECT_EQ(sent.target, "/a?q=%20x");
        EXPECT_EQ(sent.headers.at("connection"), "Close");
        EXPECT_EQ(sent.headers.at("host"), server.HostPort());
    }
    {
        SCOPED_TRACE("an error status is an answer, not a failure");
        HttpGetStream http(5000);
        ASSERT_EQ(http.Open("localhost", server.Port(), "/missing"), HttpGetStream::Result::Ok);
        EXPECT_EQ(http.Status(), 404);
    }
}

TEST(HttpGetStreamTest, FailuresAreBoundedAndTold)
{
    {
        SCOPED_TRACE("refused, or no host at all");
        HttpGetStream http(5000);
        EXPECT_EQ(http.Open("127.0.0.1", ClosedPort(), "/"), HttpGetStream::Result::ConnectFailed);
        EXPECT_EQ(http.Open("", 80, "/"), HttpGetStream::Result::ConnectFailed);
    }
    TestHttpServer server([](const HttpRequest& r) {
        HttpResponse response;
        if (r.target == "/silent")
            response.noReply = true;
        else
        {
            response.body = "x";
            response.streamForever = true;
        }
        return response;
    });
    {
        SCOPED_TRACE("a service that never answers runs into the deadline");
        HttpGetStream http(300);
        EXPECT_EQ(http.Open("127.0.0.1", server.Port(), "/silent"), HttpGetStream::Result::TimedOut);
    }
    {
        SCOPED_TRACE("a body that never ends runs into the deadline too");
        HttpGetStream http(300);
        ASSERT_EQ(http.Open("127.0.0.1", server.Port(), "/drip"), HttpGetStream::Result::Ok);
        ReadAll(http);
        EXPECT_EQ(http.BodyResult(), HttpGetStream::Result::TimedOut);
    }
    {
        SCOPED_TRACE("the caller can break off a wait");
        std::atomic<bool> go{true};
        HttpGetStream http(60000, [&] { return go.load(); });
        std::thread stopper([&] {
            server.WaitForRequests(3, 5000);
            go = false;
        });
        EXPECT_EQ(http.Open("127.0.0.1", server.Port(), "/silent"), HttpGetStream::Result::Stopped);
        stopper.join();
    }
    server.Stop();
}
