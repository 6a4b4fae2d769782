// The font fix: the character-set correction with a recording forward
// function, the shared map under two threads, and the import patch of the
// stand-in player's DLL.
#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "tbx/MvException.h"
#include "raster/FontCharsetFix.h"
#include "MovaraTest.h"
#include "player/host/PlayerIds.h"

namespace {

// What the forward function was asked for.
std::vector<LOGFONTA> forwarded;
std::vector<const LOGFONTA*> forwardedPointers;
HFONT WINAPI recordingForward(const LOGFONTA* font) {
    forwardedPointers.push_back(font);
    if (font) forwarded.push_back(*font);
    return reinterpret_cast<HFONT>(static_cast<INT_PTR>(0x1234));
}

LOGFONTA request(const char* face, BYTE charset) {
    LOGFONTA font = {};
    font.lfHeight = -12;
    font.lfCharSet = charset;
    strncpy(font.lfFaceName, face, LF_FACESIZE - 1);
    return font;
}

void installedFamilies(FontCharsetMap::Charsets& charsets) {
    charsets["MS Gothic"] = SHIFTJIS_CHARSET;
    charsets["Arial"] = ANSI_CHARSET;
    charsets["Symbol"] = SYMBOL_CHARSET;
}

// The import slot of function in module's imports from dll, or null.
void** importSlot(HMODULE module, const char* dll, void* function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + reinterpret_cast<IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), dll) != 0) continue;
        for (auto** slot = reinterpret_cast<void**>(base + entry->FirstThunk); *slot; ++slot)
            if (*slot == function) return slot;
    }
    return nullptr;
}

}  // namespace

TEST(FontCharsetFix, RequestsGetTheirFamilysCharacterSet) {
    FontCharsetMap charsets(installedFamilies);
    struct Case {
        const char* face;
        BYTE requested;
        BYTE wanted;
    } cases[] = {
        {"MS Gothic", DEFAULT_CHARSET, SHIFTJIS_CHARSET},   // corrected
        {"MS Gothic", SHIFTJIS_CHARSET, SHIFTJIS_CHARSET},  // unchanged
        {"Arial", ANSI_CHARSET, ANSI_CHARSET},
        {"Arial", SHIFTJIS_CHARSET, ANSI_CHARSET},
        {"No Such Face", DEFAULT_CHARSET, ANSI_CHARSET},  // unknown faces count as 0
        {"ms gothic", DEFAULT_CHARSET, ANSI_CHARSET},     // names are compared exactly
    };
    for (const Case& c : cases) {
        forwarded.clear();
        forwardedPointers.clear();
        LOGFONTA font = request(c.face, c.requested);
        HFONT result = createFontWithFamilyCharset(&font, charsets, recordingForward);
        EXPECT_EQ(reinterpret_cast<HFONT>(static_cast<INT_PTR>(0x1234)), result);
        ASSERT_EQ(1u, forwarded.size());
        EXPECT_EQ(c.wanted, forwarded[0].lfCharSet) << c.face << " " << (int)c.requested;
        EXPECT_STREQ(c.face, forwarded[0].lfFaceName);
        EXPECT_EQ(-12, forwarded[0].lfHeight);
        // An unchanged request is forwarded as it came.
        EXPECT_EQ(c.requested == c.wanted, forwardedPointers[0] == &font) << c.face;
    }
    forwardedPointers.clear();
    createFontWithFamilyCharset(nullptr, charsets, recordingForward);
    ASSERT_EQ(1u, forwardedPointers.size());
    EXPECT_EQ(nullptr, forwardedPointers[0]);
}

TEST(FontCharsetFix, TheMapIsFilledOnceUnderConcurrentLookups) {
    std::atomic<int> fills{0};
    FontCharsetMap charsets([&](FontCharsetMap::Charsets& map) {
        ++fills;
        Sleep(50);  // a slow enumeration widens the race
        installedFamilies(map);
    });
    std::atomic<int> wrong{0};
    auto lookUp = [&](int seed) {
        for (int i = 0; i < 2000; ++i) {
            if (charsets.charsetOf("MS Gothic") != SHIFTJIS_CHARSET) ++wrong;
            if (charsets.charsetOf("Symbol") != SYMBOL_CHARSET) ++wrong;
            charsets.charsetOf("face " + std::to_string(seed * 10000 + i));  // adds entries meanwhile
        }
    };
    std::thread first(lookUp, 1), second(lookUp, 2);
    first.join();
    second.join();
    EXPECT_EQ(1, fills.load());
    EXPECT_EQ(0, wrong.load());
}

TEST(FontCharsetFix, ThePlayersImportIsRedirectedAndTheReplacementCreatesFonts) {
    HMODULE player = LoadLibraryA(player::kPlayerDllName);
    ASSERT_NE(nullptr, player);
    EXPECT_EQ(player, findPlayerModule());
    void* gdiFunction = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "CreateFontIndirectA"));
    void* replacement = reinterpret_cast<void*>(fontCharsetFixedCreateFontIndirectA);

    installFontCharsetFix();
    EXPECT_NE(nullptr, importSlot(player, "gdi32.dll", replacement));
    EXPECT_EQ(nullptr, importSlot(player, "gdi32.dll", gdiFunction));
    installFontCharsetFix();  // a second installation finds it done
    EXPECT_NE(nullptr, importSlot(player, "gdi32.dll", replacement));

    void* original = nullptr;
    EXPECT_EQ(ImportPatchResult::NoImportDirectory,
              patchImport(nullptr, "gdi32.dll", gdiFunction, replacement, &original));
    EXPECT_EQ(ImportPatchResult::NoSuchModule, patchImport(player, "nosuch.dll", gdiFunction, replacement, &original));
    EXPECT_EQ(ImportPatchResult::NoSuchFunction,
              patchImport(player, "gdi32.dll",
                          reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "CreateFontA")),
                          nullptr, &original));
    EXPECT_EQ(nullptr, original);

    // The replacement, called from two threads at once, makes real fonts.
    std::atomic<int> failures{0};
    auto makeFonts = [&](const char* face) {
        for (int i = 0; i < 300; ++i) {
            LOGFONTA font = request(face, DEFAULT_CHARSET);
            HFONT made = fontCharsetFixedCreateFontIndirectA(&font);
            if (!made) ++failures;
            DeleteObject(made);
        }
    };
    std::thread first(makeFonts, "IPAGothic"), second(makeFonts, "Tahoma");
    first.join();
    second.join();
    EXPECT_EQ(0, failures.load());
}
