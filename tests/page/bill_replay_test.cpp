// Saving a document's forms and filling them back in, against a stand-in
// document, and the bill's way through text and back.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "page/bill.h"
#include "page/bill_replay.h"
#include "page/page_rules.h"
#include "page/xml_tree.h"

using namespace lumo;

namespace {

using Attrs = std::map<std::string, std::string>;

// Forms and controls that log what is done to them.
struct FakeElement : HtmlElement {
    FakeElement(std::vector<std::string>& log, std::string tag, Attrs a)
        : log(log), tag(std::move(tag)), attrs(std::move(a)) {}

    std::string Id() override { return attrs["id"]; }
    std::string TagName() override { return tag; }
    std::optional<std::string> GetAttribute(std::string_view name) override {
        auto it = attrs.find(std::string(name));
        return it == attrs.end() ? std::nullopt : std::optional(it->second);
    }
    void SetAttribute(std::string_view name, std::string_view value) override {
        attrs[std::string(name)] = value;
        log.push_back("set " + Key() + "=" + std::string(value));
    }
    void Click() override { log.push_back("click " + Key()); }
    void Submit() override { log.push_back("submit " + Key()); }
    bool IsForm() override { return tag == "form"; }
    std::string FormName() override { return attrs["name"]; }
    int ElementCount() override { return static_cast<int>(controls.size()); }
    std::shared_ptr<HtmlElement> ElementAt(int i) override { return controls.at(i); }
    std::shared_ptr<HtmlElement> ElementByNameOrId(std::string_view key) override {
        for (auto& c : controls)
            if (c->Matches(key))
                return c;
        return nullptr;
    }
    bool Matches(std::string_view key) { return attrs["name"] == key || attrs["id"] == key; }
    std::string Key() {
        return !Id().empty() ? Id() : !attrs["name"].empty() ? attrs["name"] : attrs["label"];
    }

    std::vector<std::string>& log;
    std::string tag;
    Attrs attrs;
    std::vector<std::shared_ptr<FakeElement>> controls;
};

struct FakeDocument : HtmlDocument {
    std::string Title() override { return ""; }
    int FormCount() override { return static_cast<int>(forms.size()); }
    std::shared_ptr<HtmlElement> FormAt(int i) override { return forms.at(i); }
    std::shared_ptr<HtmlElement> FindByNameOrId(std::string_view key) override {
        for (auto& e : all)
            if (!key.empty() && e->Matches(key))
                return e;
        return nullptr;
    }
    // A form (tag "form") or a control of `form` (none: outside any form).
    std::shared_ptr<FakeElement> Add(const std::shared_ptr<FakeElement>& form, Attrs a,
                                     const char* tag = "input") {
        auto e = std::make_shared<FakeElement>(log, tag, std::move(a));
        (form ? form->controls : std::string(tag) == "form" ? forms : loose).push_back(e);
        all.push_back(e);
        return e;
    }

    std::vector<std::string> log;
    std::vector<std::shared_ptr<FakeElement>> forms, loose, all;
};

// A "user" field outside any form, a login form and a search form.
struct TwoForms : FakeDocument {
    TwoForms() {
        Add(nullptr, {{"name", "user"}});
        auto login = Add(nullptr, {{"name", "login"}}, "form");
        Add(login, {{"id", "user"}});
        Add(login, {{"name", "pass"}});
        auto search = Add(nullptr, {{"id", "search"}}, "form");
        Add(search, {{"name", "q"}});
        Add(search, {{"name", "go"}, {"type", "submit"}});
    }
};

std::string Item(const std::string& key, const std::string& value) {
    return "<ITEM><EName>" + key + "</EName><EValue>" + value + "</EValue></ITEM>";
}
std::string Form(const std::string& name, const std::string& items) {
    return "<Form><FormName>" + name + "</FormName>" + items + "</Form>";
}

}  // namespace

TEST(Bill, CollectsKeyedControlsOfEveryForm) {
    FakeDocument doc;
    auto a = doc.Add(nullptr, {{"name", "a"}}, "form");
    doc.Add(a, {{"id", "u"}, {"name", "ignored"}, {"value", "x<&>"}});
    doc.Add(a, {{"name", "p"}});  // no value at all: recorded empty
    doc.Add(a, {{"value", "no key"}});
    doc.Add(a, {{"id", "img"}, {"type", "image"}, {"value", "v"}});
    doc.Add(a, {{"id", "Cap"}, {"type", "Submit"}, {"value", "c"}});
    doc.Add(a, {{"id", "go"}, {"type", "submit"}, {"value", "登录"}});
    doc.Add(nullptr, {}, "form");
    doc.forms.push_back(std::make_shared<FakeElement>(doc.log, "div", Attrs{}));
    // No password typed: the first form is the one filled in; its first
    // submit control is the image button.
    EXPECT_EQ(CollectBill(doc), "<Forms fill='0'><Form submit='3'><FormName>a</FormName>" +
                                    Item("u", "x&lt;&amp;&gt;") + Item("p", "") + Item("img", "v") +
                                    Item("Cap", "c") + Item("go", kSubmitMarker) + "</Form>" +
                                    Form("", "") + "</Forms>");
    FakeDocument empty;
    EXPECT_EQ(CollectBill(empty), "<Forms></Forms>");
}

