#include "page/page_rules.h"

#include "common/text.h"

namespace lumo {

std::string ReportedTitle(std::string_view title) {
    std::string t = AsciiLower(Trim(title));
    return t == "about:blank" ? std::string(kBlankPageTitle) : t;
}

std::string PendingFillText(std::string_view bill) {
    return bill.empty() ? std::string() : std::string(kBillDeclaration) + std::string(bill);
}

ControlRect BrowserControlRect(int formWidth, int formHeight) {
    return {-2, -2, formWidth + 2, formHeight + 2};
}

}  // namespace lumo
