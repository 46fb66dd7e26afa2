#include "page/bill_replay.h"

#include "common/text.h"
#include "page/bill.h"

namespace lumo {

ReplayResult ReplayBill(const XmlNode& root, HtmlDocument& doc,
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
            if (child.children.empty()) {
                result.stopped = true;
                return result;
            }
            if (child.children.size() < 2)
                throw BrowserError("a saved item without its value");
            const std::string& key = child.children[0].text;
            const std::string& value = child.children[1].text;
            if (key.empty())
                continue;
            std::shared_ptr<HtmlElement> e =
                current ? current->ElementByNameOrId(key) : doc.FindByNameOrId(key);
            if (!e)
                continue;
            if (value == kSubmitMarker) {
                if (beforeClick)
                    beforeClick();
                result.clicked = true;
                e->Click();
            } else {
                e->SetAttribute("value", value);
                ++result.filled;
            }
        }
    }
    return result;
}

}  // namespace lumo
