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

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <future>
#include <memory>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

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

void PutNumber(std::string& out, uint32_t number)
{
    out.append(reinterpret_cast<const char*>(&number), sizeof number);
}

// Sets an environment variable for a scope.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::string& value) : m_name(name)
    {
        const char* old = std::getenv(name);
        m_had = old != nullptr;
        m_old = old ? old : "";
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv()
    {
        if (m_had)
            ::setenv(m_name, m_old.c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::string m_old;
    bool m_had = false;
};

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
            out.errors = List({"bad"});
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
    EXPECT_EQ(List({"bad"}), reply.errors);

    {
        SCOPED_TRACE("a caller of the version before gets its own format, errors last");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socket.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(0, ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address));
        // Folder "/", one empty word.
        std::string bytes;
        for (uint32_t number : {0x4F525651u, 1u})
            PutNumber(bytes, number);
        bytes += "/";
        for (uint32_t number : {1u, 0u})
            PutNumber(bytes, number);
        ASSERT_EQ(static_cast<ssize_t>(bytes.size()), ::send(fd, bytes.data(), bytes.size(), 0));
        std::string answer;
        char buffer[256];
        for (ssize_t n; (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
            answer.append(buffer, static_cast<size_t>(n));
        ::close(fd);
        std::string expected;
        for (uint32_t number : {0x4F525652u, 3u, 3u})
            PutNumber(expected, number);
        for (const char* line : {"one", "\xE4\xB8\xAD", "bad"})
        {
            PutNumber(expected, static_cast<uint32_t>(std::strlen(line)));
            expected += line;
        }
        EXPECT_EQ(expected, answer);
    }

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
    ::chmod(sandbox.File("run").c_str(), 0700);
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

// A configuration path too long for a socket address, and no usable
// runtime folder: the window listens in a fresh folder of its own, named in
// the lock, so a name another user took first in /tmp stops nothing.
TEST(SingleInstance, ALongConfigurationPathListensInAFreshPrivateFolder)
{
    TestSandbox sandbox;
    ScopedEnv runtime("XDG_RUNTIME_DIR", "not/absolute");
    ScopedEnv tmp("TMPDIR", "/tmp");
    const std::string profile = sandbox.File(std::string(120, 'p'));
    // The name earlier versions used, taken first: a link to a folder elsewhere.
    MakeDirs(sandbox.File("elsewhere"));
    const std::string planted = "/tmp/orvane-" + std::to_string(::getuid());
    const bool plantedHere = ::symlink(sandbox.File("elsewhere").c_str(), planted.c_str()) == 0;
    const std::unique_ptr<const std::string, void (*)(const std::string*)> removePlanted(
        plantedHere ? &planted : nullptr, [](const std::string* path) { ::unlink(path->c_str()); });
    wxString madeFolder;
    {
        InstanceReply reply;
        SingleInstance first(profile);
        ASSERT_EQ(SingleInstance::Role::First, first.Claim(Request({"a"}), reply)) << first.Error();
        EXPECT_TRUE(first.Error().empty()) << first.Error();
        madeFolder = wxFileName(first.SocketPath()).GetPath();
        EXPECT_TRUE(madeFolder.StartsWith("/tmp/orvane-")) << madeFolder;
        struct stat st{};
        ASSERT_EQ(0, ::lstat(madeFolder.fn_str(), &st));
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(0700u, st.st_mode & 0777);
        first.Server().SetHandler(
            [](const InstanceRequest& request, InstanceReply& out) {
                out.lines = request.args;
                return true;
            },
            RunNow);
        SingleInstance second(profile);
        ASSERT_EQ(SingleInstance::Role::Forwarded, second.Claim(Request({"b"}), reply)) << second.Error();
        EXPECT_EQ(List({"b"}), reply.lines);
    }
    EXPECT_FALSE(wxFileName::DirExists(madeFolder)) << "the window's folder outlived it";
}

TEST(SingleInstance, ARequestNotTakenInTimeIsDroppedWhileOthersAreServed)
{
    TempDir dir;
    const wxString socket = dir.File("s.sock");
    InstanceServer server;
    server.SetQueueLimit(std::chrono::milliseconds(500));
    ASSERT_TRUE(server.Start(socket));
    // "wait" stands for an import behind a search that never ends.
    std::promise<InstanceServer::Responder> parked;
    std::atomic<int> ran{0};
    server.SetDeferredHandler(
        [&](const InstanceRequest& request, InstanceServer::Responder respond) {
            if (request.args[0] == "wait")
            {
                parked.set_value(respond);
                return;
            }
            if (!respond.Begin())
                return;
            ++ran;
            InstanceReply reply;
            reply.lines = request.args;
            respond(true, reply);
        },
        RunNow);

    InstanceReply waited;
    const auto start = std::chrono::steady_clock::now();
    auto waiting = std::async(std::launch::async,
                              [&] { return InstanceClient::Send(socket, Request({"wait"}), waited, 60000); });
    InstanceServer::Responder late = parked.get_future().get();
    {
        SCOPED_TRACE("another caller is answered while the first waits");
        InstanceReply reply;
        EXPECT_EQ(InstanceClient::Result::Replied,
                  InstanceClient::Send(socket, Request({"now"}), reply, 60000));
        EXPECT_EQ(List({"now"}), reply.lines);
        EXPECT_EQ(std::future_status::timeout, waiting.wait_for(std::chrono::milliseconds(0)));
    }
    {
        SCOPED_TRACE("the waiting caller is told the window is busy");
        ASSERT_EQ(InstanceClient::Result::Replied, waiting.get());
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        EXPECT_NE(0, waited.status);
        EXPECT_EQ(List({}), waited.lines);
        ASSERT_EQ(1u, waited.errors.size());
        EXPECT_EQ(InstanceServer::BusyMessage(), waited.errors[0]);
    }
    {
        SCOPED_TRACE("and its request never runs after that");
        EXPECT_FALSE(late.Begin());
        EXPECT_EQ(1, ran);
    }
}

// The channel against another local user: needs root to become one.
TEST(SingleInstance, AnotherUserNeverAnswersForTheWindow)
{
    const passwd* nobody = ::getpwnam("nobody");
    if (::getuid() != 0 || !nobody)
        GTEST_SKIP() << "needs root and a user 'nobody' to play another local user";
    TestSandbox sandbox;
    const std::string shared = sandbox.File("shared");
    MakeDirs(shared);
    ::chmod(sandbox.Path().c_str(), 0755);
    ::chmod(shared.c_str(), 01777);
    ScopedEnv runtime("XDG_RUNTIME_DIR", shared);

    {
        SCOPED_TRACE("a shared runtime folder is not used");
        SingleInstance instance(sandbox.File("profile"));
        EXPECT_FALSE(instance.SocketPath().StartsWith(wxString(shared)));
    }

    SCOPED_TRACE("a window of another user is not talked to");
    const std::string path = shared + "/theirs.sock";
    int ready[2];
    ASSERT_EQ(0, ::pipe(ready));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
    {
        // Another user listens and would answer anything.
        if (::setgid(nobody->pw_gid) != 0 || ::setuid(nobody->pw_uid) != 0)
            ::_exit(1);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        ::umask(0);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(fd, 4) != 0)
            ::_exit(1);
        [[maybe_unused]] const ssize_t n = ::write(ready[1], "r", 1);
        for (;;)
        {
            const int client = ::accept(fd, nullptr, nullptr);
            char byte;
            if (client >= 0 && ::read(client, &byte, 1) == 1)
                ::_exit(3);  // it heard something
            ::close(client);
        }
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(1, ::read(ready[0], &byte, 1));
    ::close(ready[0]);
    InstanceReply reply;
    EXPECT_EQ(InstanceClient::Result::WrongUser,
              InstanceClient::Send(path, Request({"--urls", "secret"}), reply, 5000));
    // Give a listener that heard something the time to say so.
    ::usleep(200 * 1000);
    int status = 0;
    EXPECT_EQ(0, ::waitpid(child, &status, WNOHANG)) << "the other user received the request";
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);

    SCOPED_TRACE("a lock file of another user is refused at once");
    SingleInstance probe(sandbox.File("profile"));
    ASSERT_FALSE(probe.LockPath().empty());
    ASSERT_TRUE(WriteFileBytes(probe.LockPath().ToStdString(), "1"));
    ASSERT_EQ(0, ::chown(probe.LockPath().fn_str(), nobody->pw_uid, nobody->pw_gid));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SingleInstance::Role::Refused, probe.Claim(Request({"x"}), reply));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    EXPECT_FALSE(probe.HoldsLock());
    EXPECT_TRUE(probe.Error().Contains("another user")) << probe.Error();
}
