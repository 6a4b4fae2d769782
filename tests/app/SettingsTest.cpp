#include "MovaraTest.h"

#include "app/Settings.h"
#include "dom/MvDOMDocument.h"
#include "dom/MvDOMException.h"

using movara_test::ScratchDir;

namespace {

void expectDefaultSecurity(MvDOMDocument& document) {
    MvDOMNode& security = document.child("settings").child("security");
    EXPECT_EQ(security.getAttribute("oleEnabled"), "1");
    EXPECT_EQ(security.findChild("trusted").getText(), "%MVR_APP_PATH%\\trusted");
    const MvDOMNode& allow = security.findChild("fileAccess").findChild("allow");
    EXPECT_EQ(allow.getAttribute("match"), "*");
    EXPECT_EQ(allow.getAttribute("access"), "rwx");
}

}  // namespace

TEST(Settings, MissingFileOrADirectoryOfThatNameGivesTheDefaultsAndWritesNothing) {
    ScratchDir program;
    MvDOMDocument missing;
    loadSettings(missing, program.path());
    expectDefaultSecurity(missing);
    EXPECT_FALSE(movara_test::fileExists(program / "Movara.xml"));

    movara_test::makeDirectory(program / "Movara.xml");
    MvDOMDocument directory;
    loadSettings(directory, program.path());
    expectDefaultSecurity(directory);
}

TEST(Settings, AFileBesideTheProgramIsRead) {
    ScratchDir program;
    movara_test::writeBytes(program / "Movara.xml",
                            "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                            "<settings><security oleEnabled=\"0\"><trusted>C:\\信頼</trusted></security></settings>");
    MvDOMDocument document;
    loadSettings(document, program.path());
    MvDOMNode& security = document.child("settings").child("security");
    EXPECT_EQ(security.getAttribute("oleEnabled"), "0");
    EXPECT_EQ(security.findChild("trusted").getText(), "C:\\信頼");
}

TEST(Settings, ABadDeclarationFailsWithTheParsersMessage) {
    ScratchDir program;
    movara_test::writeBytes(program / "Movara.xml", "<?xml version=\"2.0\"?>\n<settings/>");
    MvDOMDocument document;
    try {
        loadSettings(document, program.path());
        FAIL() << "no exception";
    } catch (const MvDOMException& e) {
        EXPECT_STREQ(e.what(), "not support file");
    }
}
