#include "common/text.h"
#include "common/base64.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

TEST(Utf, ConvertsBothWaysAndReplacesBadInput) {
    const std::string utf8 = "a\xC3\xA4\xE4\xB8\xAD\xF0\x9F\x98\x80";  // a ä 中 U+1F600
    const std::u16string utf16 = u"a\u00E4\u4E2D\U0001F600";
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    // One U+FFFD per bad piece; what follows it is kept.
    EXPECT_EQ(Utf8ToUtf16("a\xFFz"), u"a\uFFFDz");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8x\xE4\xB8"), u"\uFFFDx\uFFFD");  // cut-short sequences
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");            // overlong '/'
    EXPECT_EQ(Utf8ToUtf16("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
    const std::u16string lone = {u'a', char16_t(0xD800), u'z', char16_t(0xDC00), char16_t(0xDC00)};
    EXPECT_EQ(Utf16ToUtf8(lone), "a\xEF\xBF\xBDz\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Text, TrimAndCaseFoldingLeaveNonAsciiBytesAlone) {
    EXPECT_EQ(Trim(" \t\r\n a b \x01"), "a b");
    EXPECT_EQ(TrimView("\xA1\xA1 x \xA1\xA1"), "\xA1\xA1 x \xA1\xA1");
    // GBK "中" has the trail byte 0xD0 that must not be folded.
    EXPECT_EQ(AsciiLower("AbC\xD6\xD0Z"), "abc\xD6\xD0z");
    EXPECT_EQ(AsciiUpper("about:blank @[`{"), "ABOUT:BLANK @[`{");
    EXPECT_TRUE(EqualsNoCase("About:Blank", "about:blank"));
    EXPECT_FALSE(EqualsNoCase("about", "about:"));
    EXPECT_FALSE(EqualsNoCase("\xC4\xE3", "\xE4\xE3"));
    EXPECT_TRUE(StartsWithNoCase("HTTP://x", "http://"));
    EXPECT_FALSE(StartsWithNoCase("http", "http://"));
}

// The ANSI code page of the target systems is 936 (GBK).
TEST(Ansi, ConvertsGbkAndReplacesWhatItCannotHold) {
    EXPECT_EQ(Utf8ToAnsi("\xE4\xB8\xAD\xE6\x96\x87"), "\xD6\xD0\xCE\xC4");  // 中文
    EXPECT_EQ(AnsiToUtf8("\xD6\xD0\xCE\xC4"), "\xE4\xB8\xAD\xE6\x96\x87");
    // Hangul 한 is not in GBK; the text goes on after it.
    EXPECT_EQ(Utf8ToAnsi("x\xED\x95\x9C\xE4\xB8\xADy"), "x?\xD6\xD0y");
    EXPECT_EQ(Utf8ToAnsi("a\xFFz"), "a?z");
    // An emoji may count as one or two characters; only '?' may stand for it.
    const std::string emoji = Utf8ToAnsi("a\xF0\x9F\x98\x80\xE4\xB8\xAD");
    ASSERT_GE(emoji.size(), 4u);
    EXPECT_EQ(emoji.substr(1, emoji.size() - 3).find_first_not_of('?'), std::string::npos);
    EXPECT_EQ(emoji.front() + emoji.substr(emoji.size() - 2), "a\xD6\xD0");
    // Bytes that are no GBK text are replaced, not the end of the text.
    const std::string bad = AnsiToUtf8("a\xFFz\xD6");
    EXPECT_EQ(bad[0], 'a');
    EXPECT_NE(bad.find('z'), std::string::npos);
}

TEST(Base64, EncodesAndRejectsWhatItWouldNotWrite) {
    const std::pair<std::string, std::string> known[] = {
        {"", ""},        {"f", "Zg=="},        {"fo", "Zm8="},
        {"foo", "Zm9v"}, {"foob", "Zm9vYg=="}, {std::string("\0\xFF\xFE", 3), "AP/+"}};
    for (const auto& [bytes, text] : known) {
        EXPECT_EQ(Base64Encode(bytes), text);
        EXPECT_EQ(Base64Decode(text), bytes);
    }
    for (const char* bad : {"Zg=", "Zg==Zg==", "Z===", "Zh==", "Zm9=", "Zm 9", "Zm9v\r\n", "Z=g="})
        EXPECT_FALSE(Base64Decode(bad)) << bad;
}

}  // namespace
}  // namespace lumo
