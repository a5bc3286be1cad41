#include <gtest/gtest.h>

#include <string>

#include "platform/box_text.h"

using platform::fitBoxText;

namespace {

constexpr std::size_t wordLimit = 20;

// Characters, not bytes: what a reader sees of a word's length.
std::size_t characters(const std::string& utf8) {
    std::size_t n = 0;
    for (unsigned char byte : utf8) n += (byte & 0xC0) != 0x80;
    return n;
}

}  // namespace

// The closing text, short paths and line structure pass through untouched.
TEST(BoxText, ShortValidTextIsKeptByteForByte) {
    const std::string closing = "GFX: TAVIN MERODE\nC\u00d3DIGO: MERODE OLSAN\nSFX: QUIRELLO\n\n"
                                "KELVORA REVITALIZA\nCUERPO Y MENTE";
    EXPECT_EQ(fitBoxText(closing, wordLimit), closing);
    EXPECT_EQ(fitBoxText("/home/M\u00fasica/stuff", wordLimit), "/home/M\u00fasica/stuff");
    EXPECT_EQ(fitBoxText("  a\n\n b  ", wordLimit), "  a\n\n b  ");
}

// Each maximal invalid sequence shows as one U+FFFD; nothing is dropped and
// the valid characters around it stay.
TEST(BoxText, BytesThatAreNotUtf8ShowAsReplacementCharacters) {
    const struct {
        std::string in, expected;
    } cases[] = {
        {"M\xfasica", "M\uFFFDsica"},                 // Latin-1 "ú"
        {"a\xc3", "a\uFFFD"},                         // cut at the end
        {"\xe2\x82z", "\uFFFDz"},                     // cut inside, one U+FFFD
        {"\xc0\xaf", "\uFFFD\uFFFD"},                 // overlong "/"
        {"\xed\xa0\x80", "\uFFFD\uFFFD\uFFFD"},       // a surrogate
        {"\xf4\x90\x80\x80", "\uFFFD\uFFFD\uFFFD\uFFFD"},  // past U+10FFFF
        {"\xff\x80", "\uFFFD\uFFFD"},
        {"\xf0\x9f\x8e\xb5 ok", "\U0001F3B5 ok"},     // four bytes, valid
    };
    for (const auto& c : cases)
        EXPECT_EQ(fitBoxText(c.in, wordLimit), c.expected) << "input bytes of length " << c.in.size();
}

// A long path keeps its start and its file name, with the middle cut out;
// the result is exactly the limit long and the words around it stay.
TEST(BoxText, LongPathsLoseTheirMiddleButKeepTheFileName) {
    const std::string path = "/home/user/" + std::string(4051, 'd') + "/kelvora.";
    const std::string fitted = fitBoxText("in\n" + path + "\nStart", wordLimit);
    const std::string shortPath = fitted.substr(3, fitted.size() - 3 - 6);
    EXPECT_EQ(fitted.substr(0, 3), "in\n");
    EXPECT_EQ(fitted.substr(fitted.size() - 6), "\nStart");
    EXPECT_EQ(characters(shortPath), wordLimit) << shortPath;
    EXPECT_EQ(shortPath, "/home/user\u2026/kelvora.");

    // A file name that is too long itself: both ends of the word stay.
    const std::string name = std::string(30, 'a') + ".tga";
    EXPECT_EQ(fitBoxText("stuff/" + name, wordLimit), "stuff/aaaa\u2026aaaaa.tga");
    // Invalid bytes in a long path are counted as the characters they become.
    const std::string fittedBad = fitBoxText("/x/" + std::string(5000, '\xe9') + "/f", wordLimit);
    EXPECT_EQ(characters(fittedBad), wordLimit);
    EXPECT_EQ(fittedBad.substr(fittedBad.size() - 2), "/f");
}
