#include "MovaraTest.h"
#include "tbx/TbException.h"
#include "tbx/TextConversion.h"

using namespace movara_test;

TEST(TextConversion, EveryDoubleByteCharacterOfCodePage932RoundTripsThroughUtf8AndUtf16) {
    std::string all;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!IsDBCSLeadByte((BYTE)lead)) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            char pair[3] = {(char)lead, (char)trail, 0};
            // Only characters that code page 932 maps both ways.
            std::u16string wide = multiByteToWide(pair, 932);
            if (wide.size() != 1 || wide[0] == 0x30FB) continue;
            if (wideToMultiByte(wide, 932) != pair) continue;
            all += pair;
        }
    }
    ASSERT_GT(all.size(), 14000u);
    std::string utf8 = wideToMultiByte(multiByteToWide(all, 0), 65001);
    EXPECT_EQ(all, wideToMultiByte(multiByteToWide(utf8, 65001), 0));
}

TEST(TextConversion, StopsAtNulAndLongTextsUseTheHeapPath) {
    EXPECT_EQ(u"ab", multiByteToWide(std::string("ab\0cd", 5), 0));
    std::string longText(1000, 'x');
    longText += "表";
    EXPECT_EQ(longText, wideToMultiByte(multiByteToWide(longText, 0), 0));
    EXPECT_EQ("", wideToMultiByte(u"", 0));
}

TEST(TextConversion, UnrepresentableCharactersBecomeTheDefaultCharacter) {
    std::string narrow = wideToMultiByte(u"a\u00E9b", 932);  // e acute is not in 932
    ASSERT_EQ(3u, narrow.size());
    EXPECT_EQ('a', narrow[0]);
    EXPECT_EQ('b', narrow[2]);
}