TEST(Bill, ReplayRules) {
    const std::string go = kSubmitMarker;
    struct Case {
        const char* what;
        std::string forms;
        std::vector<std::string> log;
        bool stopped = false, fails = false;
    } cases[] = {
        {"only the first form, in the named form; the submit of the second is not clicked",
         Form("login", Item("user", "alice") + Item("pass", "pw")) +
             Form("search", Item("q", "x") + Item("go", go)),
         {"set user=alice", "set pass=pw"}},
        {"unknown form name: the whole document, its first match",
         Form("nope", Item("user", "a")),
         {"set user=a"}},
        {"a FormName naming a control is no form", Form("pass", Item("q", "a")), {"set q=a"}},
        {"submit drops the pending text first; later items still filled",
         Form("search", Item("go", go) + Item("q", "after")),
         {"pending dropped", "click go", "set q=after"}},
        {"an ITEM without children stops there",
         Form("search", Item("q", "before") + "<ITEM/>" + Item("go", go)),
         {"set q=before"},
         true},
        {"an ITEM without its value is an error; what came before stays",
         Form("", Item("q", "1") + "<ITEM><EName>pass</EName></ITEM>" + Item("user", "2")),
         {"set q=1"},
         false,
         true},
        {"items by position whatever their names; other nodes, unknown keys ignored",
         "<Form><Other>x</Other><ITEM><A>q</A><B>v</B></ITEM>" + Item("missing", "m") +
             Item("", "e") + "</Form>",
         {"set q=v"}},
        {"no forms", "", {}},
        {"an empty form", "<Form></Form>", {}},
    };
    for (const Case& c : cases) {
        TwoForms doc;
        std::optional<XmlNode> tree =
            ReadXmlTree(PendingFillText("<Forms>" + c.forms + "</Forms>"));
        ASSERT_TRUE(tree) << c.what;
        ReplayResult r;
        auto replay = [&] {
            r = ReplayBill(*tree, doc, [&] { doc.log.push_back("pending dropped"); });
        };
        if (c.fails)
            EXPECT_THROW(replay(), BrowserError) << c.what;
        else
            replay();
        EXPECT_EQ(doc.log, c.log) << c.what;
        EXPECT_EQ(r.stopped, c.stopped) << c.what;
    }
    TwoForms doc;  // the first case wrote into the form's field, not the loose one
    ReplayBill(*ReadXmlTree("<Forms>" + Form("login", Item("user", "a")) + "</Forms>"), doc, {});
    EXPECT_EQ(doc.all[2]->attrs["value"], "a");
    EXPECT_EQ(doc.all[0]->attrs.count("value"), 0u);
}

// A real site's page as the system control reports it (types as the page
// wrote them, a <button> without type as "submit"): a language form, a
// search form with a keyed submit, and the login form with a fresh token.
struct RealPage : FakeDocument {
    RealPage() {
        auto lang = Add(nullptr, {}, "form");
        Add(lang, {{"name", "lang"}}, "select");
        auto search = Add(nullptr, {}, "form");
        Add(search, {{"name", "q"}});
        Add(search, {{"name", "go"}, {"type", "submit"}});
        login = Add(nullptr, {{"name", "login"}}, "form");
        Add(login, {{"name", "csrf"}, {"type", "HIDDEN"}, {"value", "fresh"}});
        Add(login, {{"name", "tz"}, {"type", "hidden"}, {"value", ""}});
        Add(login, {{"name", "user"}});
        Add(login, {{"name", "pass"}, {"type", "password"}});
        Add(login, {{"label", "img"}, {"type", "Image"}});
        Add(login, {{"name", "btn"}, {"type", "SUBMIT"}}, "button");
    }
    std::shared_ptr<FakeElement> login;
};

TEST(Bill, SavesWhichFormWasFilledInAndHowItSubmits) {
    RealPage page;
    page.login->controls[3]->attrs["value"] = "pw";
    page.login->controls[3]->attrs["type"] = "Password";
    EXPECT_EQ(CollectBill(page).substr(0, 60),
              "<Forms fill='2'><Form><FormName></FormName><ITEM><EName>lang");
    EXPECT_NE(CollectBill(page).find("<Form submit='4'><FormName>login</FormName>"),
              std::string::npos);
    // A button the control reports as type "button" (older document modes)
    // does not submit: the form holding the password submits itself.
    page.login->controls.resize(4);
    page.Add(page.login, {{"label", "b"}, {"type", "button"}}, "button");
    EXPECT_NE(CollectBill(page).find("<Form submit='form'><FormName>login"), std::string::npos);
    // Without a typed password the first form is filled in; it has no
    // submit control, so nothing is submitted.
    page.login->controls[3]->attrs["value"] = "";
    EXPECT_EQ(CollectBill(page).substr(0, 32), "<Forms fill='0'><Form><FormName>");
}

