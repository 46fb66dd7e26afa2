// The bill read by the system XML parser (MSXML), which accepts the pending
// text's GB2312 declaration and the escaped character data the bill holds.
#pragma once

#include <string>

#include "page/xml_tree.h"

namespace lumo {

// The element tree of `xml` (UTF-8). Throws BrowserError when no XML parser
// can be created or the text does not parse; the message never holds the
// text itself (it may carry a password). COM must be initialised on the
// calling thread.
XmlNode ParseXmlWithSystemParser(const std::string& xml);

}  // namespace lumo
