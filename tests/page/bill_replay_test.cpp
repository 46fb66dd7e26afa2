// Saving a document's forms and filling them back in, against a stand-in
// document, and the bill's way through text and back.
#include <gtest/gtest.h>

#include <map>

#include "page/bill.h"
#include "page/bill_replay.h"
#include "page/page_rules.h"
#include "page/xml_tree.h"

using namespace lumo;

namespace {

// A document of forms and controls that records what is done to it.
struct FakeElement : HtmlElement {
    FakeElement(std::vector<std::string>& log, std::string tag,
                std::map<std::string, std::string> a)
        : log(log), tag(std::move(tag)), attrs(std::move(a)) {}

    std::string Id() override { return attrs.count("id") ? attrs["id"] : ""; }
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
    bool IsForm() override { return tag == "form"; }
    std::string FormName() override { return attrs.count("name") ? attrs["name"] : ""; }
    int ElementCount() override { return static_cast<int>(controls.size()); }
    std::shared_ptr<HtmlElement> ElementAt(int i) override { return controls.at(i); }
    std::shared_ptr<HtmlElement> ElementByNameOrId(std::string_view key) override {
        for (auto& c : controls)
            if (c->Matches(key))
                return c;
        return nullptr;
    }

    bool Matches(std::string_view key) { return attrs["name"] == key || attrs["id"] == key; }
    std::string Key() { return Id().empty() ? attrs["name"] : Id(); }

    std::vector<std::string>& log;
    std::string tag;
    std::map<std::string, std::string> attrs;
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

    std::shared_ptr<FakeElement> Form(std::map<std::string, std::string> a) {
        auto f = std::make_shared<FakeElement>(log, "form", std::move(a));
        forms.push_back(f);
        all.push_back(f);
        return f;
    }
    std::shared_ptr<FakeElement> Control(const std::shared_ptr<FakeElement>& form,
                                         std::map<std::string, std::string> a) {
        auto e = std::make_shared<FakeElement>(log, "input", std::move(a));
        if (form)
            form->controls.push_back(e);
        all.push_back(e);
        return e;
    }

    std::vector<std::string> log;
    std::vector<std::shared_ptr<FakeElement>> forms, all;
};

// A login form and a search form; a "user" field outside both.
struct TwoForms : FakeDocument {
    TwoForms() {
        Control(nullptr, {{"name", "user"}});
        auto login = Form({{"name", "login"}});
        Control(login, {{"id", "user"}});
        Control(login, {{"name", "pass"}, {"type", "password"}});
        auto search = Form({{"id", "search"}});
        Control(search, {{"name", "q"}});
        Control(search, {{"name", "go"}, {"type", "submit"}});
    }
};

struct Replayed {
    ReplayResult result;
    std::vector<std::string> log;
    bool pendingDropped = false;
};

Replayed Replay(const std::string& bill, FakeDocument& doc) {
    std::optional<XmlNode> tree = ReadXmlTree(PendingFillText(bill));
    EXPECT_TRUE(tree) << bill;
    Replayed r;
    if (!tree)
        return r;
    r.result = ReplayBill(*tree, doc, [&] {
        r.pendingDropped = true;
        doc.log.push_back("pending dropped");
    });
    r.log = doc.log;
    return r;
}

std::string Item(const std::string& key, const std::string& value) {
    return "<ITEM><EName>" + key + "</EName><EValue>" + value + "</EValue></ITEM>";
}

}  // namespace

TEST(Bill, CollectsKeyedControlsOfEveryForm) {
    FakeDocument doc;
    auto a = doc.Form({{"name", "a"}});
    doc.Control(a, {{"id", "u"}, {"name", "ignored"}, {"value", "x<&>"}});
    doc.Control(a, {{"name", "p"}});  // no value at all: recorded empty
    doc.Control(a, {{"value", "no key"}});
    doc.Control(a, {{"id", "img"}, {"type", "image"}, {"value", "v"}});
    doc.Control(a, {{"id", "Cap"}, {"type", "Submit"}, {"value", "c"}});
    doc.Control(a, {{"id", "go"}, {"type", "submit"}, {"value", "登录"}});
    doc.Form({});
    doc.forms.push_back(
        std::make_shared<FakeElement>(doc.log, "div", std::map<std::string, std::string>{}));
    EXPECT_EQ(CollectBill(doc), "<Forms><Form><FormName>a</FormName>" +
                                    Item("u", "x&lt;&amp;&gt;") + Item("p", "") + Item("img", "v") +
                                    Item("Cap", "c") + Item("go", kSubmitMarker) +
                                    "</Form><Form><FormName></FormName></Form></Forms>");
    FakeDocument empty;
    EXPECT_EQ(CollectBill(empty), "<Forms></Forms>");
}

TEST(Bill, ReplaysOnlyTheFirstFormInItsNamedForm) {
    // The submit button lies in the second saved form: nothing is clicked.
    TwoForms doc;
    Replayed r = Replay("<Forms><Form><FormName>login</FormName>" + Item("user", "alice") +
                            Item("pass", "pw") + "</Form><Form><FormName>search</FormName>" +
                            Item("q", "x") + Item("go", kSubmitMarker) + "</Form></Forms>",
                        doc);
    EXPECT_EQ(r.log, (std::vector<std::string>{"set user=alice", "set pass=pw"}));
    EXPECT_EQ(doc.forms[0]->controls[0]->attrs["value"], "alice");  // inside the form
    EXPECT_EQ(doc.all[0]->attrs.count("value"), 0u);                // not the one outside
    EXPECT_FALSE(r.result.clicked);
    EXPECT_FALSE(r.pendingDropped);
}

