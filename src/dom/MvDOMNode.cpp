#include "dom/MvDOMNode.h"

#include <utility>

#include "dom/MvDOMException.h"
#include "dom/MvDOMNodeData.h"

namespace {

const MvDOMAttributes emptyAttributes;

void requireIndex(const MvDOMNodeData* content, unsigned index) {
    if (!content || index >= content->children.size()) throw MvDOMException("out of index");
}

bool isText(const MvDOMNodeData* content) {
    return content && (content->kind == MvDOM_TEXT || content->kind == MvDOM_CDATA);
}

}  // namespace

MvDOMNode::MvDOMNode(const MvDOMNode& other) : content_(other.content_) {
    if (content_) ++content_->refCount;
}

MvDOMNode& MvDOMNode::operator=(const MvDOMNode& other) {
    MvDOMNodeData* previous = std::exchange(content_, other.content_);
    if (content_) ++content_->refCount;
    if (previous && --previous->refCount == 0) delete previous;
    return *this;
}

MvDOMNode::~MvDOMNode() {
    if (content_ && --content_->refCount == 0) delete content_;
}

MvDOMNode* MvDOMNode::appendChild(const MvDOMNode& node) {
    // The null node is shared by every failed look-up; giving it children
    // would make them appear under every missing name.
    if (!content_) throw MvDOMException("can not append to null node");
    std::unique_ptr<MvDOMNode> copy(node.newClone());
    if (!copy->content_) copy->content_ = new MvDOMNodeData();
    copy->content_->parent = this;
    content_->children.push_back(std::move(copy));
    return content_->children.back().get();
}

MvDOMNode* MvDOMNode::appendElement(const std::string& name) {
    return appendNode(name, std::string(), MvDOM_ELEMENT, nullptr);
}

MvDOMNode* MvDOMNode::appendText(const std::string& text) { return appendNode("#text", text, MvDOM_TEXT, nullptr); }

MvDOMNode* MvDOMNode::appendNode(const std::string& name, const std::string& value, int kind, void* userData) {
    if (!content_) throw MvDOMException("can not append to null node");
    std::unique_ptr<MvDOMNode> node(create());
    node->content_ = new MvDOMNodeData(kind, name, value, userData);
    node->content_->parent = this;
    content_->children.push_back(std::move(node));
    return content_->children.back().get();
}

MvDOMNode MvDOMNode::removeChild(unsigned index) {
    requireIndex(content_, index);
    auto& children = content_->children;
    MvDOMNode removed(*children[index]);
    children.erase(children.begin() + index);
    if (removed.content_) removed.content_->parent = nullptr;
    return removed;
}

bool MvDOMNode::removeChildren(const std::string& name) {
    if (!content_) return true;
    auto& children = content_->children;
    for (size_t i = children.size(); i-- > 0;) {
        if (children[i]->getName() == name) children.erase(children.begin() + i);
    }
    return true;
}

bool MvDOMNode::removeText(unsigned index) {
    requireIndex(content_, index);
    auto& children = content_->children;
    unsigned count = 0;
    for (size_t i = 0; i < children.size(); ++i) {
        if (isText(children[i]->content_) && ++count == index) {
            children.erase(children.begin() + i);
            return true;
        }
    }
    return false;
}

MvDOMNode* MvDOMNode::newClone() const {
    std::unique_ptr<MvDOMNode> copy(create());
    if (!content_) return copy.release();
    MvDOMNodeData* source = content_;
    copy->content_ = new MvDOMNodeData(source->kind, source->name, source->value, source->userData);
    copy->content_->attributes = source->attributes;
    copy->content_->parent = source->parent;
    for (const auto& child : source->children) copy->content_->children.emplace_back(child->newClone());
    return copy.release();
}

MvDOMNode MvDOMNode::clone() const {
    std::unique_ptr<MvDOMNode> copy(newClone());
    return *copy;
}

const MvDOMNode& MvDOMNode::findChild(const std::string& name) const {
    if (content_) {
        for (const auto& child : content_->children) {
            if (child->getName() == name) return *child;
        }
    }
    return MvDOMNULLNode::instance();
}

MvDOMNode& MvDOMNode::child(const std::string& name) {
    if (content_) {
        for (const auto& child : content_->children) {
            if (child->getName() == name) return *child;
        }
    }
    return *appendElement(name);
}

void* MvDOMNode::setUserData(void* p) {
    if (!content_) return nullptr;
    content_->userData = p;
    return p;
}

void* MvDOMNode::getUserData() const { return content_ ? content_->userData : nullptr; }

MvDOMNode* MvDOMNode::create() const { return new MvDOMNode(); }

unsigned MvDOMNode::childCount() const { return content_ ? static_cast<unsigned>(content_->children.size()) : 0; }

MvDOMNode* MvDOMNode::childAt(unsigned index) const {
    requireIndex(content_, index);
    return content_->children[index].get();
}

void MvDOMNode::clearChildren() {
    if (content_) content_->children.clear();
}

std::string MvDOMNode::getName() const { return content_ ? content_->name : std::string(); }

std::string MvDOMNode::getValue() const { return content_ ? content_->value : std::string(); }

std::string MvDOMNode::getAttribute(const std::string& name) const {
    if (!content_) return std::string();
    auto found = content_->attributes.find(name);
    return found == content_->attributes.end() ? std::string() : found->second;
}

// Walks the subtree with an explicit stack (deep documents must not exhaust
// the machine stack); text and CDATA are collected in document order.
std::string MvDOMNode::getText() const {
    std::string text;
    if (!content_ || (content_->kind != MvDOM_ELEMENT && content_->kind != MvDOM_DOCUMENT)) return text;
    struct Position {
        const MvDOMNodeData* node;
        size_t next;
    };
    std::vector<Position> stack{{content_, 0}};
    while (!stack.empty()) {
        Position& top = stack.back();
        if (top.next == top.node->children.size()) {
            stack.pop_back();
            continue;
        }
        const MvDOMNodeData* child = top.node->children[top.next++]->content_;
        if (!child) continue;
        if (child->kind == MvDOM_ELEMENT) {
            stack.push_back({child, 0});
        } else if (isText(child)) {
            text += child->value;
        }
    }
    return text;
}

int MvDOMNode::getKind() const { return content_ ? content_->kind : MvDOM_NONE; }

const MvDOMAttributes& MvDOMNode::getAttributes() const { return content_ ? content_->attributes : emptyAttributes; }

MvDOMNULLNode& MvDOMNULLNode::instance() {
    static MvDOMNULLNode nullNode;
    return nullNode;
}
