#pragma once
#include <map>
#include <string>

class MvDOMNodeData;

// Node kinds; the numbers are the W3C DOM node types, 14 is our own.
enum MvDOMNodeKind {
    MvDOM_NONE = 0,
    MvDOM_ELEMENT = 1,
    MvDOM_TEXT = 3,
    MvDOM_CDATA = 4,
    MvDOM_COMMENT = 8,
    MvDOM_DOCUMENT = 9,
    MvDOM_DOCTYPE = 10,
    MvDOM_UNSUPPORTED = 14,
};

using MvDOMAttributes = std::map<std::string, std::string>;

// A light handle on shared, reference-counted node content. Copies share the
// content; a handle without content reads as an empty node. Child handles
// returned as pointers or references are owned by their parent's content.
class MvDOMNode {
public:
    MvDOMNode() = default;
    // Adopts content that was made with reference count 1.
    explicit MvDOMNode(MvDOMNodeData* content) : content_(content) {}
    MvDOMNode(const MvDOMNode& other);
    MvDOMNode& operator=(const MvDOMNode& other);

    virtual ~MvDOMNode();
    virtual MvDOMNode* appendChild(const MvDOMNode& node);
    virtual MvDOMNode* appendElement(const std::string& name);
    virtual MvDOMNode* appendText(const std::string& text);
    virtual MvDOMNode* appendNode(const std::string& name, const std::string& value, int kind, void* userData);
    virtual MvDOMNode removeChild(unsigned index);
    virtual bool removeChildren(const std::string& name);
    // Removes the index-th (counted from 1) text or CDATA child; true when one was removed.
    virtual bool removeText(unsigned index);
    virtual MvDOMNode* newClone() const;
    virtual MvDOMNode clone() const;
    // The first child of that name, or the shared null node.
    virtual const MvDOMNode& findChild(const std::string& name) const;
    // The first child of that name, appended as a new element when missing.
    virtual MvDOMNode& child(const std::string& name);
    virtual void* setUserData(void* p);
    virtual void* getUserData() const;
    virtual MvDOMNode* create() const;

    unsigned childCount() const;
    MvDOMNode* childAt(unsigned index) const;
    void clearChildren();
    std::string getName() const;
    std::string getValue() const;
    std::string getAttribute(const std::string& name) const;
    // Concatenated text and CDATA below an element or document, at any depth.
    std::string getText() const;

    int getKind() const;
    // All attributes, ordered by name; empty without content.
    const MvDOMAttributes& getAttributes() const;
    bool hasContent() const { return content_ != nullptr; }
    MvDOMNodeData* content() const { return content_; }

private:
    MvDOMNodeData* content_ = nullptr;
};

// The single shared empty node that failed look-ups return. It never gains
// content: appending under it raises MvDOMException.
class MvDOMNULLNode : public MvDOMNode {
public:
    static MvDOMNULLNode& instance();
    virtual bool isNull() const { return true; }

    MvDOMNULLNode(const MvDOMNULLNode&) = delete;
    MvDOMNULLNode& operator=(const MvDOMNULLNode&) = delete;

private:
    MvDOMNULLNode() = default;
};
