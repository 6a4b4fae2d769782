#include "FakePlayerDispatch.h"
#include "bridge/host/CShockwaveflash1.h"
#include "MovaraTest.h"

TEST(CShockwaveflash1Test, PropertiesAndMethodsUseTheirDispatchIds) {
    FakePlayerDispatch fake;
    {
        CShockwaveflash1 player(&fake);
        EXPECT_EQ(2u, fake.references);
        player.SetMovie("C:\\映像\\表.swf");
        player.SetFlashVars("");
        player.SetQuality2("best");
        fake.movie = u"C:\\表.swf";
        EXPECT_EQ("C:\\表.swf", player.GetMovie());
        fake.onCallFunction = [](const std::u16string& text) { return text + u"!"; };
        EXPECT_EQ("<invoke/>日本!", player.CallFunction("<invoke/>日本"));
        player.SetReturnValue("<null/>");
        player.EnforceLocalSecurity();
        player.SetMovieByName("m.swf");
    }
    EXPECT_EQ(1u, fake.references);  // the wrapper released its reference

    struct Expected {
        DISPID id;
        WORD flags;
        bool namedPut;
        std::u16string text;
    };
    std::vector<Expected> expected = {
        {102, DISPATCH_PROPERTYPUT, true, u"C:\\映像\\表.swf"},
        {170, DISPATCH_PROPERTYPUT, true, u""},
        {141, DISPATCH_PROPERTYPUT, true, u"best"},
        {102, DISPATCH_PROPERTYGET, false, u""},
        {198, DISPATCH_METHOD, false, u"<invoke/>日本"},
        {199, DISPATCH_METHOD, false, u"<null/>"},
        {1001, DISPATCH_METHOD, false, u""},
        {102, DISPATCH_PROPERTYPUT, true, u"m.swf"},
    };
    ASSERT_EQ(expected.size(), fake.calls.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].id, fake.calls[i].id) << i;
        EXPECT_EQ(expected[i].flags, fake.calls[i].flags) << i;
        EXPECT_EQ(expected[i].namedPut, fake.calls[i].namedPut) << i;
        EXPECT_EQ(expected[i].text, fake.calls[i].text) << i;
        bool hasString = fake.calls[i].id != 1001 && fake.calls[i].flags != DISPATCH_PROPERTYGET;
        EXPECT_EQ(hasString ? std::vector<VARTYPE>{VT_BSTR} : std::vector<VARTYPE>{}, fake.calls[i].types) << i;
    }
}

TEST(CShockwaveflash1Test, FailedCallsRaiseDispatchExceptions) {
    FakePlayerDispatch fake;
    CShockwaveflash1 player(&fake);
    fake.failure = DISP_E_MEMBERNOTFOUND;
    try {
        player.CallFunction("<invoke name=\"missing\"/>");
        FAIL() << "no exception";
    } catch (const FlashExDispatchException& e) {
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, e.result());
        EXPECT_EQ("CallFunction", e.operation());
    }
    EXPECT_THROW(player.SetReturnValue("<null/>"), FlashExDispatchException);

    CShockwaveflash1 absent;
    EXPECT_FALSE(absent.exists());
    EXPECT_THROW(absent.SetMovie("x"), FlashExDispatchException);
    EXPECT_THROW(absent.EnforceLocalSecurity(), FlashExDispatchException);
}
