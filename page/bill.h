// The bill: the values of a document's forms as one line of XML, saved with
// a game and written back into its login page when the game is opened again.
#pragma once

#include <string>
#include <vector>

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

}  // namespace lumo
