#include "platform/xml/Document.h"

#include <fcntl.h>
#include <libxml/SAX2.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace jv::xml {
namespace {

constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOCDATA | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

std::string ToStd(const xmlChar* text) {
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}
const xmlChar* X(const std::string& s) {
    return reinterpret_cast<const xmlChar*>(s.c_str());
}

// Entity declarations have no place in the program's files nor in the web service's answers, and
// internal ones can expand without limit (a few kilobytes of nested references grow to gigabytes).
// A document that declares one is refused as it is read, before anything is expanded.
struct ParseGuard {
    bool entityDeclared = false;
};

void RefuseEntityDeclaration(void* context, const xmlChar*, int, const xmlChar*, const xmlChar*, xmlChar*) {
    auto* ctxt = static_cast<xmlParserCtxtPtr>(context);
    if (auto* guard = static_cast<ParseGuard*>(ctxt->_private)) guard->entityDeclared = true;
    xmlStopParser(ctxt);
}

struct XPathContextDeleter {
    void operator()(xmlXPathContext* c) const { xmlXPathFreeContext(c); }
};
struct XPathObjectDeleter {
    void operator()(xmlXPathObject* o) const { xmlXPathFreeObject(o); }
};

}  // namespace

std::string Node::Name() const {
    return node_ ? ToStd(node_->name) : std::string();
}

std::string Node::Text() const {
    if (!node_) return {};
    xmlChar* content = xmlNodeGetContent(node_);
    std::string result = ToStd(content);
    xmlFree(content);
    return result;
}

std::optional<std::string> Node::Attribute(const std::string& name) const {
    if (!node_ || node_->type != XML_ELEMENT_NODE) return std::nullopt;
    if (!xmlHasProp(node_, X(name))) return std::nullopt;
    xmlChar* value = xmlGetProp(node_, X(name));
    std::string result = ToStd(value);
    xmlFree(value);
    return result;
}

std::vector<Node> Node::Children() const {
    std::vector<Node> result;
    if (!node_) return result;
    for (xmlNode* child = node_->children; child; child = child->next) {
        if (child->type == XML_ELEMENT_NODE) result.push_back(Node(document_, child));
    }
    return result;
}

Node Node::SelectSingleNode(const std::string& xpath) const {
    if (!node_ || !document_) return {};
    auto nodes = document_->Evaluate(node_, xpath);
    return nodes.empty() ? Node() : nodes.front();
}

std::vector<Node> Node::SelectNodes(const std::string& xpath) const {
    if (!node_ || !document_) return {};
    return document_->Evaluate(node_, xpath);
}

Node Node::AppendElement(const std::string& name) {
    if (!node_) return {};
    return Node(document_, xmlNewChild(node_, nullptr, X(name), nullptr));
}

void Node::SetAttribute(const std::string& name, const std::string& value) {
    if (node_) xmlSetProp(node_, X(name), X(value));
}

Document::Document() = default;
Document::~Document() {
    Reset();
}

Document::Document(Document&& other) noexcept
    : doc_(other.doc_), error_(std::move(other.error_)), namespaces_(std::move(other.namespaces_)) {
    other.doc_ = nullptr;
}

Document& Document::operator=(Document&& other) noexcept {
    if (this != &other) {
        Reset();
        doc_ = other.doc_;
        other.doc_ = nullptr;
        error_ = std::move(other.error_);
        namespaces_ = std::move(other.namespaces_);
    }
    return *this;
}

void Document::Reset() {
    if (doc_) xmlFreeDoc(doc_);
    doc_ = nullptr;
}

bool Document::LoadFile(const std::string& path) {
    Reset();
    error_ = {};
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        error_.systemError = errno;
        error_.reason = "The system cannot locate the object specified.";
        error_.code = -1;
        return false;
    }
    if (static_cast<size_t>(st.st_size) > kMaxSize) {
        error_.systemError = EFBIG;
        error_.reason = "The file is too large.";
        error_.code = -2;
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return LoadXml(ss.str());
}

