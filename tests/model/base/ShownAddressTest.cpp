#include "base/ShownAddress.h"

#include <gtest/gtest.h>

TEST(ShownAddressTest, DecodesTextBeyondAsciiAndNothingThatChangesOrHidesTheAddress)
{
    const struct
    {
        const char* address;
        const char* shown;
    } cases[] = {
        {"https://ja.example/wiki/%e3%83%a9%E3%83%83%E3%82%B3", "https://ja.example/wiki/\xe3\x83\xa9\xe3\x83\x83\xe3\x82\xb3"},
        {"https://x.example/?q=caf%C3%A9+au%20lait&a=%26%2F%25", "https://x.example/?q=caf\xc3\xa9+au%20lait&a=%26%2F%25"},
        {"https://x.example/%F0%9F%A6%A6", "https://x.example/\xf0\x9f\xa6\xa6"},
        // Not UTF-8: a lone continuation byte, a cut sequence, an overlong
        // form, a surrogate, a byte of another code page.
        {"https://x.example/%83%A9", "https://x.example/%83%A9"},
        {"https://x.example/%E3%83", "https://x.example/%E3%83"},
        {"https://x.example/%C0%AF", "https://x.example/%C0%AF"},
        {"https://x.example/%ED%A0%80", "https://x.example/%ED%A0%80"},
        {"https://x.example/%B2%E2", "https://x.example/%B2%E2"},
        // Marks that reorder or hide text, C1 controls and wide spaces stay escaped.
        {"https://x.example/%E2%80%AEexe.txt", "https://x.example/%E2%80%AEexe.txt"},
        {"https://x.example/%C2%85%C2%A0%E3%80%80%E2%80%8B", "https://x.example/%C2%85%C2%A0%E3%80%80%E2%80%8B"},
        {"https://x.example/%E3%8", "https://x.example/%E3%8"},
        {"100% sure %zz", "100% sure %zz"},
        {"", ""},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(ShownAddress::Decode(wxString::FromUTF8(c.address)), wxString::FromUTF8(c.shown));
    }
}
