#include "MovaraTest.h"
#include "dom/MvDOMDocument.h"
#include "dom/MvDOMException.h"
TEST(MvDOMNode, Smoke) {
    MvDOMDocument doc;
    EXPECT_EQ(0u, doc.childCount());
}
