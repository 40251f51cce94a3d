#include "cfdi/XmlDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>

namespace {

bool named(const xmlNode* n, const char* localName) {
    return n->type == XML_ELEMENT_NODE && n->name && std::strcmp(reinterpret_cast<const char*>(n->name), localName) == 0;
}

// Walks the elements below `from` (itself included) in document order without recursion, so a
// deeply nested answer costs no stack.
template <typename Visit>
void walk(const xmlNode* from, Visit visit) {
    const xmlNode* n = from;
    while (n) {
        if (n->type == XML_ELEMENT_NODE && !visit(n))
            return;
        if (n->children && n->type == XML_ELEMENT_NODE) {
            n = n->children;
            continue;
        }
        while (n && n != from && !n->next)
            n = n->parent;
        if (!n || n == from)
            return;
        n = n->next;
    }
}

} // namespace

CXmlDocument::CXmlDocument(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX))
        return;
    m_doc = xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr, nullptr,
                          XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    // No answer of a PAC or the SAT, and no CFDI, has a DOCTYPE (SOAP forbids it). One that does is
    // not read: libxml2 leaves entity references in the tree, and reading a text or an attribute
    // would expand them.
    if (m_doc && (!xmlDocGetRootElement(m_doc) || m_doc->intSubset || m_doc->extSubset)) {
        xmlFreeDoc(m_doc);
        m_doc = nullptr;
    }
}

CXmlDocument::~CXmlDocument() {
    if (m_doc)
        xmlFreeDoc(m_doc);
}

const _xmlNode* CXmlDocument::root() const { return m_doc ? xmlDocGetRootElement(m_doc) : nullptr; }

const _xmlNode* CXmlDocument::find(const char* localName, const _xmlNode* from) const {
    const xmlNode* found = nullptr;
    walk(from ? from : root(), [&](const xmlNode* n) {
        if (named(n, localName))
            found = n;
        return found == nullptr;
    });
    return found;
}

std::vector<const _xmlNode*> CXmlDocument::findAll(const char* localName, const _xmlNode* from) const {
    std::vector<const _xmlNode*> all;
    walk(from ? from : root(), [&](const xmlNode* n) {
        if (named(n, localName))
            all.push_back(n);
        return true;
    });
    return all;
}

std::string CXmlDocument::textOf(const char* localName, const _xmlNode* from) const {
    return text(find(localName, from));
}

std::string CXmlDocument::text(const _xmlNode* node) {
    if (!node)
        return {};
    xmlChar* content = xmlNodeGetContent(node);
    if (!content)
        return {};
    std::string s(reinterpret_cast<const char*>(content));
    xmlFree(content);
    return s;
}

std::string CXmlDocument::attribute(const _xmlNode* node, const char* name) {
    if (!node)
        return {};
    xmlChar* value = xmlGetProp(node, BAD_CAST name);
    if (!value)
        return {};
    std::string s(reinterpret_cast<const char*>(value));
    xmlFree(value);
    return s;
}

bool CXmlDocument::hasAttribute(const _xmlNode* node, const char* name) {
    return node && xmlHasProp(node, BAD_CAST name) != nullptr;
}

const _xmlNode* CXmlDocument::parent(const _xmlNode* node) {
    return node && node->parent && node->parent->type == XML_ELEMENT_NODE ? node->parent : nullptr;
}

std::string CXmlDocument::localName(const _xmlNode* node) {
    return node && node->name ? reinterpret_cast<const char*>(node->name) : "";
}

std::string CXmlDocument::namespaceUri(const _xmlNode* node) {
    return node && node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

std::string EscapeXmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out += c;
        }
    }
    return out;
}
