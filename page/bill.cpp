#include "page/bill.h"

#include "common/text.h"

namespace lumo {

std::string BillText(const std::vector<BillForm>& forms) {
    std::string out = "<Forms>";
    for (const BillForm& form : forms) {
        out += "<Form><FormName>";
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

}  // namespace lumo
