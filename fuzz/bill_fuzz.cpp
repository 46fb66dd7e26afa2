// The saved-form bill: the XML reader, the bill reader and writer, and the
// replay into a page, against a stand-in document. Input: the bill's text
// (from gList.dat, a FILL: command or a page's SBI: answer). A bill read
// must write and read back to the same forms; replaying it into a page and
// collecting that page's bill again must give a bill that reads.
#include <map>
#include <memory>

#include "fuzz/fuzz_check.h"
#include "page/bill.h"
#include "page/bill_replay.h"
#include "page/xml_tree.h"

using namespace lumo;

namespace {

// A form or a control of a page, keeping its attributes.
struct FakeElement : HtmlElement {
    FakeElement(std::string tag, std::map<std::string, std::string> a)
        : tag(std::move(tag)), attrs(std::move(a)) {}
    std::string Id() override { return attrs["id"]; }
    std::string TagName() override { return tag; }
    std::optional<std::string> GetAttribute(std::string_view name) override {
        auto it = attrs.find(std::string(name));
        return it == attrs.end() ? std::nullopt : std::optional(it->second);
    }
    void SetAttribute(std::string_view name, std::string_view value) override {
        attrs[std::string(name)] = value;
    }
    void Click() override { ++clicks; }
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

    std::string tag;
    std::map<std::string, std::string> attrs;
    std::vector<std::shared_ptr<FakeElement>> controls;
    int clicks = 0;
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
    std::shared_ptr<FakeElement> Add(std::shared_ptr<FakeElement> form, std::string tag,
                                     std::map<std::string, std::string> a) {
        auto e = std::make_shared<FakeElement>(std::move(tag), std::move(a));
        (form ? form->controls : e->IsForm() ? forms : loose).push_back(e);
        all.push_back(e);
        return e;
    }
    std::vector<std::shared_ptr<FakeElement>> forms, loose, all;
};

// Items without a key are not written; everything else must come back.
std::vector<BillForm> AsWritten(std::vector<BillForm> forms) {
    for (BillForm& f : forms)
        std::erase_if(f.items, [](const BillItem& i) { return i.key.empty(); });
    return forms;
}

bool Same(const std::vector<BillForm>& a, const std::vector<BillForm>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t f = 0; f < a.size(); ++f) {
        if (a[f].name != b[f].name || a[f].items.size() != b[f].items.size())
            return false;
        for (size_t i = 0; i < a[f].items.size(); ++i) {
            const BillItem &x = a[f].items[i], &y = b[f].items[i];
            if (x.key != y.key || x.value != y.value || x.submit != y.submit)
                return false;
        }
    }
    return true;
}

// A login page with the bill's own names: its first form is named as the
// bill's and holds a control for each of its keys (the submit marker's as a
// submit button), plus a field outside any form.
FakeDocument PageFor(const std::vector<BillForm>& bill) {
    FakeDocument doc;
    doc.Add(nullptr, "input", {{"name", "user"}});
    auto form = doc.Add(nullptr, "form", {{"name", bill.empty() ? "" : bill[0].name}});
    if (!bill.empty()) {
        for (const BillItem& item : bill[0].items) {
            if (doc.all.size() > 32)
                break;
            if (item.submit)
                doc.Add(form, "input", {{"id", item.key}, {"type", "submit"}});
            else
                doc.Add(form, "input", {{"name", item.key}, {"value", "old"}});
        }
    }
    doc.Add(nullptr, "form", {{"name", "search"}});
    return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::optional<XmlNode> root = ReadXmlTree(fuzz::AsText(data, size));
    if (!root)
        return 0;
    const std::optional<std::vector<BillForm>> bill = ReadBill(*root);
    if (bill) {
        const std::string text = BillText(*bill);
        const std::optional<XmlNode> again = ReadXmlTree(text);
        FUZZ_CHECK(again.has_value());
        const std::optional<std::vector<BillForm>> reread = ReadBill(*again);
        FUZZ_CHECK(reread.has_value());
        FUZZ_CHECK(Same(*reread, AsWritten(*bill)));
    }

    FakeDocument doc = PageFor(bill.value_or(std::vector<BillForm>{}));
    int beforeClick = 0;
    try {
        const ReplayResult r = ReplayBill(*root, doc, [&] { ++beforeClick; });
        int clicks = 0;
        for (auto& e : doc.all) clicks += e->clicks;
        FUZZ_CHECK(r.clicked == (clicks > 0));
        FUZZ_CHECK(beforeClick == clicks);
        FUZZ_CHECK(
            r.filled <=
            static_cast<int>(root->children.empty() ? 0 : root->children.front().children.size()));
    } catch (const BrowserError&) {
        // A malformed item: the fill stops there.
    }

    // Whatever the replay typed in, the page's bill is well-formed XML that
    // gives back each control's value.
    const std::string collected = CollectBill(doc);
    const std::optional<XmlNode> tree = ReadXmlTree(collected);
    FUZZ_CHECK(tree.has_value());
    const std::optional<std::vector<BillForm>> forms = ReadBill(*tree);
    FUZZ_CHECK(forms.has_value() && forms->size() == doc.forms.size());
    for (size_t f = 0; f < forms->size(); ++f) {
        const auto& controls = doc.forms[f]->controls;
        const auto& items = (*forms)[f].items;
        size_t i = 0;
        for (auto& c : controls) {
            const std::string key = c->Id().empty() ? c->attrs["name"] : c->Id();
            if (key.empty())
                continue;
            FUZZ_CHECK(i < items.size() && items[i].key == key);
            const bool submit = c->attrs["type"] == "submit";
            FUZZ_CHECK(items[i].submit == (submit || c->attrs["value"] == kSubmitMarker));
            if (!items[i].submit)
                FUZZ_CHECK(items[i].value == c->attrs["value"]);
            ++i;
        }
        FUZZ_CHECK(i == items.size());
    }
    return 0;
}
