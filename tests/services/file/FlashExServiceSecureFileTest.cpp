#include "bridge/host/FlashExServiceManager.h"
#include "services/file/FlashExServiceFile.h"
#include "services/file/FlashExServiceSecureFile.h"
#include "MovaraTest.h"
#include "ServiceTestSupport.h"

using namespace movara_test;
using namespace service_test;

TEST(SecureFileService, LoadsPermittedTextKeepingTheUtf8Mark) {
    ScratchDir dir;
    writeBytes(dir / "bom.txt", "\xEF\xBB\xBF" + cp932ToUtf8("表"));
    FlashExServiceSecureFile secure{testPolicy()};
    FlashExServiceFile file{testPolicy(), testTempFolders()};
    std::string throughSecure = call(secure, "loadTextFile", {str(dir / "bom.txt"), str("UTF-8")})->getString();
    std::string throughFile = call(file, "loadTextFile", {str(dir / "bom.txt"), str("UTF-8")})->getString();
    EXPECT_EQ("表", throughFile);
    EXPECT_EQ("?表", throughSecure);  // the mark has no code page 932 form
    writeBytes(dir / "forbidden", "x");
    EXPECT_EQ("file access exception", failure(secure, "loadTextFile", {str(dir / "forbidden"), str("UTF-8")}));
    EXPECT_EQ("ファイルを読み込み用に開く事が出来ませんでした。",
              failure(secure, "loadTextFile", {str(dir / "none"), str("UTF-8")}));
}

TEST(SecureFileService, EveryOtherCommandFindsNoService) {
    FlashExServiceManager manager;
    manager.addService(std::make_unique<FlashExServiceSecureFile>(testPolicy()));
    for (const char* name : {"getFileNames", "saveTextFile", "fileExists", "loadtextfile"}) {
        FlashExRequest request;
        request.name = name;
        request.arguments.pushString("C:\\");
        try {
            manager.invoke(request);
            ADD_FAILURE() << name;
        } catch (const FlashExException& e) {
            EXPECT_EQ("呼び出された処理が見つかりませんでした。", e.getMessage()) << name;
        }
    }
}
