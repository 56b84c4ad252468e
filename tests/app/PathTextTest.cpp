// Paths that are not UTF-8 survive the command line, the forwarding socket and the
// window's texts unchanged.
#include "app/PathText.h"

#include <gtest/gtest.h>

namespace folivex {
namespace {

TEST(PathText, EveryByteStringSurvivesTheTripThroughAText) {
    const std::string cases[] = {
        "/home/u/写真/IMG 1.jpg",
        "/tmp/caf\xE9.png",               // Latin-1
        "/tmp/\x82\xA0\x82\xA2.jpg",      // Shift-JIS
        "/tmp/\xED\xA0\x80.jpg",          // an encoded surrogate is not valid UTF-8
        "/tmp/\xC0\xAF.jpg",              // nor is an overlong form
        "/tmp/\xF0\x9F\x93\xB7 \xFF.jpg", // a real 4-byte character beside a stray byte
        "/tmp/trailing\xE3\x81",          // a sequence cut short
        "",
    };
    for (const std::string& bytes : cases)
        EXPECT_EQ(TextToPath(PathToText(bytes)), bytes) << bytes;
    // Valid UTF-8 reads as itself.
    EXPECT_EQ(PathToText("/home/u/写真"), QStringLiteral("/home/u/写真"));
}

} // namespace
} // namespace folivex
