#include "page/bill_replay.h"

#include "common/text.h"
#include "page/bill.h"

namespace lumo {
namespace {

// The ITEM's key and value; false for an ITEM without children, which ends
// the fill. Throws on one without its value.
bool ReadItem(const XmlNode& item, const std::string*& key, const std::string*& value) {
    if (item.children.empty())
        return false;
    if (item.children.size() < 2)
        throw BrowserError("a saved item without its value");
    key = &item.children[0].text;
    value = &item.children[1].text;
    return true;
}

// The rules of bills saved before fill= existed, unchanged.
ReplayResult ReplayFirstForm(const XmlNode& root, HtmlDocument& doc,
                             const std::function<void()>& beforeClick) {
    ReplayResult result;
    if (root.children.empty())
        return result;
    const XmlNode& form = root.children.front();
    std::shared_ptr<HtmlElement> current;
    for (const XmlNode& child : form.children) {
        if (Trim(child.name).empty())
            continue;
        if (child.name == "FormName") {
            current.reset();
            if (!Trim(child.text).empty()) {
                std::shared_ptr<HtmlElement> found = doc.FindByNameOrId(child.text);
                if (found && found->IsForm())
                    current = std::move(found);
            }
        } else if (child.name == "ITEM") {
            const std::string *key = nullptr, *value = nullptr;
            if (!ReadItem(child, key, value)) {
                result.stopped = true;
                return result;
            }
            if (key->empty())
                continue;
            std::shared_ptr<HtmlElement> e =
                current ? current->ElementByNameOrId(*key) : doc.FindByNameOrId(*key);
            if (!e)
                continue;
            if (*value == kSubmitMarker) {
                if (beforeClick)
                    beforeClick();
                result.clicked = true;
                e->Click();
            } else {
                e->SetAttribute("value", *value);
                ++result.filled;
            }
        }
    }
    return result;
}

// How many of the saved form's keys `form` holds.
int KeysHeld(const XmlNode& saved, HtmlElement& form) {
    int held = 0;
    for (const XmlNode& child : saved.children) {
        if (child.name != "ITEM" || child.children.size() < 2 || child.children[0].text.empty())
            continue;
        if (form.ElementByNameOrId(child.children[0].text))
            ++held;
    }
    return held;
}

// The page's form to fill `saved` (the K-th saved form) into: of the form
// its FormName names, the K-th form of the page, and then every other form
// in page order, the first holding the most of the saved keys; none when no
// form holds any (and the saved form has keys).
std::shared_ptr<HtmlElement> FormToFill(const XmlNode& saved, int k, HtmlDocument& doc) {
    std::vector<std::shared_ptr<HtmlElement>> candidates;
    for (const XmlNode& child : saved.children) {
        if (child.name == "FormName" && !Trim(child.text).empty()) {
            std::shared_ptr<HtmlElement> named = doc.FindByNameOrId(child.text);
            if (named && named->IsForm())
                candidates.push_back(std::move(named));
            break;
        }
    }
    std::vector<std::shared_ptr<HtmlElement>> forms;
    for (int i = 0, n = doc.FormCount(); i < n; ++i) {
        std::shared_ptr<HtmlElement> form = doc.FormAt(i);
        if (form && form->IsForm())
            forms.push_back(std::move(form));
    }
    if (k < static_cast<int>(forms.size()))
        candidates.push_back(forms[k]);
    candidates.insert(candidates.end(), forms.begin(), forms.end());
    bool anyKey = false;
    for (const XmlNode& child : saved.children)
        anyKey = anyKey || (child.name == "ITEM" && child.children.size() >= 2 &&
                            !child.children[0].text.empty());
    std::shared_ptr<HtmlElement> best;
    int most = anyKey ? 0 : -1;
    for (const std::shared_ptr<HtmlElement>& form : candidates) {
        const int held = anyKey ? KeysHeld(saved, *form) : 0;
        if (held > most) {
            most = held;
            best = form;
        }
    }
    return best;
}

// A hidden field the page served with a value of its own (a per-visit
// security token, say) keeps it: the saved one belongs to an earlier visit.
bool KeepsServedValue(HtmlElement& e) {
    return EqualsNoCase(Trim(e.GetAttribute("type").value_or("")), "hidden") &&
           !e.GetAttribute("value").value_or("").empty();
}

std::shared_ptr<HtmlElement> FirstSubmitControl(HtmlElement& form) {
    for (int i = 0, n = form.ElementCount(); i < n; ++i) {
        std::shared_ptr<HtmlElement> e = form.ElementAt(i);
        if (e && IsSubmitControl(*e))
            return e;
    }
    return nullptr;
}

// The rules of bills with fill='K':
//   1. The saved form is the K-th Form of the bill; the page's form is the
//      one FormToFill finds. Keys are looked up in that form, or in the whole
//      document when there is none.
//   2. Every ITEM is filled in order; a hidden field the page serves with a
//      value keeps it; submit markers are not clicked while filling. An ITEM
//      without children ends the fill and nothing is submitted.
//   3. Then, once: when the saved form has submit= and the page's form was
//      found, the control at that position if it is a submit control, else
//      the saved form's first marked control, else the form's first submit
//      control, else the form submits itself. Without submit= (or without
//      the page's form) the first marked control is clicked, if any.
//      `beforeClick` runs first.
ReplayResult ReplayFilledForm(const XmlNode& root, int k, HtmlDocument& doc,
                              const std::function<void()>& beforeClick) {
    ReplayResult result;
    const XmlNode* saved = nullptr;
    int seen = 0;
    for (const XmlNode& child : root.children)
        if (child.name == "Form" && seen++ == k) {
            saved = &child;
            break;
        }
    if (!saved)
        return result;
    std::shared_ptr<HtmlElement> form = FormToFill(*saved, k, doc);
    std::shared_ptr<HtmlElement> marked;
    for (const XmlNode& child : saved->children) {
        if (child.name != "ITEM")
            continue;
        const std::string *key = nullptr, *value = nullptr;
        if (!ReadItem(child, key, value)) {
            result.stopped = true;
            return result;
        }
        if (key->empty())
            continue;
        std::shared_ptr<HtmlElement> e =
            form ? form->ElementByNameOrId(*key) : doc.FindByNameOrId(*key);
        if (!e)
            continue;
        if (*value == kSubmitMarker) {
            if (!marked)
                marked = std::move(e);
        } else if (!KeepsServedValue(*e)) {
            e->SetAttribute("value", *value);
            ++result.filled;
        }
    }

    std::shared_ptr<HtmlElement> target;
    bool submitForm = false;
    const std::string* how = saved->Attribute("submit");
    if (how && form) {
        if (std::optional<int> at = ParseBillIndex(how); at && *at < form->ElementCount()) {
            target = form->ElementAt(*at);
            if (target && !IsSubmitControl(*target))
                target.reset();
        }
        if (!target)
            target = marked;
        if (!target)
            target = FirstSubmitControl(*form);
        submitForm = !target;
    } else {
        target = marked;
    }
    if (!target && !submitForm)
        return result;
    if (beforeClick)
        beforeClick();
    result.clicked = true;
    if (target)
        target->Click();
    else
        form->Submit();
    return result;
}

}  // namespace

ReplayResult ReplayBill(const XmlNode& root, HtmlDocument& doc,
                        const std::function<void()>& beforeClick) {
    if (const std::string* fill = root.Attribute("fill")) {
        std::optional<int> k = ParseBillIndex(fill);
        if (!k)
            throw BrowserError("a saved form with an unreadable fill=");
        return ReplayFilledForm(root, *k, doc, beforeClick);
    }
    return ReplayFirstForm(root, doc, beforeClick);
}

}  // namespace lumo
