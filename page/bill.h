// The bill: the values of a document's forms as one line of XML, saved with
// a game and written back into its login page when the game is opened again.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "page/html_document.h"
#include "page/xml_tree.h"

namespace lumo {

inline constexpr char kSubmitMarker[] = "LumoSubmitButton.Click";

struct BillItem {
    std::string key;    // the element's id, or its name when it has no id
    std::string value;  // the current value; ignored for a submit button
    bool submit = false;
};

struct BillForm {
    std::string name;
    std::vector<BillItem> items;
};

// "<Forms>" + one "<Form>" per form + "</Forms>", without white space.
// Items without a key are left out. Names and values are escaped (&, <, >),
// so a typed "<" cannot break the saved XML.
std::string BillText(const std::vector<BillForm>& forms);

// The bill of a document: every form with its keyed controls (id, else the
// name attribute); a control of type "submit" is recorded with the submit
// marker, any other with its current value ("" when it has no value). The
// on/off state of check boxes and option buttons is not recorded. Document
// errors propagate: a failed collection sends nothing.
std::string CollectBill(HtmlDocument& doc);

// The forms of a bill tree (the inverse of BillText); nullopt when the root
// is not "Forms". Items are read by position, as the fill does.
std::optional<std::vector<BillForm>> ReadBill(const XmlNode& root);

}  // namespace lumo
