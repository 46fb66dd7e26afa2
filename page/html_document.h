// A page's document as the page window sees it: the forms, their controls,
// and the few element operations that saving and filling in a login need.
// Both browser engines answer to it; without Windows, so that the rules that
// work on a document can be tried against a stand-in.
#pragma once

#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace lumo {

struct BrowserError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// One element of a page's document: a form or a control of a form.
class HtmlElement {
  public:
    virtual ~HtmlElement() = default;
    virtual std::string Id() = 0;
    virtual std::string TagName() = 0;  // lower case: "form", "input", ...
    // Attribute lookup without regard to letter case of the name. For
    // "value" this is the current value (what the user typed). nullopt when
    // the element has no such attribute.
    virtual std::optional<std::string> GetAttribute(std::string_view name) = 0;
    virtual void SetAttribute(std::string_view name, std::string_view value) = 0;
    virtual void Click() = 0;
    // Forms only: submits the form as its own submit() does, with no submit
    // control taking part. The default clicks the element, which is what
    // submits a form in an engine whose click on a form does that.
    virtual void Submit() { Click(); }

    virtual bool IsForm() = 0;
    // Form elements only (others answer "", 0, null).
    virtual std::string FormName() = 0;
    virtual int ElementCount() = 0;
    virtual std::shared_ptr<HtmlElement> ElementAt(int index) = 0;
    // The first control of the form whose name or id equals `key`.
    virtual std::shared_ptr<HtmlElement> ElementByNameOrId(std::string_view key) = 0;
};

class HtmlDocument {
  public:
    virtual ~HtmlDocument() = default;
    virtual std::string Title() = 0;
    // The document's forms collection.
    virtual int FormCount() = 0;
    virtual std::shared_ptr<HtmlElement> FormAt(int index) = 0;
    // The first element of the whole document whose name or id equals `key`.
    virtual std::shared_ptr<HtmlElement> FindByNameOrId(std::string_view key) = 0;
};

}  // namespace lumo
