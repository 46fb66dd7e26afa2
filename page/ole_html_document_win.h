// HtmlDocument and HtmlElement over the system control's document object
// model (IHTMLDocument2, IHTMLElement, IHTMLFormElement).
#pragma once

#include <mshtml.h>

#include <memory>

#include "page/browser_control.h"

namespace lumo {

// Null when `doc` is null.
std::shared_ptr<HtmlDocument> WrapHtmlDocument(IHTMLDocument2* doc);
// Null when `disp` is null or is not an element.
std::shared_ptr<HtmlElement> WrapHtmlElement(IDispatch* disp);

}  // namespace lumo
