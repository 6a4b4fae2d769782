#include "dom/MvDOMNodeData.h"

// Children are released from a work list instead of by recursion, so that a
// deeply nested document cannot exhaust the stack when it is destroyed.
MvDOMNodeData::~MvDOMNodeData() {
    std::vector<std::unique_ptr<MvDOMNode>> pending = std::move(children);
    while (!pending.empty()) {
        std::unique_ptr<MvDOMNode> node = std::move(pending.back());
        pending.pop_back();
        MvDOMNodeData* content = node->content();
        if (content && content->refCount == 1) {
            for (auto& grandChild : content->children) pending.push_back(std::move(grandChild));
            content->children.clear();
        }
    }
}
