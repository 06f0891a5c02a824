#include "base/ShownAddress.h"

#include <gtest/gtest.h>

TEST(ShownAddressTest, DecodesTextBeyondAsciiAndNothingThatChangesOrHidesTheAddress)
{
    const char* const u = "https://x.example/";
    const std::pair<std::string, std::string> cases[] = {
        {"%e3%83%a9%E3%83%83%F0%9F%A6%A6", "\xe3\x83\xa9\xe3\x83\x83\xf0\x9f\xa6\xa6"},
        {"?q=caf%C3%A9+au%20lait&a=%26%2F%25", "?q=caf\xc3\xa9+au%20lait&a=%26%2F%25"},
        // Not UTF-8 (a lone continuation, a cut sequence, an overlong form, a
        // surrogate), marks that reorder or hide text, C1 controls, wide spaces.
        {"%83%A9%E3%83", "%83%A9%E3%83"},
        {"%C0%AF%ED%A0%80%E3%8", "%C0%AF%ED%A0%80%E3%8"},
        {"%E2%80%AEexe.txt%C2%85%C2%A0%E3%80%80%E2%80%8B", "%E2%80%AEexe.txt%C2%85%C2%A0%E3%80%80%E2%80%8B"},
        {"100% sure %zz", "100% sure %zz"},
    };
    for (const auto& [address, shown] : cases)
    {
        SCOPED_TRACE(address);
        EXPECT_EQ(ShownAddress::Decode(wxString::FromUTF8(u + address)), wxString::FromUTF8(u + shown));
    }
}
