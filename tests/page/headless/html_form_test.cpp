#include "page/html_form.h"

#include <gtest/gtest.h>

namespace lumo::html {
namespace {

constexpr char kDoc[] = "http://127.0.0.1:18765/game/login.html";

// The demo game's login form, as the local maker server serves it.
constexpr char kLogin[] =
    "<form name=\"loginForm\" id=\"loginForm\" action=\"/game/login\" method=\"post\">\n"
    "<p>帐号：<input type=\"text\" name=\"username\" id=\"username\"></p>\n"
    "<p>密码：<input type=\"password\" name=\"password\" id=\"password\"></p>\n"
    "<p><input type=\"submit\" id=\"btnLogin\" name=\"btnLogin\" value=\"登录\"></p>\n"
    "</form>\n";

TEST(Submit, PostFormSendsFieldsAndTheClickedButton) {
    Dom dom = ParseHtml(kLogin);
    dom.SetAttribute(dom.FindByNameOrId("username"), "value", "alice");
    dom.SetAttribute(dom.FindByNameOrId("password"), "value", "x y");
    ClickResult r = Click(dom, dom.FindByNameOrId("btnLogin"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNavigate);
    EXPECT_EQ(r.request.method, "POST");
    EXPECT_EQ(r.request.url, "http://127.0.0.1:18765/game/login");
    EXPECT_EQ(r.request.body, "username=alice&password=x+y&btnLogin=%E7%99%BB%E5%BD%95");
}

TEST(Submit, GetFormReplacesTheQueryAndSkipsUnsuccessfulControls) {
    Dom dom = ParseHtml(
        "<form action=\"search?old=1#top\"><input name=q value=\"a&amp;b\">"
        "<input type=checkbox name=c1 checked><input type=checkbox name=c2 value=v>"
        "<input type=radio name=r value=1><input type=radio name=r value=2 checked>"
        "<input name=dis disabled value=z><input value=noname><input type=hidden name=h value=H>"
        "<select name=s><option>A<option value=b selected>B</select>"
        "<select name=m multiple><option selected>1<option>2<option selected>3</select>"
        "<textarea name=t>T</textarea><input type=reset name=rs><input type=button name=bt>"
        "<input type=submit name=other value=O><button name=btn value=bv id=btn>Go</button>"
        "</form>");
    ClickResult r = Click(dom, dom.FindByNameOrId("btn"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNavigate);
    EXPECT_EQ(r.request.method, "GET");
    EXPECT_EQ(r.request.body, "");
    EXPECT_EQ(
        r.request.url,
        "http://127.0.0.1:18765/game/search?q=a%26b&c1=on&r=2&h=H&s=b&m=1&m=3&t=T&btn=bv#top");
}

TEST(Submit, ImageButtonsNoActionAndNoForm) {
    Dom dom = ParseHtml(
        "<form><input name=a value=1><input type=image name=img id=img></form>"
        "<input type=submit id=lonely>");
    ClickResult r = Click(dom, dom.FindByNameOrId("img"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNavigate);
    EXPECT_EQ(r.request.url, std::string(kDoc) + "?a=1&img.x=0&img.y=0");
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("lonely"), kDoc).kind, ClickResult::kNothing);
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("a"), kDoc).kind, ClickResult::kNothing);
    EXPECT_EQ(Click(dom, -1, kDoc).kind, ClickResult::kNothing);
    EXPECT_EQ(Click(dom, 999, kDoc).kind, ClickResult::kNothing);
}

TEST(Submit, CheckBoxesAndRadiosChangeStateOnClick) {
    Dom dom = ParseHtml(
        "<form><input type=checkbox name=c id=c><input type=radio name=r value=1 id=r1 checked>"
        "<input type=radio name=r value=2 id=r2></form>");
    EXPECT_EQ(FormFields(dom, dom.forms[0], -1),
              (std::vector<std::pair<std::string, std::string>>{{"r", "1"}}));
    Click(dom, dom.FindByNameOrId("c"), kDoc);
    Click(dom, dom.FindByNameOrId("r2"), kDoc);
    EXPECT_EQ(FormFields(dom, dom.forms[0], -1),
              (std::vector<std::pair<std::string, std::string>>{{"c", "on"}, {"r", "2"}}));
    Click(dom, dom.FindByNameOrId("c"), kDoc);
    EXPECT_EQ(FormFields(dom, dom.forms[0], -1).size(), 1u);
}

TEST(Links, FollowTargetsAndFragments) {
    Dom dom = ParseHtml(
        "<a id=plain href=\"lobby.html\">x</a><a id=blank href=\"/game/popup-target.html\" "
        "target=\"_blank\">y</a><a id=named href=x target=game>z</a>"
        "<a id=self href=x target=_SELF>s</a><a id=frag href=\"#top\">f</a>"
        "<a id=nohref>n</a><a id=js href=\"javascript:void(0)\">j</a>"
        "<a id=jsopen href=\"javascript:window.open('/w.html')\">o</a>"
        "<form target=_blank action=/t><input type=submit id=sub></form>");
    ClickResult r = Click(dom, dom.FindByNameOrId("plain"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNavigate);
    EXPECT_EQ(r.request.url, "http://127.0.0.1:18765/game/lobby.html");
    r = Click(dom, dom.FindByNameOrId("blank"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNewWindow);
    EXPECT_EQ(r.request.url, "http://127.0.0.1:18765/game/popup-target.html");
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("named"), kDoc).kind, ClickResult::kNewWindow);
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("self"), kDoc).kind, ClickResult::kNavigate);
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("frag"), kDoc).kind, ClickResult::kNothing);
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("nohref"), kDoc).kind, ClickResult::kNothing);
    EXPECT_EQ(Click(dom, dom.FindByNameOrId("js"), kDoc).kind, ClickResult::kNothing);
    r = Click(dom, dom.FindByNameOrId("jsopen"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNewWindow);
    EXPECT_EQ(r.request.url, "http://127.0.0.1:18765/w.html");
    r = Click(dom, dom.FindByNameOrId("sub"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNewWindow);
    EXPECT_EQ(r.request.url, "http://127.0.0.1:18765/t?");
}

TEST(Script, WindowOpenLiteralsInHandlersAndScripts) {
    // The demo game's pop-up page.
    Dom dom = ParseHtml(
        "<a id=\"linkScript\" href=\"#\" onclick=\"window.open('/game/popup-target.html'); return "
        "false;\">x</a><script>function openTarget() { window.open('/game/popup-target.html'); "
        "}</script>");
    ClickResult r = Click(dom, dom.FindByNameOrId("linkScript"), kDoc);
    EXPECT_EQ(r.kind, ClickResult::kNewWindow);
    EXPECT_EQ(r.request.url, "http://127.0.0.1:18765/game/popup-target.html");
    EXPECT_EQ(LoadTimeWindowOpen(dom, kDoc), std::nullopt);  // only inside a function

    EXPECT_EQ(WindowOpenLiteral("window.open(\"a\\\"b\", '_blank')", false), "a\"b");
    EXPECT_EQ(WindowOpenLiteral("  window.open ( 'x' )", true), "x");
    EXPECT_EQ(WindowOpenLiteral("if (1) { window.open('in') } window.open('out')", true), "out");
    EXPECT_EQ(WindowOpenLiteral("// window.open('c')\n/* window.open('d') */ var s = "
                                "\"window.open('e')\"; window.open('f');",
                                true),
              "f");
    EXPECT_EQ(WindowOpenLiteral("mywindow.open('x')", false), std::nullopt);
    EXPECT_EQ(WindowOpenLiteral("self.window.open('y')", false), "y");
    EXPECT_EQ(WindowOpenLiteral("window.open(url)", false), std::nullopt);
    EXPECT_EQ(WindowOpenLiteral("window.open('unterminated", false), std::nullopt);
    EXPECT_EQ(WindowOpenLiteral("window.open(", false), std::nullopt);
    EXPECT_EQ(WindowOpenLiteral("}}} window.open('x')", true), "x");

    Dom load = ParseHtml("<script>var w = 1;\nwindow.open('/ad.html', 'ad');</script>");
    EXPECT_EQ(LoadTimeWindowOpen(load, kDoc), "http://127.0.0.1:18765/ad.html");
    Dom onload = ParseHtml("<body onload=\"window.open('next.html')\">");
    EXPECT_EQ(LoadTimeWindowOpen(onload, kDoc), "http://127.0.0.1:18765/game/next.html");
    Dom itself = ParseHtml("<script>window.open('login.html#again')</script>");
    EXPECT_EQ(LoadTimeWindowOpen(itself, kDoc), std::nullopt);  // would open itself forever
}

}  // namespace
}  // namespace lumo::html
