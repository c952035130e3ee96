// A small reader of XML documents into a tree, enough for the tool's
// window designs (.ui files): elements, attributes, text, the five
// predefined entities and numeric character references, comments, the XML
// declaration and a DOCTYPE line. Plain C++.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace uigen {

// A document that is no well-formed XML of the kind above; the message
// names the line.
class EXmlError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct TXmlElement {
    std::string Name;
    std::vector<std::pair<std::string, std::string>> Attributes;
    std::string Text; // the character data directly inside, entities replaced (UTF-8)
    std::vector<TXmlElement> Children;

    std::optional<std::string> Attribute(std::string_view name) const;
    // The first child element of that name, or null.
    const TXmlElement *Child(std::string_view name) const;
};

// The document's root element. Throws EXmlError.
TXmlElement ParseXml(std::string_view document);

} // namespace uigen
