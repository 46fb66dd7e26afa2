#include "page/bill.h"

#include "common/text.h"

namespace lumo {

std::string BillText(const std::vector<BillForm>& forms) {
    std::string out = "<Forms>";
    for (const BillForm& form : forms) {
        out += "<Form><FormName>";
        out += EscapeMarkup(form.name);
        out += "</FormName>";
        for (const BillItem& item : form.items) {
            if (item.key.empty())
                continue;
            out += "<ITEM><EName>";
            out += EscapeMarkup(item.key);
            out += "</EName><EValue>";
            if (item.submit)
                out += kSubmitMarker;
            else
                out += EscapeMarkup(item.value);
            out += "</EValue></ITEM>";
        }
        out += "</Form>";
    }
    return out + "</Forms>";
}

std::string CollectBill(HtmlDocument& doc) {
    std::vector<BillForm> forms;
    for (int i = 0, n = doc.FormCount(); i < n; ++i) {
        std::shared_ptr<HtmlElement> form = doc.FormAt(i);
        if (!form || !form->IsForm())
            continue;
        BillForm& f = forms.emplace_back(BillForm{form->FormName(), {}});
        for (int j = 0, m = form->ElementCount(); j < m; ++j) {
            std::shared_ptr<HtmlElement> e = form->ElementAt(j);
            if (!e)
                continue;
            std::string key = e->Id();
            if (key.empty())
                key = e->GetAttribute("name").value_or("");
            if (key.empty())
                continue;
            const bool submit = e->GetAttribute("type").value_or("") == "submit";
            f.items.push_back({key, submit ? "" : e->GetAttribute("value").value_or(""), submit});
        }
    }
    return BillText(forms);
}

std::optional<std::vector<BillForm>> ReadBill(const XmlNode& root) {
    if (root.name != "Forms")
        return std::nullopt;
    std::vector<BillForm> forms;
    for (const XmlNode& form : root.children) {
        if (form.name != "Form")
            continue;
        BillForm& f = forms.emplace_back();
        for (const XmlNode& child : form.children) {
            if (child.name == "FormName") {
                f.name = child.text;
            } else if (child.name == "ITEM" && !child.children.empty()) {
                BillItem item{child.children[0].text, "", false};
                if (child.children.size() > 1) {
                    item.submit = child.children[1].text == kSubmitMarker;
                    if (!item.submit)
                        item.value = child.children[1].text;
                }
                f.items.push_back(std::move(item));
            }
        }
    }
    return forms;
}

}  // namespace lumo
