// What a click does in the headless engine: submitting a form, following a
// link, or asking for a new window; and the few script forms it understands
// (a literal window.open in an onclick handler, a javascript: link, the
// body's onload and a top-level statement of an inline script).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "page/html_dom.h"

namespace lumo::html {

struct Request {
    std::string url;
    std::string method = "GET";  // "GET" or "POST"
    std::string body;            // POST only, application/x-www-form-urlencoded

    bool IsPost() const { return method == "POST"; }
    friend bool operator==(const Request&, const Request&) = default;
};

// The fields a form sends (its successful controls in document order):
// named, enabled controls; check boxes and option buttons only when checked
// (value "on" when they have none); no buttons except `submitter` (an
// element index, -1 for none), whose name=value is included (an image
// button sends name.x and name.y); list boxes send their selected options.
std::vector<std::pair<std::string, std::string>> FormFields(const Dom& dom, int form,
                                                            int submitter);

// The request of submitting `form` with `submitter`: GET replaces the query
// of the action, POST carries the fields as the body. The action (the
// document itself when missing) is resolved against the page's base URL.
// nullopt when the action does not resolve to an address.
std::optional<Request> FormSubmission(const Dom& dom, int form, int submitter,
                                      std::string_view documentUrl);

struct ClickResult {
    enum Kind { kNothing, kNavigate, kNewWindow };
    Kind kind = kNothing;
    Request request;
};

// Clicks element `index`. Check boxes and option buttons change state in
// `dom`. In this order:
//   1. an onclick attribute holding window.open('literal', ...) asks for a
//      new window at that address (the href is then not followed);
//   2. a link (<a href>) is followed: a javascript: href only for its
//      window.open literal, a fragment of the same page not at all; a
//      target other than _self, _top and _parent asks for a new window;
//   3. a submit button (input type submit or image, button of type submit)
//      of a form submits it; the form's target is honoured like a link's;
//   4. a form itself submits without a submit button, as its submit()
//      method does (the engine's way for a saved login to submit a form that
//      has no submit button).
ClickResult Click(Dom& dom, int index, std::string_view documentUrl);

// The first argument of the first "window.open(" in `script` when it is a
// quoted literal; nullopt when there is none. With `topLevelOnly`, calls
// inside braces (function bodies, blocks) are passed over, since nothing
// calls them here; strings and comments are skipped either way.
std::optional<std::string> WindowOpenLiteral(std::string_view script, bool topLevelOnly);

// The address a page opens while loading: a top-level window.open literal in
// an inline script, else one in the body's onload attribute. Resolved against
// the page's base URL; nullopt when there is none or it is the page itself.
std::optional<std::string> LoadTimeWindowOpen(const Dom& dom, std::string_view documentUrl);

}  // namespace lumo::html
