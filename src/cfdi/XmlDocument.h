#pragma once

#include <string>
#include <vector>

struct _xmlDoc;
struct _xmlNode;

// A document parsed with libxml2 for reading answers from outside: no network, no entity
// expansion (a document with a DOCTYPE is not read at all), no messages on the terminal. Elements are found by local name, whatever prefix the
// sender gave their namespace.
class CXmlDocument final {
public:
    explicit CXmlDocument(const std::string& bytes);
    ~CXmlDocument();
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;

    bool ok() const { return m_doc != nullptr; }
    const _xmlNode* root() const;

    // The first element named `localName` at or below `from` (the root when null), in document order.
    const _xmlNode* find(const char* localName, const _xmlNode* from = nullptr) const;
    std::vector<const _xmlNode*> findAll(const char* localName, const _xmlNode* from = nullptr) const;
    // The text of the first such element below `from`; empty when there is none.
    std::string textOf(const char* localName, const _xmlNode* from = nullptr) const;

    static std::string text(const _xmlNode* node);
    static std::string attribute(const _xmlNode* node, const char* name);
    static bool hasAttribute(const _xmlNode* node, const char* name);
    // The element that holds `node`; null for the root.
    static const _xmlNode* parent(const _xmlNode* node);
    static std::string localName(const _xmlNode* node);
    static std::string namespaceUri(const _xmlNode* node);

private:
    _xmlDoc* m_doc = nullptr;
};

// Text escaped for an XML element's content or an attribute value.
std::string EscapeXmlText(const std::string& text);
