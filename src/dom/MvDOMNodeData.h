#pragma once
#include <memory>
#include <string>
#include <vector>

#include "dom/MvDOMNode.h"

// The shared content behind MvDOMNode handles.
class MvDOMNodeData {
public:
    MvDOMNodeData() = default;
    MvDOMNodeData(int kind, const std::string& name, const std::string& value, void* userData)
        : kind(kind), name(name), value(value), userData(userData) {}
    virtual ~MvDOMNodeData();
    MvDOMNodeData(const MvDOMNodeData&) = delete;
    MvDOMNodeData& operator=(const MvDOMNodeData&) = delete;

    int kind = MvDOM_NONE;
    std::string name;
    std::string value;
    MvDOMAttributes attributes;
    void* userData = nullptr;
    int refCount = 1;
    std::vector<std::unique_ptr<MvDOMNode>> children;
    // The handle this node was appended under; kept for callers, never read here.
    MvDOMNode* parent = nullptr;
};
