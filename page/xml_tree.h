// A small tree of XML elements, and a strict reader for the short XML texts
// the program keeps itself (the bill). The system XML parser fills the same
// tree in the page process (bill_xml_win.h).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace lumo {

struct XmlNode {
    std::string name;
    // Attributes in document order, values with entities replaced.
    std::vector<std::pair<std::string, std::string>> attributes;
    // The element's text when it holds only text (entities replaced); ""
    // when it holds elements.
    std::string text;
    std::vector<XmlNode> children;  // element children only, in order

    // The value of attribute `attribute`; nullptr when there is none.
    const std::string* Attribute(std::string_view attribute) const;
};

// Elements deeper than this are refused: no bill comes near it, and a
// hostile text must not exhaust the stack.
inline constexpr int kMaxXmlDepth = 64;

// The root element of a well-formed UTF-8 document, or nullopt. Accepts an
// XML declaration (its encoding is not applied: the text is UTF-8 already),
// comments, processing instructions and CDATA; refuses document type
// declarations and entities other than the five predefined ones and
// character references.
std::optional<XmlNode> ReadXmlTree(std::string_view text);

}  // namespace lumo
