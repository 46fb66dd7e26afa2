// The bill: the values of a document's forms as one line of XML, saved with
// a game and written back into its login page when the game is opened again.
//
// Two attributes, which readers that know nothing of them pass over, say how
// a bill saved now is to be replayed: the root's fill='K' names the form the
// player filled in (the K-th Form, from 0), and that Form's submit='N' its
// submit control by position among the form's elements, or submit='form' for
// the form's own submit when it has no submit control. A bill without fill
// (every bill saved before) is replayed by the first-form rules.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "page/html_document.h"
#include "page/xml_tree.h"

namespace lumo {

inline constexpr char kSubmitMarker[] = "LumoSubmitButton.Click";
// The value of submit= for a form submitted by itself.
inline constexpr char kSubmitByForm[] = "form";

struct BillItem {
    std::string key;    // the element's id, or its name when it has no id
    std::string value;  // the current value; ignored for a submit button
    bool submit = false;
};

struct BillForm {
    std::string name;
    std::vector<BillItem> items;
    // How the filled-in form is submitted: a decimal position, kSubmitByForm,
    // or "" for no submit= attribute.
    std::string submit = "";
};

// "<Forms>" + one "<Form>" per form + "</Forms>", without white space.
// Items without a key are left out. Names and values are escaped (&, <, >),
// so a typed "<" cannot break the saved XML. With `fill` the root carries
// fill='K'; attributes are single-quoted, so that a bill holds no double
// quote unless a typed value does.
std::string BillText(const std::vector<BillForm>& forms, std::optional<int> fill = std::nullopt);

// True for a control that submits its form when clicked: an input of type
// submit or image, a button of type submit or of no (or an unknown) type.
// Types are read without regard to letter case.
bool IsSubmitControl(HtmlElement& e);

// The bill of a document: every form with its keyed controls (id, else the
// name attribute); a control of type "submit" is recorded with the submit
// marker, any other with its current value ("" when it has no value). The
// on/off state of check boxes and option buttons is not recorded. The form
// filled in is the first holding a password field with a value, else the
// first form; it gets submit= for its first submit control (keyed or not),
// or kSubmitByForm when it has none but holds that password. Document errors
// propagate: a failed collection sends nothing.
std::string CollectBill(HtmlDocument& doc);

// The forms of a bill tree (the inverse of BillText); nullopt when the root
// is not "Forms". Items are read by position, as the fill does. `fill`
// receives the root's fill= when it is a number.
std::optional<std::vector<BillForm>> ReadBill(const XmlNode& root,
                                              std::optional<int>* fill = nullptr);

// A non-negative decimal number without sign or blanks; nullopt otherwise.
std::optional<int> ParseBillIndex(const std::string* text);

}  // namespace lumo
