#include "common/cmdline.h"

#include <gtest/gtest.h>

namespace lumo {
namespace {

using Args = std::vector<std::string>;

TEST(CmdLine, QuotesOnlyWhatNeedsIt) {
    EXPECT_EQ(QuoteArg("C:\\dir\\"), "C:\\dir\\");  // no quote follows: literal
    EXPECT_EQ(QuoteArg(""), "\"\"");
    EXPECT_EQ(QuoteArg("C:\\a b\\"), "\"C:\\a b\\\\\"");
    EXPECT_EQ(QuoteArg("a\\\"b"), "\"a\\\\\\\"b\"");
}

TEST(CmdLine, NastyArgumentsSurviveTheRoundTrip) {
    const std::string program = "C:\\Program Files\\\xE6\xB8\xB8\xE6\x88\x8F\\Lumo.exe";
    const Args args = {"",
                       "simple",
                       "two words",
                       "tab\there",
                       "\"",
                       "\"\"",
                       "\"quoted\"",
                       "trailing\\",
                       "trailing two\\\\",
                       "\\\\server\\share\\",
                       "back\\\"quote",
                       "back\\\\\"quote two",
                       "\"\"\"three\"\"\"",
                       "  ",
                       "end\\",
                       "\xE4\xB8\xAD\xE6\x96\x87 \xE6\xB8\xB8\xE6\x88\x8F",
                       "<a b=\"1\"> </a>"};
    const auto line = BuildCommandLine(program, args);
    ASSERT_TRUE(line.has_value());
    Args expected = {program};
    expected.insert(expected.end(), args.begin(), args.end());
    EXPECT_EQ(SplitCommandLine(*line), expected) << *line;
}

TEST(CmdLine, SplitsLikeTheSystem) {
    const std::pair<const char*, Args> cases[] = {
        {"exe  a\t b ", {"exe", "a", "b"}},
        {"exe o\\ne \"t\\\\wo\"", {"exe", "o\\ne", "t\\\\wo"}},
        {"exe \\\"one \\\\\"two\" \\\\\\\"three \\\\\\\\\"four\" end",
         {"exe", "\"one", "\\two", "\\\"three", "\\\\four", "end"}},
        // Runs of quotes: every third is literal; inside quotes the opening
        // quote counts, and "" gives a quote and ends the quoted part.
        {"exe two\"\"quotes next", {"exe", "twoquotes", "next"}},
        {"exe three\"\"\"quotes next", {"exe", "three\"quotes", "next"}},
        {"exe \"two\"\"quotes next", {"exe", "two\"quotes", "next"}},
        {"exe \"five\"\"\"\"\"quotes next", {"exe", "five\"\"quotes", "next"}},
        {"exe arg1 \"unclosed", {"exe", "arg1", "unclosed"}},
        {"exe arg1 \"", {"exe", "arg1", ""}},
        // Argument 0: quotes end at the next quote, backslashes mean nothing.
        {"\"exe\"arg\" one\" argtwo", {"exe", "arg one", "argtwo"}},
        {"\"spaced exe\\\"arg1", {"spaced exe\\", "arg1"}},
        {"exe\"file\"path arg1", {"exe\"file\"path", "arg1"}},
        {" \"arg\"one", {"", "argone"}},
    };
    for (const auto& [line, argv] : cases) EXPECT_EQ(SplitCommandLine(line), argv) << line;
}

TEST(CmdLine, LimitCountsUtf16UnitsWithTheTerminator) {
    // "\"p\" " is 4 units; 4 + n + 1 may be at most 32767.
    EXPECT_TRUE(BuildCommandLine("p", {std::string(32762, 'x')}));
    EXPECT_FALSE(BuildCommandLine("p", {std::string(32763, 'x')}));
    EXPECT_FALSE(BuildCommandLine("p", {std::string(32761, ' ')}));  // plus two quotes
    // 中 is three bytes but one unit; an emoji is two units.
    std::string chinese, emoji;
    for (int i = 0; i < 32762; ++i) chinese += "\xE4\xB8\xAD";
    for (int i = 0; i < 16381; ++i) emoji += "\xF0\x9F\x98\x80";
    EXPECT_TRUE(BuildCommandLine("p", {chinese}));
    EXPECT_TRUE(BuildCommandLine("p", {emoji}));
    EXPECT_FALSE(BuildCommandLine("p", {emoji + "x"}));
    EXPECT_FALSE(BuildCommandLine("a\"b", {}));  // a program path cannot hold quotes
}

}  // namespace
}  // namespace lumo
