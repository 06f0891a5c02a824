// The single-instance channel inside one process: requests and replies on a
// real local socket, the worker stopped while a caller waits, and the
// configuration folder deciding which window a start reaches. Two real
// processes are tested end to end (tests/e2e/test_single_instance.sh).
#include "instance/InstanceClient.h"
#include "instance/InstanceServer.h"
#include "instance/SingleInstance.h"

#include "TestEnvironment.h"

#include <wx/filename.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>

namespace
{
// Runs dispatched calls at once, on the worker: no event loop here.
void RunNow(std::function<void()> call)
{
    call();
}

wxArrayString List(std::initializer_list<const char*> items)
{
    wxArrayString list;
    for (const char* item : items)
        list.push_back(wxString::FromUTF8(item));
    return list;
}

InstanceRequest Request(std::initializer_list<const char*> args)
{
    InstanceRequest request;
    request.workingDir = "/some/folder";
    request.args = List(args);
    return request;
}
} // namespace

TEST(SingleInstance, RequestAndReplyCrossTheSocket)
{
    TempDir dir;
    const wxString socket = dir.File("s.sock");
    InstanceServer server;
    ASSERT_TRUE(server.Start(socket));

    // Sent before any handler exists: it waits for one.
    InstanceReply reply;
    auto sent = std::async(std::launch::async, [&] {
        return InstanceClient::Send(socket, Request({"--export", "\xE7\x99\xBE\xE5\xBA\xA6", ""}),
                                    reply, 5000);
    });
    InstanceRequest seen;
    server.SetHandler(
        [&](const InstanceRequest& request, InstanceReply& out) {
            seen = request;
            out.lines = List({"one", "\xE4\xB8\xAD"});
            out.status = 3;
            return true;
        },
        RunNow);
    ASSERT_EQ(InstanceClient::Result::Replied, sent.get());
    EXPECT_EQ("/some/folder", seen.workingDir);
    ASSERT_EQ(3u, seen.args.size());
    EXPECT_EQ(wxString::FromUTF8("\xE7\x99\xBE\xE5\xBA\xA6"), seen.args[1]);
    EXPECT_EQ("", seen.args[2]);
    EXPECT_EQ(3, reply.status);
    EXPECT_EQ(List({"one", "\xE4\xB8\xAD"}), reply.lines);

    SCOPED_TRACE("a handler that declines leaves the caller without a reply");
    server.SetHandler([](const InstanceRequest&, InstanceReply&) { return false; }, RunNow);
    EXPECT_EQ(InstanceClient::Result::NoReply,
              InstanceClient::Send(socket, Request({}), reply, 5000));

    SCOPED_TRACE("stopped: the socket is gone");
    server.Stop();
    EXPECT_FALSE(wxFileName::Exists(socket));
    EXPECT_EQ(InstanceClient::Result::NoServer,
              InstanceClient::Send(socket, Request({}), reply, 5000));
}

TEST(SingleInstance, StopReleasesACallerWhoseRequestNeverRan)
{
    TempDir dir;
    const wxString socket = dir.File("s.sock");
    InstanceServer server;
    ASSERT_TRUE(server.Start(socket));
    std::promise<void> dispatched;
    // A window busy elsewhere: the call is queued and never runs.
    std::function<void()> parked;
    server.SetHandler([](const InstanceRequest&, InstanceReply&) { return true; },
                      [&](std::function<void()> call) {
                          parked = std::move(call);
                          dispatched.set_value();
                      });
    InstanceReply reply;
    auto sent = std::async(std::launch::async,
                           [&] { return InstanceClient::Send(socket, Request({"x"}), reply, 60000); });
    dispatched.get_future().wait();
    const auto start = std::chrono::steady_clock::now();
    server.Stop();
    EXPECT_EQ(InstanceClient::Result::NoReply, sent.get());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // Run late, the queued call neither handles the request nor crashes.
    parked();
}

TEST(SingleInstance, ADeferredAnswerReachesTheCallerOnceAndLate)
{
    TempDir dir;
    const wxString socket = dir.File("s.sock");
    InstanceServer server;
    ASSERT_TRUE(server.Start(socket));
    std::promise<InstanceServer::Responder> kept;
    server.SetDeferredHandler(
        [&](const InstanceRequest&, InstanceServer::Responder respond) { kept.set_value(respond); },
        RunNow);
    InstanceReply reply;
    auto sent = std::async(std::launch::async,
                           [&] { return InstanceClient::Send(socket, Request({"--import", "f"}), reply, 10000); });
    // Answered later, as an import waiting for a search; a second answer is ignored.
    InstanceServer::Responder respond = kept.get_future().get();
    EXPECT_EQ(std::future_status::timeout, sent.wait_for(std::chrono::milliseconds(200)));
    InstanceReply answer;
    answer.lines = List({"added\tA\thttp://a/?q=*"});
    respond(true, answer);
    answer.status = 9;
    respond(true, answer);
    ASSERT_EQ(InstanceClient::Result::Replied, sent.get());
    EXPECT_EQ(0, reply.status);
    EXPECT_EQ(answer.lines, reply.lines);
}

TEST(SingleInstance, TheConfigurationFolderDecidesWhichWindowAStartReaches)
{
    TestSandbox sandbox;
    MakeDirs(sandbox.File("run"));
    const char* oldRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedRuntime = oldRuntime ? oldRuntime : "";
    ::setenv("XDG_RUNTIME_DIR", sandbox.File("run").c_str(), 1);

    InstanceReply reply;
    SingleInstance first(sandbox.File("profile"));
    ASSERT_EQ(SingleInstance::Role::First, first.Claim(Request({"a"}), reply));
    EXPECT_TRUE(first.HoldsLock());
    EXPECT_TRUE(first.SocketPath().StartsWith(wxString(sandbox.File("run/orvane-"))));
    int handled = 0;
    first.Server().SetHandler(
        [&](const InstanceRequest& request, InstanceReply& out) {
            ++handled;
            out.lines = request.args;
            return true;
        },
        RunNow);

    SingleInstance second(sandbox.File("profile"));
    ASSERT_EQ(SingleInstance::Role::Forwarded, second.Claim(Request({"b", "c"}), reply));
    EXPECT_FALSE(second.HoldsLock());
    EXPECT_EQ(List({"b", "c"}), reply.lines);
    ASSERT_EQ(SingleInstance::Role::Forwarded, second.Forward(Request({"e"}), reply));
    EXPECT_EQ(List({"e"}), reply.lines);

    SingleInstance other(sandbox.File("other profile"));
    EXPECT_EQ(SingleInstance::Role::NoWindow, other.Forward(Request({"d"}), reply));
    EXPECT_FALSE(other.HoldsLock());
    EXPECT_EQ(SingleInstance::Role::First, other.Claim(Request({"d"}), reply));
    EXPECT_NE(first.SocketPath(), other.SocketPath());
    EXPECT_EQ(2, handled);
    if (oldRuntime)
        ::setenv("XDG_RUNTIME_DIR", savedRuntime.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}
