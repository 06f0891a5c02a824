#include "net/HttpClient.h"
#include "net/SuggestionFetch.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "TestTls.h"

#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/init.h>

namespace
{
using Outcome = SuggestionFetch::Outcome;

HttpResponse Reply(const std::string& body, const std::string& type = "text/plain")
{
    HttpResponse r;
    r.contentType = type;
    r.body = body;
    return r;
}

SuggestionRequest::Service Template(const std::string& url)
{
    SuggestionRequest::Service service;
    service.classic = false;
    service.urlTemplate = url;
    return service;
}

std::string Join(const wxArrayString& list)
{
    std::string out;
    for (const wxString& s : list)
        out += (out.empty() ? "" : "|") + s.utf8_string();
    return out;
}
} // namespace

TEST(SuggestionFetchTest, BothFormatsFromEitherKindOfService)
{
    wxInitializer wx;
    ScopedEnv ca("SSL_CERT_FILE", TestTls::Get().CaFile().c_str());
    TempDir dir;
    const wxString replyFile = dir.File("sugg_data.xml");
    const std::string xml = "<toplevel><CompleteSuggestion><suggestion data=\"x1\"/>"
                            "</CompleteSuggestion></toplevel>";
    TestHttpServer tls(
        [&](const HttpRequest& r) {
            if (r.target.rfind("/json", 0) == 0)
                return Reply("[\"" + r.target + "\", [\"j1\", \"j2\"]]",
                             "application/x-suggestions+json");
            if (r.target.rfind("/gbk", 0) == 0)  // "中" in GBK
                return Reply("[\"q\", [\"\xD6\xD0\"]]", "application/json; charset=GBK");
            if (r.target.rfind("/text", 0) == 0)
                return Reply("no list here");
            return Reply("  " + xml + "\nsecond line");
        },
        TestHttpServer::Transport::Tls);
    HttpClient client;
    auto run = [&](const SuggestionRequest::Service& service, const wxString& keyword = "k") {
        return SuggestionFetch::Run(client, service, keyword, "zh-CN", 5000, {}, replyFile);
    };
    {
        SCOPED_TRACE("OpenSearch JSON, in UTF-8 or in the charset the reply names");
        auto got = run(Template(tls.Url("/json?q={searchTerms}&hl={language}")), "a b");
        EXPECT_EQ(got.outcome, Outcome::Suggestions) << got.error;
        EXPECT_EQ(Join(got.suggestions), "j1|j2");
        EXPECT_EQ(tls.Requests().back().target, "/json?q=a%20b&hl=zh-CN");
        EXPECT_FALSE(wxFileExists(replyFile));
        EXPECT_EQ(Join(run(Template(tls.Url("/gbk?q={searchTerms}"))).suggestions), "\xE4\xB8\xAD");
    }
    {
        SCOPED_TRACE("XML from a template service: the first line, kept as the reply file");
        EXPECT_EQ(Join(run(Template(tls.Url("/xml?q={searchTerms}"))).suggestions), "x1");
        EXPECT_EQ(ReadFileBytes(replyFile.utf8_string()), "  " + xml);
    }
    {
        SCOPED_TRACE("neither format: an empty list, service fine");
        auto got = run(Template(tls.Url("/text?q={searchTerms}")));
        EXPECT_EQ(got.outcome, Outcome::Suggestions);
        EXPECT_TRUE(got.suggestions.empty());
    }
    {
        SCOPED_TRACE("the classic service over plain HTTP");
        TestHttpServer plain([&](const HttpRequest&) { return Reply(xml + "\n<more/>"); });
        SuggestionRequest::Service classic;
        ASSERT_TRUE(SuggestionRequest::ParseServer(plain.HostPort(), classic.host, classic.port));
        auto got = run(classic, wxString::FromUTF8("caf\xC3\xA9"));
        EXPECT_EQ(got.outcome, Outcome::Suggestions) << got.error;
        EXPECT_EQ(Join(got.suggestions), "x1");
        EXPECT_EQ(plain.Requests().back().target,
                  "/complete/search?hl=zh-CN&output=toolbar&qu=caf%c3%a9");
        EXPECT_EQ(ReadFileBytes(replyFile.utf8_string()), xml);
    }
}

TEST(SuggestionFetchTest, FailuresAreTold)
{
    wxInitializer wx;
    TestHttpServer server([](const HttpRequest& r) {
        HttpResponse out = Reply("[\"q\", [\"a\"]]");
        out.status = r.target.rfind("/missing", 0) == 0 ? 404 : 200;
        out.delayMs = r.target.rfind("/slow", 0) == 0 ? 2000 : 0;
        out.holdUntilReleased = r.target.rfind("/held", 0) == 0;
        return out;
    });
    HttpClient client;
    auto run = [&](const std::string& path, int timeoutMs = 5000,
                   std::function<bool()> keepGoing = {}) {
        return SuggestionFetch::Run(client, Template(server.Url(path + "?q={searchTerms}")), "k",
                                    "en", timeoutMs, keepGoing)
            .outcome;
    };
    EXPECT_EQ(run("/missing"), Outcome::StatusFailed);
    EXPECT_EQ(run("/slow", 300), Outcome::TimedOut);
    EXPECT_EQ(run("/held", 60000, [] { return false; }), Outcome::Skipped);
    server.Stop();
    EXPECT_EQ(run("/gone"), Outcome::ConnectFailed);
}
