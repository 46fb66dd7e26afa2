#include "page/html_charset.h"

#include <gtest/gtest.h>

#include "page/html_history.h"

namespace lumo::html {
namespace {

TEST(Charset, FromContentTypeAndMeta) {
    EXPECT_EQ(CharsetOfContentType("text/html; charset=UTF-8"), "utf-8");
    EXPECT_EQ(CharsetOfContentType("text/html;charset=\"gb2312\""), "gb2312");
    EXPECT_EQ(CharsetOfContentType("text/html"), "");
    EXPECT_EQ(CharsetOfContentType("text/html; xcharset=gbk"), "");
    EXPECT_EQ(CharsetOfMeta("<html><head><meta charset=\"GBK\">"), "gbk");
    EXPECT_EQ(CharsetOfMeta("<meta http-equiv=\"Content-Type\" content=\"text/html; "
                            "charset=gb2312\">"),
              "gb2312");
    EXPECT_EQ(CharsetOfMeta("<meta name=x content=\"charset=big5\">"), "");
    EXPECT_EQ(CharsetOfMeta(std::string(5000, ' ') + "<meta charset=gbk>"), "");  // too far down
}

TEST(Charset, CodePagesAndDetectionOrder) {
    EXPECT_EQ(CodePageOfCharset("UTF-8"), kCodePageUtf8);
    EXPECT_EQ(CodePageOfCharset(" gb2312 "), kCodePageGbk);
    EXPECT_EQ(CodePageOfCharset("GBK"), kCodePageGbk);
    EXPECT_EQ(CodePageOfCharset("iso-8859-1"), kCodePageLatin1);
    EXPECT_EQ(CodePageOfCharset("klingon"), 0);

    const std::string gbkPage = "<meta charset=gbk><title>\xD3\xCE\xCF\xB7</title>";  // 游戏
    EXPECT_EQ(DetectCodePage("text/html; charset=utf-8", gbkPage), kCodePageUtf8);  // header first
    EXPECT_EQ(DetectCodePage("text/html", gbkPage), kCodePageGbk);
    EXPECT_EQ(DetectCodePage("text/html; charset=unknown", gbkPage), kCodePageGbk);
    EXPECT_EQ(DetectCodePage("", "\xEF\xBB\xBF<meta charset=gbk>"), kCodePageUtf8);  // BOM
    EXPECT_EQ(DetectCodePage("", "<title>游戏</title>"), kCodePageUtf8);             // sniffed
    EXPECT_EQ(DetectCodePage("", "<title>\xD3\xCE\xCF\xB7</title>"), kCodePageGbk);
}

TEST(Charset, Utf8ValidationAndLatin1) {
    EXPECT_TRUE(IsValidUtf8("plain 中文 \xF0\x9F\x98\x80"));
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));
    EXPECT_FALSE(IsValidUtf8("\xE4\xB8"));
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));
    EXPECT_EQ(Latin1ToUtf8("caf\xE9 \x80"), "caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(History, BackForwardAndNewEntriesDropTheForwardList) {
    NavigationHistory h;
    EXPECT_EQ(h.Step(h.Current(), -1), std::nullopt);
    EXPECT_EQ(h.Step(h.Current(), 1), std::nullopt);
    h.Push("a");
    h.Push("b");
    h.Push("c");
    EXPECT_EQ(h.Current(), 2);
    EXPECT_EQ(h.Step(2, 1), std::nullopt);
    ASSERT_EQ(h.Step(2, -1), 1);
    h.Commit(1, "b2");  // back to b, which redirected
    EXPECT_EQ(h.At(1), "b2");
    EXPECT_EQ(h.Current(), 1);
    EXPECT_EQ(h.Step(1, 1), 2);
    h.Push("d");  // a new page drops "c"
    EXPECT_EQ(h.Size(), 3);
    EXPECT_EQ(h.At(2), "d");
    EXPECT_EQ(h.Step(2, 1), std::nullopt);
    h.Commit(-1, "e");  // an index out of range is a new entry
    EXPECT_EQ(h.Size(), 4);
    EXPECT_EQ(h.Current(), 3);
}

}  // namespace
}  // namespace lumo::html
