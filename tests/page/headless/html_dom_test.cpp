#include "page/html_dom.h"

#include <gtest/gtest.h>

namespace lumo::html {
namespace {

TEST(Entities, NamedNumericAndLegacyReferences) {
    EXPECT_EQ(DecodeEntities("a &amp; b &lt;c&gt; &quot;d&quot; &apos;"), "a & b <c> \"d\" '");
    EXPECT_EQ(DecodeEntities("&#20013;&#x6587;&#X41;"),
              "\xE4\xB8\xAD\xE6\x96\x87"
              "A");
    EXPECT_EQ(DecodeEntities("&nbsp;"), "\xC2\xA0");
    EXPECT_EQ(DecodeEntities("&amp &lt"), "& <");  // legacy names without ';'
    EXPECT_EQ(DecodeEntities("&hellip &hellip;"), "&hellip \xE2\x80\xA6");
    EXPECT_EQ(DecodeEntities("&#150;"), "\xE2\x80\x93");  // C1 range read as windows-1252
}

TEST(Entities, BrokenReferencesStayAsText) {
    EXPECT_EQ(DecodeEntities("&"), "&");
    EXPECT_EQ(DecodeEntities("a&b"), "a&b");
    EXPECT_EQ(DecodeEntities("&#;&#x;&#"), "&#;&#x;&#");
    EXPECT_EQ(DecodeEntities("&unknown;"), "&unknown;");
    EXPECT_EQ(DecodeEntities("&#0;&#xD800;&#99999999999;"), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(DecodeEntities("&#65"), "A");  // cut off at the end
    // In attribute values a legacy name before a letter or '=' is kept.
    EXPECT_EQ(DecodeEntities("?a=1&copy=2&amp;x", true), "?a=1&copy=2&x");
    EXPECT_EQ(DecodeEntities("?a=1&copy=2", false), "?a=1\xC2\xA9=2");
}

TEST(Parse, ElementsAttributesAndTitle) {
    Dom dom = ParseHtml(
        "<!DOCTYPE html><HTML><head><meta charset=\"utf-8\"><TITLE> 游戏  大厅 &amp; "
        "&lt;x&gt; </TITLE></head><body><a ID=top HREF='/a?b=1&amp;c=2' data-x>Link "
        "<b>text</b></a><p class=a class=b>para</body></html>");
    EXPECT_TRUE(dom.hasTitle);
    EXPECT_EQ(dom.title, "游戏 大厅 & <x>");
    int a = dom.FindByNameOrId("top");
    ASSERT_GE(a, 0);
    EXPECT_EQ(dom.elements[a].tag, "a");
    EXPECT_EQ(*dom.elements[a].Attr("href"), "/a?b=1&c=2");
    EXPECT_TRUE(dom.elements[a].HasAttr("data-x"));
    EXPECT_EQ(dom.elements[a].text, "Link text");
    int p = -1;
    for (size_t i = 0; i < dom.elements.size(); ++i)
        if (dom.elements[i].tag == "p")
            p = static_cast<int>(i);
    ASSERT_GE(p, 0);
    EXPECT_EQ(*dom.elements[p].Attr("class"), "a");  // the first of duplicates wins
    EXPECT_EQ(dom.FindByNameOrId("nothing"), -1);
    EXPECT_EQ(dom.FindByNameOrId(""), -1);
}

TEST(Parse, NoTitleAndCommentsAndScripts) {
    Dom dom = ParseHtml(
        "<!-- <title>not this</title> --><body><script>if (a < b && c > d) x = '</p>';</script>"
        "<script src=x.js></script><style>p < a {}</style><p id=p>after</p>");
    EXPECT_FALSE(dom.hasTitle);
    EXPECT_EQ(dom.title, "");
    ASSERT_EQ(dom.scripts.size(), 1u);
    EXPECT_EQ(dom.scripts[0], "if (a < b && c > d) x = '</p>';");
    ASSERT_GE(dom.FindByNameOrId("p"), 0);
    EXPECT_EQ(dom.elements[dom.FindByNameOrId("p")].text, "after");
}

TEST(Parse, FormsAndTheirControlsInDocumentOrder) {
    Dom dom = ParseHtml(
        "<input id=outside>"
        "<form name=f1 action=/a><table><tr><td><input name=u></td><td><select name=s>"
        "<option value=1>One<option selected>Two</select></td></tr></table>"
        "<textarea name=t>\nline &amp; more</textarea><button id=b>Go</button>"
        "<form name=nested><input name=inner></form>"
        "<input name=after>"
        "<form id=f2><input type=submit id=s2></form>");
    ASSERT_EQ(dom.forms.size(), 2u);  // the nested <form> start is ignored
    const Element& f1 = dom.elements[dom.forms[0]];
    EXPECT_EQ(*f1.Attr("name"), "f1");
    std::vector<std::string> names;
    for (int c : f1.controls) {
        const std::string* n = dom.elements[c].Attr("name");
        const std::string* id = dom.elements[c].Attr("id");
        names.push_back(n ? *n : id ? *id : "?");
    }
    // "</form>" of the ignored nested form closes the first one.
    EXPECT_EQ(names, (std::vector<std::string>{"u", "s", "t", "b", "inner"}));
    EXPECT_EQ(dom.elements[dom.FindByNameOrId("after")].form, -1);
    EXPECT_EQ(dom.elements[dom.FindByNameOrId("outside")].form, -1);
    EXPECT_EQ(dom.elements[dom.FindByNameOrId("s2")].form, dom.forms[1]);
    EXPECT_EQ(dom.ControlByNameOrId(dom.forms[0], "b"), dom.FindByNameOrId("b"));
    EXPECT_EQ(dom.ControlByNameOrId(dom.forms[0], "after"), -1);

    const int select = dom.FindByNameOrId("s");
    ASSERT_EQ(dom.elements[select].options.size(), 2u);
    EXPECT_EQ(dom.CurrentValue(select), "Two");
    EXPECT_EQ(dom.CurrentValue(dom.FindByNameOrId("t")), "line & more");
}

TEST(Values, GetAndSetAttributeWithCurrentValues) {
    Dom dom = ParseHtml(
        "<form><input id=u name=user value=\"a&amp;b\"><input id=p type=password>"
        "<input id=c type=checkbox><select id=s><option value=x>X</option><option value=y>Y"
        "</option></select><textarea id=t>old</textarea><button id=b>Caption</button>"
        "<input type=submit id=go value=登录></form><div id=d Title=T></div>");
    const int u = dom.FindByNameOrId("u");
    EXPECT_EQ(dom.GetAttribute(u, "VALUE"), "a&b");
    EXPECT_EQ(dom.GetAttribute(u, "Name"), "user");
    EXPECT_EQ(dom.GetAttribute(u, "type"), std::nullopt);
    EXPECT_EQ(dom.TypeOf(u), "text");
    dom.SetAttribute(u, "Value", "typed");
    EXPECT_EQ(dom.GetAttribute(u, "value"), "typed");
    EXPECT_EQ(*dom.elements[u].Attr("value"), "a&b");  // the markup's default stays

    EXPECT_EQ(dom.GetAttribute(dom.FindByNameOrId("p"), "value"), "");
    EXPECT_EQ(dom.GetAttribute(dom.FindByNameOrId("c"), "value"), "on");
    EXPECT_EQ(dom.GetAttribute(dom.FindByNameOrId("b"), "value"), std::nullopt);
    EXPECT_EQ(dom.TypeOf(dom.FindByNameOrId("b")), "submit");
    EXPECT_EQ(dom.GetAttribute(dom.FindByNameOrId("go"), "value"), "登录");

    const int s = dom.FindByNameOrId("s");
    EXPECT_EQ(dom.GetAttribute(s, "value"), "x");
    dom.SetAttribute(s, "value", "y");
    EXPECT_EQ(dom.GetAttribute(s, "value"), "y");
    dom.SetAttribute(s, "value", "zzz");
    EXPECT_EQ(dom.GetAttribute(s, "value"), "");

    const int t = dom.FindByNameOrId("t");
    EXPECT_EQ(dom.GetAttribute(t, "value"), "old");
    dom.SetAttribute(t, "value", "new");
    EXPECT_EQ(dom.GetAttribute(t, "value"), "new");

    const int d = dom.FindByNameOrId("d");
    EXPECT_EQ(dom.GetAttribute(d, "title"), "T");
    EXPECT_EQ(dom.GetAttribute(d, "value"), std::nullopt);
    dom.SetAttribute(d, "Data-New", "1");
    EXPECT_EQ(dom.GetAttribute(d, "data-new"), "1");
}

TEST(Parse, BaseHref) {
    Dom dom = ParseHtml("<base href=\"/sub/\"><a href=x>");
    EXPECT_EQ(dom.BaseUrl("http://h/a/b.html"), "http://h/sub/");
    EXPECT_EQ(ParseHtml("<a>").BaseUrl("http://h/a"), "http://h/a");
}

}  // namespace
}  // namespace lumo::html
