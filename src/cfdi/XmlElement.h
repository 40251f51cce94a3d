#pragma once

#include <string>
#include <utility>
#include <vector>

// An element of the document being built: attributes in the order they are written, children in
// order. Values are plain UTF-8 text; escaping happens when the element is written.
struct XmlElement final {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::vector<XmlElement> children;

    XmlElement() = default;
    explicit XmlElement(std::string n) : name(std::move(n)) {}

    // Sets an attribute, replacing its value when it is already there (keeping its place).
    XmlElement& set(const std::string& attribute, const std::string& value);
    XmlElement& add(const std::string& childName);
    const std::string* get(const std::string& attribute) const;

    // The whole document: declaration, then the element, UTF-8, no added whitespace.
    std::string document() const;
    void write(std::string& out) const;
};

// Text for an attribute value: & < > " escaped, and tabs and line breaks as character
// references so that a reader gets them back rather than blanks.
std::string EscapeXmlAttribute(const std::string& value);
