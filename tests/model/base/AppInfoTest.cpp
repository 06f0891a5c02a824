#include "base/AppInfo.h"

#include <gtest/gtest.h>

TEST(AppInfoTest, PlaceholderAddressesAreThoseOnReservedExampleNames)
{
    for (const char* address :
         {"https://www.example.org/", "orvane@example.org", "http://EXAMPLE.com:8080/x",
          "https://sub.example.net?q=1", "mailto:me@host.test", "http://orvane.invalid.",
          "https://docs.example/"})
    {
        SCOPED_TRACE(address);
        EXPECT_TRUE(AppInfo::IsPlaceholderAddress(address));
    }
    for (const char* address :
         {"https://www.example.org.elsewhere.com/", "https://notexample.org/",
          "me@orvane-search.org", "https://example.org@evil.com/", "http://testing.dev/",
          ""})
    {
        SCOPED_TRACE(address);
        EXPECT_FALSE(AppInfo::IsPlaceholderAddress(address));
    }
    EXPECT_TRUE(AppInfo::IsPlaceholderAddress(AppInfo::WebSite)) << "the shipped ones, for now";
    EXPECT_TRUE(AppInfo::IsPlaceholderAddress(AppInfo::MailAddress));
}
