// Sites by the public suffix list, and the addresses redirect links carry.
#include "base/WebAddress.h"

#include <gtest/gtest.h>

TEST(WebAddress, SitesAndRedirectTargets)
{
    const std::pair<const char*, const char*> sites[] = {
        {"news.example.co.uk", "example.co.uk"}, {"www.engine.co.jp", "engine.co.jp"},
        {"a.b.example.com", "example.com"},      {"user.github.io", "user.github.io"},
        {"127.0.0.1", "127.0.0.1"},              {"co.uk", "co.uk"}};
    for (const auto& [host, site] : sites)
        EXPECT_EQ(site, WebAddress::SiteOfHost(host)) << host;

    const char page[] = "https://www.engine.example/search?q=x";
    const std::pair<const char*, const char*> links[] = {
        {"https://www.engine.example/url?sa=t&q=https%3A%2F%2Fa.org%2Fx%3Fy%3D1", "https://a.org/x?y=1"},
        {"https://engine.example/l/?uddg=https%3A%2F%2Fb.net%2F&rut=1", "https://b.net/"},
        {"https://r.engine.example/_ylt=A;_ylu=B/RV=2/RU=https%3a%2f%2fc.com%2fp/RK=2/RS=x-", "https://c.com/p"},
        {"https://engine.example/ck/a?!&&p=1&u=a1aHR0cHM6Ly9kLm9yZy9wYWdl&ntb=1", "https://d.org/page"},
        {"https://engine.example/link?url=%2F%2Fe.org%2Fx", "https://e.org/x"},
        {"https://engine.example/go?to=https%253A%252F%252Ff.org%252F", "https://f.org/"},
        {"https://engine.example/search?q=sea+otter", ""},
        {"https://web.archive.example/web/2020/https://g.org/", ""},
        {"https://engine.example/redirect/AbCdEf0123456789xyz", ""},
        {"javascript:alert(1)", ""}};
    for (const auto& [link, target] : links)
        EXPECT_EQ(target, WebAddress::RedirectTarget(link, page)) << link;
}
