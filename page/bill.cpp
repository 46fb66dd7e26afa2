#include "page/bill.h"

#include <charconv>

#include "common/text.h"

namespace lumo {
namespace {

std::string TypeOf(HtmlElement& e) {
    return AsciiLower(Trim(e.GetAttribute("type").value_or("")));
}

bool IsFilledPassword(HtmlElement& e) {
    return TypeOf(e) == "password" && !e.GetAttribute("value").value_or("").empty();
}

}  // namespace

std::string BillText(const std::vector<BillForm>& forms, std::optional<int> fill) {
    std::string out = "<Forms";
    if (fill && *fill >= 0)
        out += " fill='" + std::to_string(*fill) + "'";
    out += ">";
    for (const BillForm& form : forms) {
        out += "<Form";
        if (form.submit == kSubmitByForm || ParseBillIndex(&form.submit))
            out += " submit='" + form.submit + "'";
        out += "><FormName>";
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

bool IsSubmitControl(HtmlElement& e) {
    const std::string tag = AsciiLower(e.TagName());
    const std::string type = TypeOf(e);
    if (tag == "input")
        return type == "submit" || type == "image";
    return tag == "button" && type != "button" && type != "reset";
}

std::string CollectBill(HtmlDocument& doc) {
    std::vector<BillForm> forms;
    int filled = -1;        // the form holding a typed password
    int filledSubmit = -1;  // its first submit control
    int firstSubmit = -1;   // that of the first form
    for (int i = 0, n = doc.FormCount(); i < n; ++i) {
        std::shared_ptr<HtmlElement> form = doc.FormAt(i);
        if (!form || !form->IsForm())
            continue;
        const int index = static_cast<int>(forms.size());
        BillForm& f = forms.emplace_back(BillForm{form->FormName(), {}});
        bool password = false;
        int submit = -1;
        for (int j = 0, m = form->ElementCount(); j < m; ++j) {
            std::shared_ptr<HtmlElement> e = form->ElementAt(j);
            if (!e)
                continue;
            if (submit < 0 && IsSubmitControl(*e))
                submit = j;
            password = password || IsFilledPassword(*e);
            std::string key = e->Id();
            if (key.empty())
                key = e->GetAttribute("name").value_or("");
            if (key.empty())
                continue;
            const bool marker = e->GetAttribute("type").value_or("") == "submit";
            f.items.push_back({key, marker ? "" : e->GetAttribute("value").value_or(""), marker});
        }
        if (index == 0)
            firstSubmit = submit;
        if (password && filled < 0) {
            filled = index;
            filledSubmit = submit;
        }
    }
    if (forms.empty())
        return BillText(forms);
    if (filled >= 0) {
        forms[filled].submit = filledSubmit >= 0 ? std::to_string(filledSubmit) : kSubmitByForm;
    } else {
        filled = 0;
        if (firstSubmit >= 0)
            forms[0].submit = std::to_string(firstSubmit);
    }
    return BillText(forms, filled);
}

std::optional<int> ParseBillIndex(const std::string* text) {
    if (!text || text->empty() || text->size() > 6)
        return std::nullopt;
    int value = 0;
    auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), value);
    if (ec != std::errc() || end != text->data() + text->size() || value < 0)
        return std::nullopt;
    return value;
}

std::optional<std::vector<BillForm>> ReadBill(const XmlNode& root, std::optional<int>* fill) {
    if (root.name != "Forms")
        return std::nullopt;
    if (fill)
        *fill = ParseBillIndex(root.Attribute("fill"));
    std::vector<BillForm> forms;
    for (const XmlNode& form : root.children) {
        if (form.name != "Form")
            continue;
        BillForm& f = forms.emplace_back();
        if (const std::string* submit = form.Attribute("submit"))
            f.submit = *submit;
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
