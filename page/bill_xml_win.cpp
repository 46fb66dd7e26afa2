#include "page/bill_xml_win.h"

#include <msxml2.h>

#include <optional>

#include "page/com_ptr_win.h"

namespace lumo {
namespace {

// The parser's versions, newest first: 6.0 and 3.0 are both installed on
// every system the program runs on (and in Wine); 3.0 is the fallback.
constexpr CLSID kDomDocument60 = {
    0x88d96a05, 0xf192, 0x11d4, {0xa6, 0x5f, 0x00, 0x40, 0x96, 0x32, 0x51, 0xe5}};
constexpr CLSID kDomDocument30 = {
    0xf5078f32, 0xc551, 0x11d3, {0x89, 0xb9, 0x00, 0x00, 0xf8, 0x1f, 0xe2, 0x21}};

constexpr IID kXmlDocument2 = {
    0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

ComPtr<IXMLDOMDocument> NewDocument() {
    HRESULT hr = E_FAIL;
    for (const CLSID* clsid : {&kDomDocument60, &kDomDocument30}) {
        ComPtr<IXMLDOMDocument> doc;
        hr = CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              doc.PutVoid());
        if (SUCCEEDED(hr) && doc)
            return doc;
    }
    CheckHr(hr, "CoCreateInstance(DOMDocument)");
    throw BrowserError("no XML parser");
}

HRESULT Load(const ComPtr<IXMLDOMDocument>& doc, const std::string& xml, VARIANT_BOOL& ok) {
    Bstr text(xml);
    ok = VARIANT_FALSE;
    return doc->loadXML(text.Get(), &ok);
}

// `xml` with the encoding of its XML declaration replaced by UTF-16;
// nullopt when it has no declaration naming an encoding.
std::optional<std::string> RelabelledAsUtf16(const std::string& xml) {
    if (!xml.starts_with("<?xml"))
        return std::nullopt;
    const size_t end = xml.find("?>");
    const size_t at = xml.find("encoding", 0);
    if (end == std::string::npos || at == std::string::npos || at > end)
        return std::nullopt;
    const size_t open = xml.find_first_of("\"'", at);
    if (open == std::string::npos || open > end)
        return std::nullopt;
    const size_t close = xml.find(xml[open], open + 1);
    if (close == std::string::npos || close > end)
        return std::nullopt;
    return xml.substr(0, open + 1) + "UTF-16" + xml.substr(close);
}

void Convert(IXMLDOMNode* from, XmlNode& to, int depth) {
    if (depth > kMaxXmlDepth)
        throw BrowserError("XML nested too deep");
    Bstr name;
    CheckHr(from->get_nodeName(name.Put()), "IXMLDOMNode::get_nodeName");
    to.name = name.Utf8();
    ComPtr<IXMLDOMNamedNodeMap> attributes;
    CheckHr(from->get_attributes(attributes.Put()), "IXMLDOMNode::get_attributes");
    LONG attributeCount = 0;
    if (attributes)
        CheckHr(attributes->get_length(&attributeCount), "IXMLDOMNamedNodeMap::get_length");
    for (LONG i = 0; i < attributeCount; ++i) {
        ComPtr<IXMLDOMNode> attribute;
        CheckHr(attributes->get_item(i, attribute.Put()), "IXMLDOMNamedNodeMap::get_item");
        if (!attribute)
            continue;
        Bstr attributeName;
        Variant value;
        CheckHr(attribute->get_nodeName(attributeName.Put()), "IXMLDOMNode::get_nodeName");
        CheckHr(attribute->get_nodeValue(value.Put()), "IXMLDOMNode::get_nodeValue");
        to.attributes.emplace_back(attributeName.Utf8(), VariantText(value.Get()));
    }
    ComPtr<IXMLDOMNodeList> list;
    CheckHr(from->get_childNodes(list.Put()), "IXMLDOMNode::get_childNodes");
    LONG count = 0;
    if (list)
        CheckHr(list->get_length(&count), "IXMLDOMNodeList::get_length");
    std::string text;
    for (LONG i = 0; i < count; ++i) {
        ComPtr<IXMLDOMNode> child;
        CheckHr(list->get_item(i, child.Put()), "IXMLDOMNodeList::get_item");
        if (!child)
            continue;
        DOMNodeType type = NODE_INVALID;
        CheckHr(child->get_nodeType(&type), "IXMLDOMNode::get_nodeType");
        if (type == NODE_ELEMENT) {
            to.children.emplace_back();
            Convert(child.Get(), to.children.back(), depth + 1);
        } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION) {
            Variant value;
            CheckHr(child->get_nodeValue(value.Put()), "IXMLDOMNode::get_nodeValue");
            text += VariantText(value.Get());
        }
    }
    if (to.children.empty())
        to.text = std::move(text);
}

}  // namespace

XmlNode ParseXmlWithSystemParser(const std::string& xml) {
    ComPtr<IXMLDOMDocument> doc = NewDocument();
    CheckHr(doc->put_async(VARIANT_FALSE), "IXMLDOMDocument::put_async");
    CheckHr(doc->put_validateOnParse(VARIANT_FALSE), "IXMLDOMDocument::put_validateOnParse");
    CheckHr(doc->put_resolveExternals(VARIANT_FALSE), "IXMLDOMDocument::put_resolveExternals");
    // Saved values keep their spaces.
    CheckHr(doc->put_preserveWhiteSpace(VARIANT_TRUE), "IXMLDOMDocument::put_preserveWhiteSpace");
    if (auto doc2 = doc.As<IXMLDOMDocument2>(kXmlDocument2)) {
        // No document type declarations (entity expansion); older parsers
        // may not know the property.
        Bstr prohibit("ProhibitDTD");
        VARIANT yes;
        VariantInit(&yes);
        yes.vt = VT_BOOL;
        yes.boolVal = VARIANT_TRUE;
        doc2->setProperty(prohibit.Get(), yes);
    }
    VARIANT_BOOL ok = VARIANT_FALSE;
    HRESULT hr = Load(doc, xml, ok);
    if (FAILED(hr) || ok != VARIANT_TRUE) {
        // The parser gets the text as UTF-16, whatever the declaration says
        // the bytes were; a parser that insists on converting from the
        // declared encoding (Wine's refuses GB2312) is told what it has.
        if (std::optional<std::string> relabelled = RelabelledAsUtf16(xml))
            hr = Load(doc, *relabelled, ok);
    }
    if (FAILED(hr) || ok != VARIANT_TRUE) {
        LONG code = 0;
        ComPtr<IXMLDOMParseError> error;
        if (SUCCEEDED(doc->get_parseError(error.Put())) && error)
            error->get_errorCode(&code);
        throw BrowserError("the saved form does not parse: " +
                           HresultText(FAILED(hr) ? hr : static_cast<HRESULT>(code)));
    }
    ComPtr<IXMLDOMElement> root;
    CheckHr(doc->get_documentElement(root.Put()), "IXMLDOMDocument::get_documentElement");
    if (!root)
        throw BrowserError("the saved form has no root element");
    ComPtr<IXMLDOMNode> node = root.As<IXMLDOMNode>(IID_IXMLDOMNode);
    if (!node)
        throw BrowserError("the saved form's root is not a node");
    XmlNode tree;
    Convert(node.Get(), tree, 1);
    return tree;
}

}  // namespace lumo