TEST(Bill, ReplayRules) {
    const std::string go = kSubmitMarker;
    struct Case {
        const char* what;
        std::string bill;
        std::vector<std::string> log;
        bool stopped;
    } cases[] = {
        {"unknown form name: the whole document, its first match",
         "<Forms><Form><FormName>nope</FormName>" + Item("user", "a") + "</Form></Forms>",
         {"set user=a"},
         false},
        {"a FormName naming a control is no form",
         "<Forms><Form><FormName>pass</FormName>" + Item("q", "a") + "</Form></Forms>",
         {"set q=a"},
         false},
        {"submit drops the pending text first; later items still filled",
         "<Forms><Form><FormName>search</FormName>" + Item("go", go) + Item("q", "after") +
             "</Form></Forms>",
         {"pending dropped", "click go", "set q=after"},
         false},
        {"an ITEM without children stops there",
         "<Forms><Form><FormName>search</FormName>" + Item("q", "before") + "<ITEM/>" +
             Item("go", go) + "</Form></Forms>",
         {"set q=before"},
         true},
        {"items by position whatever their names; other nodes and unknown keys ignored",
         "<Forms><Form><Other>x</Other><ITEM><A>q</A><B>v</B></ITEM>" + Item("missing", "m") +
             Item("", "e") + "</Form></Forms>",
         {"set q=v"},
         false},
        {"no forms", "<Forms></Forms>", {}, false},
        {"an empty form", "<Forms><Form></Form></Forms>", {}, false},
    };
    for (const Case& c : cases) {
        TwoForms doc;
        Replayed r = Replay(c.bill, doc);
        EXPECT_EQ(r.log, c.log) << c.what;
        EXPECT_EQ(r.result.stopped, c.stopped) << c.what;
    }
}

TEST(Bill, AnItemWithoutItsValueEndsTheFillWithAnError) {
    TwoForms doc;
    auto tree = ReadXmlTree("<Forms><Form>" + Item("q", "1") + "<ITEM><EName>pass</EName></ITEM>" +
                            Item("user", "2") + "</Form></Forms>");
    ASSERT_TRUE(tree);
    bool dropped = false;
    EXPECT_THROW(ReplayBill(*tree, doc, [&] { dropped = true; }), BrowserError);
    EXPECT_EQ(doc.log, (std::vector<std::string>{"set q=1"}));
    EXPECT_FALSE(dropped);
}

TEST(Bill, TextSurvivesWritingReadingAndFilling) {
    const std::vector<BillForm> forms = {{"登录 & <表单>",
                                          {{"user", "张三 & <李四> \"'", false},
                                           {"pass", " a&amp;b ", false},
                                           {"go", "", true},
                                           {"ignored", "", false}}},
                                         {"", {}}};
    const std::string bill = BillText(forms);
    std::optional<XmlNode> tree = ReadXmlTree(PendingFillText(bill));
    ASSERT_TRUE(tree);
    auto read = ReadBill(*tree);
    ASSERT_TRUE(read);
    ASSERT_EQ(read->size(), 2u);
    EXPECT_EQ((*read)[0].name, forms[0].name);
    ASSERT_EQ((*read)[0].items.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ((*read)[0].items[i].key, forms[0].items[i].key);
        EXPECT_EQ((*read)[0].items[i].value, forms[0].items[i].value);
        EXPECT_EQ((*read)[0].items[i].submit, forms[0].items[i].submit);
    }
    EXPECT_EQ(BillText(*read), bill);

    FakeDocument doc;
    auto f = doc.Form({{"name", "登录 & <表单>"}});
    auto user = doc.Control(f, {{"name", "user"}});
    auto pass = doc.Control(f, {{"name", "pass"}});
    doc.Control(f, {{"name", "go"}, {"type", "submit"}});
    ReplayBill(*tree, doc, nullptr);
    EXPECT_EQ(user->attrs["value"], "张三 & <李四> \"'");
    EXPECT_EQ(pass->attrs["value"], " a&amp;b ");
    EXPECT_EQ(doc.log.back(), "click go");
}

TEST(XmlTree, ReadsWhatTheBillNeedsAndRefusesTheRest) {
    auto t = ReadXmlTree(
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n<!-- c --><a x='1'>"
        "<b>&#20013;&#x6587;&lt;<![CDATA[<&>]]></b><c/><d>t<e/></d></a> ");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->name, "a");
    ASSERT_EQ(t->children.size(), 3u);
    EXPECT_EQ(t->children[0].text, "中文<<&>");
    EXPECT_EQ(t->children[1].name, "c");
    EXPECT_EQ(t->children[2].text, "");  // mixed content
    std::string deep;
    for (int i = 0; i < kMaxXmlDepth + 1; ++i) deep = "<x>" + deep + "</x>";
    for (const std::string& bad :
         {std::string("<a><b></a></b>"), std::string("<a>&nbsp;</a>"), std::string("<a>&#0;</a>"),
          std::string("<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>"), std::string("<a></a><b/>"),
          std::string("<a>"), std::string(""), std::string("<a x=1/>"), deep})
        EXPECT_FALSE(ReadXmlTree(bad)) << bad.substr(0, 40);
}
