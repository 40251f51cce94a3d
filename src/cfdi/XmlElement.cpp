#include "cfdi/XmlElement.h"

XmlElement& XmlElement::set(const std::string& attribute, const std::string& value) {
    for (auto& [n, v] : attributes)
        if (n == attribute) {
            v = value;
            return *this;
        }
    attributes.emplace_back(attribute, value);
    return *this;
}

XmlElement& XmlElement::add(const std::string& childName) {
    children.emplace_back(childName);
    return children.back();
}

const std::string* XmlElement::get(const std::string& attribute) const {
    for (const auto& [n, v] : attributes)
        if (n == attribute)
            return &v;
    return nullptr;
}

std::string EscapeXmlAttribute(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\t': out += "&#9;"; break;
        case '\n': out += "&#10;"; break;
        case '\r': out += "&#13;"; break;
        default: out += c;
        }
    }
    return out;
}

void XmlElement::write(std::string& out) const {
    out += '<';
    out += name;
    for (const auto& [n, v] : attributes) {
        out += ' ';
        out += n;
        out += "=\"";
        out += EscapeXmlAttribute(v);
        out += '"';
    }
    if (children.empty()) {
        out += "/>";
        return;
    }
    out += '>';
    for (const XmlElement& c : children)
        c.write(out);
    out += "</";
    out += name;
    out += '>';
}

std::string XmlElement::document() const {
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    write(out);
    return out;
}
