#include "page/bill.h"

namespace lumo {

namespace {

void AppendEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
}

}  // namespace

std::string BillText(const std::vector<BillForm>& forms) {
    std::string out = "<Forms>";
    for (const BillForm& form : forms) {
        out += "<Form><FormName>";
        AppendEscaped(out, form.name);
        out += "</FormName>";
        for (const BillItem& item : form.items) {
            if (item.key.empty())
                continue;
            out += "<ITEM><EName>";
            AppendEscaped(out, item.key);
            out += "</EName><EValue>";
            if (item.submit)
                out += kSubmitMarker;
            else
                AppendEscaped(out, item.value);
            out += "</EValue></ITEM>";
        }
        out += "</Form>";
    }
    return out + "</Forms>";
}

}  // namespace lumo