TEST(Bill, ReplaysTheFilledInFormAndSubmitsItOnce) {
    const std::string login = "<FormName>login</FormName>" + Item("csrf", "stale") +
                              Item("tz", "+8") + Item("user", "alice") + Item("pass", "pw");
    const std::string filled = "set tz=+8|set user=alice|set pass=pw|";
    auto bill = [](const std::string& fill, const std::string& submit, const std::string& form,
                   const std::string& before = "<Form/><Form/>") {
        return "<Forms fill='" + fill + "'>" + before + "<Form" +
               (submit.empty() ? "" : " submit='" + submit + "'") + ">" + form + "</Form></Forms>";
    };
    auto unnamed = [&](std::string form) { return form.replace(10, 5, ""); };
    struct Case {
        const char* what;
        std::string bill;
        std::string log;  // '|'-separated
        std::function<void(RealPage&)> change = nullptr;
    } cases[] = {
        {"the K-th form: a served token stays, an empty hidden field is filled, then the "
         "control at the saved position is clicked, once",
         bill("2", "4", login), filled + "pending dropped|click img|"},
        {"an unnamed form that moved: the form holding the saved keys",
         bill("1", "4", unnamed(login), "<Form/>"), filled + "pending dropped|click img|"},
        {"the saved position holds no submit control now: the saved marker",
         bill("2", "1", login + Item("btn", kSubmitMarker) + Item("btn", kSubmitMarker)),
         filled + "pending dropped|click btn|"},
        {"no marker either: the form's first submit control", bill("2", "9", login),
         filled + "pending dropped|click img|"},
        {"no submit control left: the form submits itself", bill("2", "form", login),
         filled + "pending dropped|submit login|",
         [](RealPage& p) { p.login->controls.resize(4); }},
        {"without submit= only a marker is clicked", bill("2", "", login), filled},
        {"no form holds the keys: the whole document, no submit",
         bill("0", "form", "<FormName/>" + Item("q", "x") + Item("user", "u"), ""),
         "set q=x|set user=u|", [](RealPage& p) { p.forms.resize(1); }},
        {"an ITEM without children ends the fill unsubmitted", bill("2", "4", login + "<ITEM/>"),
         filled},
    };
    for (const Case& c : cases) {
        RealPage page;
        if (c.change)
            c.change(page);
        std::optional<XmlNode> tree = ReadXmlTree(c.bill);
        ASSERT_TRUE(tree) << c.what;
        ReplayBill(*tree, page, [&] { page.log.push_back("pending dropped"); });
        std::string log;
        for (const std::string& line : page.log) log += line + "|";
        EXPECT_EQ(log, c.log) << c.what;
        EXPECT_EQ(page.login->controls[0]->attrs["value"], "fresh") << c.what;
    }
    RealPage page;
    EXPECT_THROW(
        ReplayBill(*ReadXmlTree("<Forms fill='x'>" + Form("", "") + "</Forms>"), page, nullptr),
        BrowserError);
}

TEST(Bill, TextSurvivesWritingReadingAndFilling) {
    const std::string tricky = "张三 & <李四> \"' a&amp;b ";
    const std::string bill =
        BillText({{"登录 & <表单>", {{"user", tricky, false}, {"go", "", true}, {"", "", false}}},
                  {"", {}}});
    std::optional<XmlNode> tree = ReadXmlTree(PendingFillText(bill));
    ASSERT_TRUE(tree);
    auto read = ReadBill(*tree);
    ASSERT_TRUE(read);
    EXPECT_EQ(BillText(*read), bill);
    EXPECT_EQ((*read)[0].items[0].value, tricky);

    FakeDocument doc;
    auto f = doc.Add(nullptr, {{"name", "登录 & <表单>"}}, "form");
    auto user = doc.Add(f, {{"name", "user"}});
    doc.Add(f, {{"name", "go"}});
    ReplayBill(*tree, doc, nullptr);
    EXPECT_EQ(user->attrs["value"], tricky);
    EXPECT_EQ(doc.log.back(), "click go");
}

TEST(XmlTree, RefusesWhatNoBillHolds) {
    EXPECT_EQ(ReadXmlTree("<a><b>&#20013;<![CDATA[<&>]]></b><!-- c --><c/></a>")->children[0].text,
              "中<&>");
    EXPECT_EQ(*ReadXmlTree("<a x='1' y=\"&lt;'\"/>")->Attribute("y"), "<'");
    std::string deep;
    for (int i = 0; i < kMaxXmlDepth + 1; ++i) deep = "<x>" + deep + "</x>";
    for (const std::string& bad :
         {std::string("<a><b></a></b>"), std::string("<a>&nbsp;</a>"), std::string("<a>&#0;</a>"),
          std::string("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"), std::string("<a></a><b/>"),
          std::string("<a>"), std::string(""), std::string("<a x=1/>"),
          std::string("<a x='1' x='2'/>"), std::string("<a x='<'/>"), deep})
        EXPECT_FALSE(ReadXmlTree(bad)) << bad.substr(0, 40);
}
