// Broken and random input must neither crash nor hang the reader, and what
// it reads must stay consistent (indexes in range, forms own their controls).
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "page/html_charset.h"
#include "page/html_dom.h"
#include "page/html_form.h"
#include "page/html_url.h"

namespace lumo::html {
namespace {

void CheckConsistent(Dom& dom) {
    const int n = static_cast<int>(dom.elements.size());
    for (int f : dom.forms) {
        ASSERT_GE(f, 0);
        ASSERT_LT(f, n);
        EXPECT_EQ(dom.elements[f].tag, "form");
        for (int c : dom.elements[f].controls) {
            ASSERT_GT(c, f);
            ASSERT_LT(c, n);
            EXPECT_EQ(dom.elements[c].form, f);
        }
    }
    for (int i = 0; i < n; ++i) {
        const Element& e = dom.elements[i];
        EXPECT_FALSE(e.tag.empty());
        for (int o : e.options) ASSERT_LT(o, n);
        (void)dom.GetAttribute(i, "value");
        (void)dom.CurrentValue(i);
        (void)Click(dom, i, "http://h/p/q.html");
    }
    (void)LoadTimeWindowOpen(dom, "http://h/p/q.html");
}

TEST(Robustness, MalformedMarkup) {
    const char* inputs[] = {
        "",
        "<",
        "<<<<",
        "</",
        "</>",
        "<!",
        "<!--",
        "<!-- x",
        "<!-->",
        "<?",
        "<a",
        "<a href",
        "<a href=",
        "<a href=\"",
        "<a href='x",
        "<a href=x",
        "<a =x>",
        "<a ==>",
        "<a/b/c/>",
        "<title>",
        "<title>unclosed",
        "<script>",
        "<script>a</scr",
        "<textarea>&am",
        "&",
        "&#",
        "&#x",
        "&#xFFFFFFFFFFFFFFFF;",
        "&#99999999999999999999",
        "<p>&amp",
        "<form><form><input></form></form><input>",
        "<select><option><option>",
        "</form></select>",
        "<table><td><tr><th></table></td>",
        "<div><p><p><li><li></ul></ol>",
        "a < b > c",
        "<a\x00b>",
        "<\xFF\xFE>",
        "<input value=\"\xE4\xB8\">",
        "<b><i></b></i>",
    };
    for (const char* input : inputs) {
        SCOPED_TRACE(input);
        Dom dom = ParseHtml(input);
        CheckConsistent(dom);
    }
    EXPECT_EQ(ParseHtml("<title>unclosed").title, "unclosed");
    EXPECT_TRUE(ParseHtml("<a href='x").elements.empty());  // cut off inside a tag
    EXPECT_EQ(ParseHtml("<p>a < b</p>").elements[0].text, "a < b");
}

TEST(Robustness, DeepNestingStaysFast) {
    std::string deep;
    for (int i = 0; i < 20000; ++i) deep += "<div><span>x";
    for (int i = 0; i < 20000; ++i) deep += "<option>o";
    Dom dom = ParseHtml(deep);
    EXPECT_EQ(dom.elements.size(), 60000u);
    std::string scripts;
    for (int i = 0; i < 5000; ++i) scripts += "{{{ window.open(x) ";
    EXPECT_EQ(WindowOpenLiteral(scripts, true), std::nullopt);
}

TEST(Robustness, RandomInput) {
    static const char* const kPieces[] = {
        "<",
        ">",
        "/",
        "=",
        "\"",
        "'",
        "&",
        "#",
        ";",
        " ",
        "\n",
        "a",
        "x",
        "<form>",
        "</form>",
        "<input name=",
        "<select>",
        "<option",
        "</select>",
        "<textarea>",
        "</textarea>",
        "<title>",
        "</title>",
        "<script>",
        "</script>",
        "<!--",
        "-->",
        "&amp",
        "&#x4e2d",
        "&#",
        "window.open('",
        "onclick=",
        "href=",
        "<a ",
        "</a>",
        "<base href=",
        "\xE4\xB8\xAD",
        "\xFF",
        "{",
        "}",
        "<p>",
        "type=submit",
        "type=checkbox",
        "<button>",
        "target=_blank",
        "action=",
        "method=post",
        "#frag",
        "../",
        "?",
        "%",
        ":",
        "//",
        "javascript:",
        "<meta charset=",
        "<body onload=",
    };
    std::mt19937 rng(12345);
    for (int round = 0; round < 3000; ++round) {
        std::string input;
        const int parts = static_cast<int>(rng() % 60);
        for (int i = 0; i < parts; ++i) {
            if (rng() % 8 == 0) {
                input += static_cast<char>(rng() % 256);
            } else {
                input += kPieces[rng() % std::size(kPieces)];
            }
        }
        SCOPED_TRACE(input);
        Dom dom = ParseHtml(input);
        CheckConsistent(dom);
        (void)ResolveUrl("http://h/a/b", input);
        (void)CompleteAddress(input);
        (void)HttpTargetOf(input);
        (void)DetectCodePage(input, input);
        (void)DecodeEntities(input, round % 2 == 0);
        (void)WindowOpenLiteral(input, round % 2 == 0);
        if (HasFatalFailure())
            return;
    }
}

}  // namespace
}  // namespace lumo::html
