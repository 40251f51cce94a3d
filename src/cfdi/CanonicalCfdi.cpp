#include "cfdi/CanonicalCfdi.h"

#include <libxml/c14n.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <climits>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr const char* kTfdNs = "http://www.sat.gob.mx/TimbreFiscalDigital";

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};

bool named(const xmlNode* n, const char* local) {
    return n->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(n->name), local) == 0;
}

void collect(xmlNode* n, std::vector<xmlNode*>& tfds) {
    for (; n; n = n->next) {
        if (named(n, "TimbreFiscalDigital") && n->ns && n->ns->href &&
            std::strcmp(reinterpret_cast<const char*>(n->ns->href), kTfdNs) == 0) {
            tfds.push_back(n);
            continue;
        }
        if (n->type == XML_ELEMENT_NODE)
            collect(n->children, tfds);
    }
}

bool hasElements(const xmlNode* n) {
    for (const xmlNode* c = n->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE)
            return true;
    return false;
}

} // namespace

std::optional<std::string> CanonicalCfdi::WithoutStamp(const std::string& xml, int tfds) {
    if (xml.empty() || xml.size() > static_cast<std::size_t>(INT_MAX))
        return std::nullopt;
    std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr,
                                                       XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    // As everywhere else: a DOCTYPE could make entities say what the bytes do not.
    if (!doc || !xmlDocGetRootElement(doc.get()) || doc->intSubset || doc->extSubset)
        return std::nullopt;
    std::vector<xmlNode*> found;
    collect(xmlDocGetRootElement(doc.get()), found);
    if (static_cast<int>(found.size()) != tfds)
        return std::nullopt;
    for (xmlNode* tfd : found) {
        xmlNode* parent = tfd->parent;
        xmlUnlinkNode(tfd);
        xmlFreeNode(tfd);
        if (parent && named(parent, "Complemento") && !hasElements(parent)) {
            xmlUnlinkNode(parent);
            xmlFreeNode(parent);
        }
    }
    xmlChar* out = nullptr;
    const int size = xmlC14NDocDumpMemory(doc.get(), nullptr, XML_C14N_EXCLUSIVE_1_0, nullptr, 0, &out);
    if (size < 0 || !out)
        return std::nullopt;
    std::string canonical(reinterpret_cast<const char*>(out), static_cast<std::size_t>(size));
    xmlFree(out);
    return canonical;
}