bool Document::LoadXml(const std::string& text) {
    Reset();
    error_ = {};
    if (text.size() > kMaxSize) {
        error_.reason = "The document is too large.";
        error_.code = -2;
        return false;
    }
    xmlParserCtxtPtr ctxt = xmlNewParserCtxt();
    if (!ctxt) {
        error_.reason = "out of memory";
        return false;
    }
    ParseGuard guard;
    ctxt->_private = &guard;
    ctxt->sax->entityDecl = RefuseEntityDeclaration;
    doc_ = xmlCtxtReadMemory(ctxt, text.data(), static_cast<int>(text.size()), nullptr, nullptr, kParseOptions);
    if (guard.entityDeclared) {
        Reset();
        error_.reason = "The document declares an entity, which is not allowed.";
        error_.line = xmlSAX2GetLineNumber(ctxt);
        error_.code = -4;
    } else if (!doc_ || !xmlDocGetRootElement(doc_)) {
        const xmlError* err = xmlCtxtGetLastError(ctxt);
        if (err) {
            error_.reason = err->message ? err->message : "parse error";
            while (!error_.reason.empty() && (error_.reason.back() == '\n' || error_.reason.back() == ' ')) {
                error_.reason.pop_back();
            }
            error_.line = err->line;
            error_.linePos = err->int2;
            error_.code = err->code;
        } else {
            error_.reason = "The document has no root element.";
            error_.code = -3;
        }
        Reset();
    }
    xmlFreeParserCtxt(ctxt);
    return doc_ != nullptr;
}

void Document::CreateRoot(const std::string& name) {
    Reset();
    doc_ = xmlNewDoc(X("1.0"));
    xmlNode* root = xmlNewNode(nullptr, X(name));
    xmlDocSetRootElement(doc_, root);
}

void Document::AddProcessingInstruction(const std::string& name, const std::string& data) {
    if (!doc_) return;
    xmlNode* pi = xmlNewDocPI(doc_, X(name), X(data));
    xmlNode* root = xmlDocGetRootElement(doc_);
    if (root) {
        xmlAddPrevSibling(root, pi);
    } else {
        xmlAddChild(reinterpret_cast<xmlNode*>(doc_), pi);
    }
}

std::string Document::ToString() const {
    if (!doc_) return {};
    std::string result;
    for (xmlNode* node = doc_->children; node; node = node->next) {
        xmlBufferPtr buffer = xmlBufferCreate();
        xmlNodeDump(buffer, doc_, node, 0, 1);
        result += ToStd(xmlBufferContent(buffer));
        result += "\n";
        xmlBufferFree(buffer);
    }
    return result;
}

bool Document::SaveFile(const std::string& path) const {
    if (!doc_) return false;
    // A temporary file of this save's own, renamed over the old file once complete: a reader, or
    // another program saving the same file at the same moment, only ever sees a whole file.
    std::string temp = path + ".XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return false;
    const std::string text = ToString();
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    const bool complete = written == text.size() && fsync(fd) == 0;
    if (close(fd) != 0 || !complete || std::rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    return true;
}

Node Document::Root() const {
    return doc_ ? Node(this, xmlDocGetRootElement(doc_)) : Node();
}

void Document::RegisterNamespace(const std::string& prefix, const std::string& uri) {
    namespaces_[prefix] = uri;
}

Node Document::SelectSingleNode(const std::string& xpath) const {
    auto nodes = Evaluate(nullptr, xpath);
    return nodes.empty() ? Node() : nodes.front();
}

std::vector<Node> Document::SelectNodes(const std::string& xpath) const {
    return Evaluate(nullptr, xpath);
}

std::vector<Node> Document::Evaluate(xmlNode* context, const std::string& xpath) const {
    std::vector<Node> result;
    if (!doc_) return result;
    std::unique_ptr<xmlXPathContext, XPathContextDeleter> ctx(xmlXPathNewContext(doc_));
    if (!ctx) return result;
    for (const auto& [prefix, uri] : namespaces_) xmlXPathRegisterNs(ctx.get(), X(prefix), X(uri));
    ctx->node = context ? context : reinterpret_cast<xmlNode*>(doc_);
    std::unique_ptr<xmlXPathObject, XPathObjectDeleter> obj(xmlXPathEvalExpression(X(xpath), ctx.get()));
    if (!obj || obj->type != XPATH_NODESET || !obj->nodesetval) return result;
    for (int i = 0; i < obj->nodesetval->nodeNr; ++i) result.push_back(Node(this, obj->nodesetval->nodeTab[i]));
    return result;
}

}  // namespace jv::xml
