#include "page/ole_html_document_win.h"

#include "common/text.h"
#include "page/com_ptr_win.h"

namespace lumo {

namespace {

// A collection's item() may answer a single element or, when several share
// the name, a collection of them; the first one is wanted either way.
std::shared_ptr<HtmlElement> FirstElementOf(ComPtr<IDispatch> found) {
    if (!found)
        return nullptr;
    if (auto several = found.As<IHTMLElementCollection>(IID_IHTMLElementCollection)) {
        Variant index = Variant::Int(0);
        Variant none;
        ComPtr<IDispatch> first;
        CheckHr(several->item(index.Get(), none.Get(), first.Put()),
                "IHTMLElementCollection::item");
        return WrapHtmlElement(first.Get());
    }
    return WrapHtmlElement(found.Get());
}

class OleElement final : public HtmlElement {
  public:
    explicit OleElement(ComPtr<IHTMLElement> e) : e_(std::move(e)) {}

    std::string Id() override {
        Bstr id;
        CheckHr(e_->get_id(id.Put()), "IHTMLElement::get_id");
        return id.Utf8();
    }

    std::string TagName() override {
        Bstr tag;
        CheckHr(e_->get_tagName(tag.Put()), "IHTMLElement::get_tagName");
        return AsciiLower(tag.Utf8());
    }

    std::optional<std::string> GetAttribute(std::string_view name) override {
        Bstr n(name);
        Variant value;
        CheckHr(e_->getAttribute(n.Get(), 0, value.Put()), "IHTMLElement::getAttribute");
        VARTYPE vt = value.Get().vt;
        if (vt == VT_NULL || vt == VT_EMPTY)
            return std::nullopt;
        return VariantText(value.Get());
    }

    void SetAttribute(std::string_view name, std::string_view value) override {
        Bstr n(name);
        Variant v = Variant::Text(value);
        CheckHr(e_->setAttribute(n.Get(), v.Get(), 0), "IHTMLElement::setAttribute");
    }

    void Click() override { CheckHr(e_->click(), "IHTMLElement::click"); }

    // The form's own submit(): no submit control takes part and the page's
    // onsubmit handler is not run, as when a script submits it.
    void Submit() override {
        auto form = Form();
        if (!form)
            throw BrowserError("only a form can be submitted");
        CheckHr(form->submit(), "IHTMLFormElement::submit");
    }

    bool IsForm() override { return static_cast<bool>(Form()); }

    std::string FormName() override {
        auto form = Form();
        if (!form)
            return std::string();
        Bstr name;
        CheckHr(form->get_name(name.Put()), "IHTMLFormElement::get_name");
        return name.Utf8();
    }

    int ElementCount() override {
        auto form = Form();
        if (!form)
            return 0;
        LONG n = 0;
        CheckHr(form->get_length(&n), "IHTMLFormElement::get_length");
        return static_cast<int>(n);
    }

    std::shared_ptr<HtmlElement> ElementAt(int index) override {
        auto form = Form();
        if (!form)
            return nullptr;
        Variant i = Variant::Int(index);
        Variant none;
        ComPtr<IDispatch> item;
        CheckHr(form->item(i.Get(), none.Get(), item.Put()), "IHTMLFormElement::item");
        return WrapHtmlElement(item.Get());
    }

    std::shared_ptr<HtmlElement> ElementByNameOrId(std::string_view key) override {
        auto form = Form();
        if (!form)
            return nullptr;
        Variant k = Variant::Text(key);
        Variant none;
        ComPtr<IDispatch> item;
        CheckHr(form->item(k.Get(), none.Get(), item.Put()), "IHTMLFormElement::item");
        return FirstElementOf(std::move(item));
    }

  private:
    ComPtr<IHTMLFormElement> Form() const { return e_.As<IHTMLFormElement>(IID_IHTMLFormElement); }

    ComPtr<IHTMLElement> e_;
};

class OleDocument final : public HtmlDocument {
  public:
    explicit OleDocument(ComPtr<IHTMLDocument2> d) : d_(std::move(d)) {}

    std::string Title() override {
        Bstr title;
        CheckHr(d_->get_title(title.Put()), "IHTMLDocument2::get_title");
        return title.Utf8();
    }

    int FormCount() override {
        auto forms = Forms();
        if (!forms)
            return 0;
        LONG n = 0;
        CheckHr(forms->get_length(&n), "IHTMLElementCollection::get_length");
        return static_cast<int>(n);
    }

    std::shared_ptr<HtmlElement> FormAt(int index) override {
        auto forms = Forms();
        if (!forms)
            return nullptr;
        Variant i = Variant::Int(index);
        Variant none;
        ComPtr<IDispatch> item;
        CheckHr(forms->item(i.Get(), none.Get(), item.Put()), "IHTMLElementCollection::item");
        return WrapHtmlElement(item.Get());
    }

    std::shared_ptr<HtmlElement> FindByNameOrId(std::string_view key) override {
        ComPtr<IHTMLElementCollection> all;
        CheckHr(d_->get_all(all.Put()), "IHTMLDocument2::get_all");
        if (!all)
            return nullptr;
        Variant k = Variant::Text(key);
        Variant none;
        ComPtr<IDispatch> item;
        CheckHr(all->item(k.Get(), none.Get(), item.Put()), "IHTMLElementCollection::item");
        return FirstElementOf(std::move(item));
    }

  private:
    ComPtr<IHTMLElementCollection> Forms() {
        ComPtr<IHTMLElementCollection> forms;
        CheckHr(d_->get_forms(forms.Put()), "IHTMLDocument2::get_forms");
        return forms;
    }

    ComPtr<IHTMLDocument2> d_;
};

}  // namespace

std::shared_ptr<HtmlDocument> WrapHtmlDocument(IHTMLDocument2* doc) {
    if (!doc)
        return nullptr;
    return std::make_shared<OleDocument>(ComPtr<IHTMLDocument2>(doc));
}

std::shared_ptr<HtmlElement> WrapHtmlElement(IDispatch* disp) {
    if (!disp)
        return nullptr;
    auto e = ComPtr<IDispatch>(disp).As<IHTMLElement>(IID_IHTMLElement);
    if (!e)
        return nullptr;
    return std::make_shared<OleElement>(std::move(e));
}

}  // namespace lumo
