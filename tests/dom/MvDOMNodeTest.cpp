#include <memory>

#include "MovaraTest.h"
#include "dom/MvDOMDocument.h"
#include "dom/MvDOMException.h"
#include "dom/MvDOMNodeData.h"

namespace {

std::string childNames(const MvDOMNode& node) {
    std::string names;
    for (unsigned i = 0; i < node.childCount(); ++i) names += node.childAt(i)->getName() + ",";
    return names;
}

bool isTheNullNode(const MvDOMNode& node) { return &node == &MvDOMNULLNode::instance(); }

}  // namespace

TEST(MvDOMNode, LookUpsByNameNeverFail) {
    MvDOMDocument doc;
    MvDOMNode* root = doc.appendElement("root");
    root->appendText("t");
    root->appendElement("Item");

    const MvDOMNode& missing = root->findChild("item");  // names are case-sensitive
    ASSERT_TRUE(isTheNullNode(missing));
    EXPECT_TRUE(MvDOMNULLNode::instance().isNull());
    EXPECT_EQ(0u, missing.childCount());
    EXPECT_EQ("", missing.getName());
    EXPECT_EQ("", missing.getText());
    EXPECT_EQ("", missing.getAttribute("x"));
    EXPECT_TRUE(isTheNullNode(missing.findChild("deeper")));
    EXPECT_EQ("", root->findChild("#text").getAttribute("x"));
    EXPECT_EQ("", root->getAttribute("absent"));

    MvDOMNode& created = root->child("settings");
    EXPECT_EQ(&created, &root->child("settings"));
    EXPECT_EQ(MvDOM_ELEMENT, created.getKind());
    EXPECT_EQ("#text,Item,settings,", childNames(*root));
}

TEST(MvDOMNode, TheNullNodeNeverGainsContent) {
    MvDOMNULLNode& null = MvDOMNULLNode::instance();
    EXPECT_THROW(null.appendElement("x"), MvDOMException);
    EXPECT_THROW(null.child("x"), MvDOMException);
    EXPECT_THROW(null.appendChild(MvDOMNode()), MvDOMException);
    int data = 0;
    EXPECT_EQ(nullptr, null.setUserData(&data));
    EXPECT_EQ(nullptr, null.getUserData());
    EXPECT_FALSE(null.hasContent());
    EXPECT_THROW(null.removeChild(0), MvDOMException);
    EXPECT_THROW(null.removeText(0), MvDOMException);
    EXPECT_THROW(null.childAt(0), MvDOMException);
}

TEST(MvDOMNode, GetTextJoinsTextAndCdataAtAnyDepthInDocumentOrder) {
    MvDOMDocument doc;
    MvDOMNode* e = doc.appendElement("e");
    e->appendText("1");
    MvDOMNode* inner = e->appendElement("inner");
    inner->appendText("2");
    inner->appendNode("#comment", "no", MvDOM_COMMENT, nullptr);
    inner->appendText("3");
    e->appendNode("#CDATA", "4", MvDOM_CDATA, nullptr);
    e->appendNode("#unsupport", "?pi?", MvDOM_UNSUPPORTED, nullptr);
    e->appendNode("#DOCTYPE", "x", MvDOM_DOCTYPE, nullptr);

    EXPECT_EQ("1234", e->getText());
    EXPECT_EQ("1234", doc.getText());
    EXPECT_EQ("", e->childAt(0)->getText());  // a text node's text is its value
    EXPECT_EQ("1", e->childAt(0)->getValue());
}

TEST(MvDOMNode, RemovalsByIndexAndByName) {
    MvDOMDocument doc;
    MvDOMNode* e = doc.appendElement("e");
    for (const char* name : {"x", "y", "z", "y"}) e->appendElement(name);
    EXPECT_TRUE(e->removeChildren("y"));
    EXPECT_EQ("x,z,", childNames(*e));

    try {
        e->removeChild(2);
        ADD_FAILURE() << "no exception";
    } catch (const MvDOMException& error) {
        EXPECT_STREQ("out of index", error.what());
    }
    EXPECT_THROW(e->childAt(2), MvDOMException);
    EXPECT_EQ("x,z,", childNames(*e));

    MvDOMNode removed = e->removeChild(0);
    EXPECT_EQ("x", removed.getName());
    EXPECT_EQ("z,", childNames(*e));

    // removeText counts text and CDATA children from 1.
    MvDOMNode* t = doc.appendElement("t");
    t->appendText("a");
    t->appendElement("b");
    t->appendNode("#CDATA", "c", MvDOM_CDATA, nullptr);
    t->appendText("d");
    EXPECT_TRUE(t->removeText(2));
    EXPECT_EQ("ad", t->getText());
    EXPECT_FALSE(t->removeText(0));
    EXPECT_THROW(t->removeText(3), MvDOMException);
    EXPECT_EQ("#text,b,#text,", childNames(*t));
}

TEST(MvDOMNode, HandlesShareContentAndKeepItAlive) {
    MvDOMNode kept;
    {
        MvDOMDocument doc;
        MvDOMNode* e = doc.appendElement("e");
        e->appendText("text");
        kept = *e;
        MvDOMNode alias = *e;
        alias.appendElement("added");
        EXPECT_EQ(2u, e->childCount());  // same content
        doc.clearChildren();
        EXPECT_EQ(0u, doc.childCount());
    }
    EXPECT_EQ("e", kept.getName());
    EXPECT_EQ("text", kept.getText());
    EXPECT_EQ(2u, kept.childCount());

    kept = kept;  // self-assignment keeps the content
    EXPECT_EQ("e", kept.getName());
}

TEST(MvDOMNode, ClonesAreDeepButShareUserData) {
    int marker = 0;
    MvDOMDocument doc;
    MvDOMNode* source = doc.appendElement("source");
    source->content()->attributes["a"] = "1";
    source->appendElement("child")->setUserData(&marker);

    MvDOMNode copy = source->clone();
    copy.appendElement("extra");
    copy.childAt(0)->appendText("deep");
    copy.content()->attributes["a"] = "2";

    EXPECT_EQ("child,", childNames(*source));
    EXPECT_EQ("", source->getText());
    EXPECT_EQ("1", source->getAttribute("a"));
    EXPECT_EQ("child,extra,", childNames(copy));
    EXPECT_EQ(&marker, copy.childAt(0)->getUserData());

    // appendChild appends a copy; a node without content becomes empty content.
    MvDOMNode* appended = doc.appendChild(*source);
    EXPECT_NE(source->content(), appended->content());
    EXPECT_EQ("child,", childNames(*appended));
    MvDOMNode* empty = doc.appendChild(MvDOMNode());
    EXPECT_TRUE(empty->hasContent());
    EXPECT_EQ(MvDOM_NONE, empty->getKind());
    MvDOMNode* self = source->appendChild(*source);
    EXPECT_EQ("child,", childNames(*self));

    std::unique_ptr<MvDOMNode> none(MvDOMNode().newClone());
    EXPECT_FALSE(none->hasContent());
}

TEST(MvDOMNode, DeeplyNestedTreesAreWalkedAndFreedWithoutRecursion) {
    MvDOMDocument doc;
    MvDOMNode* node = &doc;
    for (int i = 0; i < 200000; ++i) node = node->appendElement("n");
    node->appendText("leaf");
    EXPECT_EQ("leaf", doc.getText());
    doc.clearChildren();
    EXPECT_EQ(0u, doc.childCount());
}
