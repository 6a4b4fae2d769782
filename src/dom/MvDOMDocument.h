#pragma once
#include <string>

#include "dom/MvDOMNode.h"

// The root of a document: its content (kind document) is the parent of the
// top-level nodes, and it keeps the attributes of the XML declaration.
class MvDOMDocument : public MvDOMNode {
public:
    // An empty document declaring version "1.0" and encoding "Shift_JIS".
    MvDOMDocument();
    ~MvDOMDocument() override;

    // Parses a file (CR LF read as LF); replaces children and declaration.
    void load(const std::string& path);
    // Parses a text up to its first NUL byte, without line-end translation.
    void loadXML(const std::string& text);

    const MvDOMAttributes& declaration() const { return declaration_; }

private:
    void parse(const std::string& input);

    MvDOMAttributes declaration_;
};
