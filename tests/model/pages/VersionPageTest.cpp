#include "net/HttpClient.h"
#include "TestHttpServer.h"
#include "TestTls.h"
#include "pages/VersionPage.h"

#include <gtest/gtest.h>

#include <wx/init.h>

#include <string>

namespace
{
// Feeds the body one byte at a time, as the worker does.
wxString ParseByteByByte(const std::string& body, size_t* consumed = nullptr)
{
    VersionPage page;
    size_t i = 0;
    for (; i < body.size(); ++i)
    {
        if (page.Feed(&body[i], 1))
        {
            ++i;
            break;
        }
    }
    page.Finish();
    if (consumed)
        *consumed = i;
    return page.Result();
}
} // namespace

TEST(VersionPage, TakesTheTextBetweenFirstAndLastDollarSign)
{
    {
        SCOPED_TRACE("two dollar signs: exactly what lies between, blanks included");
        EXPECT_EQ(VersionPage::Parse("Latest: $ 5.9.23.0 $ (stable)\n"), " 5.9.23.0 ");
    }
    {
        SCOPED_TRACE("three: from after the first to before the last");
        EXPECT_EQ(VersionPage::Parse("a$6.0$beta$z\n"), "6.0$beta");
    }
    {
        SCOPED_TRACE("one: the rest of the line");
        EXPECT_EQ(VersionPage::Parse("version $6.1 final\nnext\n"), "6.1 final");
    }
    {
        SCOPED_TRACE("adjacent dollar signs give an empty text");
        EXPECT_EQ(VersionPage::Parse("$$\n$7$\n"), "");
    }
    {
        SCOPED_TRACE("non-ASCII text between them survives");
        EXPECT_EQ(VersionPage::Parse("$6.0 \xCE\xB2\xC3\xA9$\n"), wxString::FromUTF8("6.0 \xCE\xB2\xC3\xA9"));
    }
}

TEST(VersionPage, UsesOnlyTheFirstLineWithADollarSign)
{
    const std::string body = "<html>\r\nno version here\r\nv: $5.9.30.0$\r\nlater $9.9$\r\n";
    {
        SCOPED_TRACE("earlier lines are skipped, later ones ignored");
        EXPECT_EQ(VersionPage::Parse(body), "5.9.30.0");
    }
    {
        SCOPED_TRACE("reading stops right after the version line");
        size_t consumed = 0;
        EXPECT_EQ(ParseByteByByte(body, &consumed), "5.9.30.0");
        EXPECT_EQ(consumed, body.find("$\r\n") + 2) << "bytes after the line break were read";
    }
    {
        SCOPED_TRACE("a lone carriage return ends a line too");
        EXPECT_EQ(VersionPage::Parse("a\r$1.2\rb$c$\r"), "1.2");
    }
    {
        SCOPED_TRACE("a last line without a line break counts");
        EXPECT_EQ(ParseByteByByte("first\n$3.4$"), "3.4");
    }
    {
        SCOPED_TRACE("a byte-order mark before the first line is not part of it");
        EXPECT_EQ(VersionPage::Parse("\xEF\xBB\xBF$2.0\n"), "2.0");
    }
    {
        SCOPED_TRACE("no dollar sign anywhere: no version");
        EXPECT_EQ(VersionPage::Parse("<html><body>moved</body></html>\nbye\n"), "");
    }
    {
        SCOPED_TRACE("a line that is not UTF-8 still yields its dollar signs");
        EXPECT_EQ(VersionPage::Parse("caf\xE9 $4.5$\n"), "4.5");
    }
}

TEST(VersionPage, StopsAfterTheByteCap)
{
    // A page that never ends: one endless line, then a version past the cap.
    VersionPage page;
    const std::string chunk(4096, 'x');
    size_t fed = 0;
    bool stopped = false;
    while (fed < 2 * VersionPage::MaxBytes && !stopped)
    {
        stopped = page.Feed(chunk.data(), chunk.size());
        fed += chunk.size();
    }
    EXPECT_TRUE(stopped);
    EXPECT_LE(fed, VersionPage::MaxBytes + chunk.size());
    page.Feed("\n$1$\n", 5);  // ignored: reading has stopped
    page.Finish();
    EXPECT_EQ(page.Result(), "");
}

TEST(VersionPage, AddressFromTheSetting)
{
    wxString url;
    EXPECT_TRUE(VersionPage::UrlFromSetting(" example.org ", url));
    EXPECT_EQ(url, "http://example.org/p/keldrin/wiki/OrvaneVersion");
    EXPECT_TRUE(VersionPage::UrlFromSetting("[::1]:8080", url));
    EXPECT_EQ(url, "http://[::1]:8080/p/keldrin/wiki/OrvaneVersion");
    EXPECT_TRUE(VersionPage::UrlFromSetting("https://example.org/v.txt", url));
    EXPECT_EQ(url, "https://example.org/v.txt");
    for (const char* bad : {"", "host:0", "https://", "https:///v", "ftp://example.org/v",
                            "http://example.org/a b", "host/path"})
        EXPECT_FALSE(VersionPage::UrlFromSetting(bad, url)) << bad;
}

TEST(VersionPage, FetchedOverTheClient)
{
    wxInitializer wx;
    ScopedEnv ca("SSL_CERT_FILE", TestTls::Get().CaFile().c_str());
    TestHttpServer server(
        [](const HttpRequest& r) {
            HttpResponse out;
            out.body = "intro\r\nLatest: $5.9.23.0$\r\n";
            out.status = r.target == "/missing" ? 404 : 200;
            // Never ends, but the version line comes first.
            out.streamForever = r.target == "/endless";
            out.holdUntilReleased = r.target == "/held";
            return out;
        },
        TestHttpServer::Transport::Tls);
    HttpClient client;
    using Outcome = VersionPage::FetchResult::Outcome;
    auto fetch = [&](const std::string& path, std::function<bool()> keepGoing = {}) {
        return VersionPage::Fetch(client, server.Url(path), 5000, keepGoing);
    };
    auto got = fetch("/v");
    EXPECT_EQ(got.outcome, Outcome::Done);
    EXPECT_EQ(got.version, "5.9.23.0");
    got = fetch("/endless");
    EXPECT_EQ(got.outcome, Outcome::Done);
    EXPECT_EQ(got.version, "5.9.23.0");
    got = fetch("/missing");
    EXPECT_EQ(got.outcome, Outcome::HttpStatus);
    EXPECT_EQ(got.status, 404);
    EXPECT_EQ(fetch("/held", [] { return false; }).outcome, Outcome::Cancelled);
    server.Stop();
    EXPECT_EQ(fetch("/v").outcome, Outcome::ConnectFailed);
}
