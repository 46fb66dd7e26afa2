// Filling a saved bill back into a page: the saved values are written into
// the document's controls and the form is submitted, so that a saved game
// logs in by itself.
#pragma once

#include <functional>

#include "page/html_document.h"
#include "page/xml_tree.h"

namespace lumo {

struct ReplayResult {
    int filled = 0;        // values written
    bool clicked = false;  // a submit control was clicked, or the form submitted
    bool stopped = false;  // an ITEM without children ended the fill
};

// Replays the bill whose root element is `root` into `doc`.
//
// A bill without fill= (saved by earlier versions) keeps its first-form
// rules: only the first Form; its FormName picks the form the keys are looked
// up in (the whole document when it is empty or names no form); each ITEM's
// first and second child give key and value, by position. An ITEM without
// children ends the fill; one with a single child is an error. The submit
// marker calls `beforeClick` (which drops the pending text) and then clicks;
// items after it are still filled.
//
// A bill with fill='K' replays its K-th Form (see ReplayFilledForm in the
// source for the rules): into the page's form holding its keys, a hidden
// field the page serves with a value keeps that value, and the form is
// submitted once, after every value is in.
//
// Throws BrowserError on a malformed ITEM; document errors propagate.
ReplayResult ReplayBill(const XmlNode& root, HtmlDocument& doc,
                        const std::function<void()>& beforeClick);

}  // namespace lumo
