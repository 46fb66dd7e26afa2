#include "common/ini.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

using Names = std::vector<std::string>;

// Most of what the reader must cope with: BOM, keys before any section,
// CR, LF and CRLF ends, comments, duplicates, quotes, blanks.
const char kSample[] =
    "\xEF\xBB\xBForphan=1\r\n[Main]\r\n  Name  =  \xD6\xD0\xCE\xC4 value  \n"
    "; comment=no\rbare line\r\nQuoted=\" padded \"\r\nSingle='x'\r\nMixed=\"x'\r\nLone=\"\r\n"
    "Empty=\r\nname=second\r\n[ main ]\r\nExtra=hidden\r\n"
    "[Numbers]\r\na=12abc\r\nb= -7\r\nc=abc\r\nd=\r\ne=0x1A\r\n[Broken\r\nk=v";

TEST(Ini, ReadsLikeThePrivateProfileReader) {
    const IniDoc doc = IniDoc::Parse(kSample);
    EXPECT_EQ(doc.Get(" main ", " NAME "), "\xD6\xD0\xCE\xC4 value");
    EXPECT_EQ(doc.Get("Main", "Quoted"), " padded ");
    EXPECT_EQ(doc.Get("Main", "Single"), "x");
    EXPECT_EQ(doc.Get("Main", "Mixed"), "\"x'");
    EXPECT_EQ(doc.Get("Main", "Lone"), "\"");
    EXPECT_EQ(doc.Get("Main", "Empty", "def"), "");
    EXPECT_EQ(doc.Get("Main", "missing", "dflt  "), "dflt");
    // Not readable: comments, lines without '=', keys before the first
    // section or in a later section of the same name, nameless sections.
    EXPECT_FALSE(doc.Find("Main", "; comment"));
    EXPECT_FALSE(doc.Find("Main", "bare line"));
    EXPECT_FALSE(doc.Find("", "orphan"));
    EXPECT_FALSE(doc.Find("Main", "Extra"));
    EXPECT_FALSE(IniDoc::Parse("[]\nk=1").Find("", "k"));
    // A line starting with '[' but without ']' is no section header.
    EXPECT_FALSE(doc.Find("Broken", "k"));
    EXPECT_EQ(doc.Get("Numbers", "k"), "v");

    EXPECT_EQ(doc.Sections(), (Names{"Main", "Numbers"}));
    EXPECT_EQ(doc.Keys("MAIN"), (Names{"Name", "Quoted", "Single", "Mixed", "Lone", "Empty"}));

    EXPECT_EQ(doc.GetInt("Numbers", "a", 99), 12);
    EXPECT_EQ(doc.GetInt("Numbers", "b", 99), -7);
    EXPECT_EQ(doc.GetInt("Numbers", "c", 99), 0);   // present, not a number
    EXPECT_EQ(doc.GetInt("Numbers", "d", 99), 99);  // present but empty
    EXPECT_EQ(doc.GetInt("Numbers", "e", 99), 26);
    EXPECT_EQ(doc.GetInt("Numbers", "zz", 99), 99);
}

TEST(Ini, WritesKeepEveryOtherLine) {
    IniDoc doc = IniDoc::Parse(
        "; head\n[A]\n  KEY = old ; not a comment\nother=1\n\n\n[B]\r\nx=1\r\n[a]\nkey=dup\n");
    doc.Set("a", "key", "new");         // first [A]; the key's spelling is kept
    doc.Set("A", "added", "\xD6\xD0");  // before the blank lines closing [A]
    doc.Set("B", "y", "line\r\nbreak");
    doc.Set("New", "k", "v");
    doc.Set("", "k", "ignored");
    EXPECT_EQ(doc.Serialize(),
              "; head\r\n[A]\r\nKEY=new\r\nother=1\r\nadded=\xD6\xD0\r\n\r\n\r\n"
              "[B]\r\nx=1\r\ny=line  break\r\n[a]\r\nkey=dup\r\n[New]\r\nk=v\r\n");

    doc.RemoveKey("A", "OTHER");
    EXPECT_EQ(doc.Keys("A"), (Names{"KEY", "added"}));

    IniDoc empty;
    empty.Set("S", "k", "1");
    EXPECT_EQ(empty.Serialize(), "[S]\r\nk=1\r\n");
    EXPECT_EQ(IniDoc::Parse("\xEF\xBB\xBF[S]\nk=1").Serialize(), "\xEF\xBB\xBF[S]\r\nk=1\r\n");
}

}  // namespace
}  // namespace lumo
