#include "MovaraTest.h"
#include "PlayerHarness.h"
#include "framework/AutomationException.h"
#include "player/host/PlayerHost.h"
#include "player/host/PlayerIds.h"
#include "tbx/Handles.h"

#include <tlhelp32.h>

#include <cstring>

using namespace movara_test;

namespace {

class PlayerHosting : public ::testing::Test {
protected:
    PlayerThreadSetup setup;
    ScratchDir dir;
    PlayerDialog dialog;
    void SetUp() override { ASSERT_TRUE(dialog.Create()); }
};

}  // namespace

TEST_F(PlayerHosting, TheStandInIsHostedFromTheTemplateAndReportsReadyStateAfterThePutReturns) {
    EXPECT_EQ(std::string(player::kPlayerClsidText), player::playerControlText());
    ASSERT_TRUE(dialog.player().exists());
    ASSERT_NE(nullptr, dialog.player().controlWindow());

    std::string movie = writeMovie(dir / "movie.swf", "ExternalInterface.call('loaded');");
    dialog.calls().put(player::kDispMovie, tbx::Variant::fromAnsi(movie));
    // Nothing happens inside the put itself.
    EXPECT_TRUE(dialog.readyStates.empty());
    EXPECT_TRUE(dialog.flashCalls.empty());
    EXPECT_EQ(movie, dialog.calls().get(player::kDispMovie).toAnsi());
    ASSERT_TRUE(pumpUntil([&] { return !dialog.readyStates.empty(); }));
    EXPECT_EQ(std::vector<int>{4}, dialog.readyStates);
    // The top level has run by the time the movie is reported complete.
    EXPECT_EQ(1u, dialog.callsNamed("loaded").size());
}

TEST_F(PlayerHosting, ScriptFilesCompressedMoviesAndMissingMovies) {
    writeBytes(dir / "bare.js",
               "ExternalInterface.call('size', stage.width, stage.height, stage.backgroundColor, stage.frameRate);");
    ASSERT_TRUE(dialog.play(dir / "bare.js"));
    auto calls = dialog.callsNamed("size");
    ASSERT_EQ(1u, calls.size());
    EXPECT_EQ("<number>550</number><number>400</number><number>16777215</number><number>24</number>",
              argumentsOf(calls[0]));

    SwfOptions options;
    options.compressed = true;
    options.width = 320;
    options.height = 200;
    options.backgroundColor = 0x102030;
    options.frameRate = 12.5;
    ASSERT_TRUE(dialog.play(writeMovie(dir / "packed.swf",
                                       "ExternalInterface.call('size', stage.width, stage.height, "
                                       "stage.backgroundColor, stage.frameRate);",
                                       options)));
    calls = dialog.callsNamed("size");
    ASSERT_EQ(2u, calls.size());
    EXPECT_EQ("<number>320</number><number>200</number><number>1056816</number><number>12.5</number>",
              argumentsOf(calls[1]));

    dialog.readyStates.clear();
    dialog.calls().put(player::kDispMovie, tbx::Variant::fromAnsi(dir / "missing.swf"));
    ASSERT_TRUE(pumpPostedMessages()) << "the deferred load never ran";
    EXPECT_TRUE(dialog.readyStates.empty());
}

TEST_F(PlayerHosting, PaintingIntoAMemoryDcGivesTheStageColourAndTheDrawing) {
    SwfOptions options;
    options.width = 100;
    options.height = 80;
    options.backgroundColor = 0x336699;
    std::string movie = writeMovie(dir / "paint.swf",
                                   u8"graphics.fillRect(10, 20, 30, 40, 0xFF0000);"
                                   u8"graphics.drawText(60, 5, '表', 0x00FF00, 24);",
                                   options);
    ASSERT_TRUE(dialog.play(movie));
    HWND host = dialog.player().window();

    const COLORREF stageColour = RGB(0x33, 0x66, 0x99), red = RGB(0xFF, 0, 0);
    {
        PaintedPlayer painted(host, 100, 80);
        EXPECT_EQ(stageColour, painted.at(5, 5));
        EXPECT_EQ(red, painted.at(10, 20));
        EXPECT_EQ(red, painted.at(39, 59));
        EXPECT_EQ(stageColour, painted.at(40, 60));
        EXPECT_EQ(stageColour, painted.at(9, 30));
        int green = 0;
        for (int x = 60; x < 90; ++x)
            for (int y = 5; y < 35; ++y)
                if (GetGValue(painted.at(x, y)) > 0xC0 && GetRValue(painted.at(x, y)) < 0x80) ++green;
        EXPECT_GT(green, 20);  // the glyph was drawn
    }

    // Stretched to a window twice the stage's size, the drawing follows.
    dialog.calls().put("ScaleMode", tbx::Variant::fromInt(2));
    PaintedPlayer stretched(host, 200, 160);
    EXPECT_EQ(red, stretched.at(20, 40));
    EXPECT_EQ(red, stretched.at(79, 119));
    EXPECT_EQ(stageColour, stretched.at(81, 121));
}

TEST_F(PlayerHosting, SettingsAreStoredByNameAndUnknownMembersFail) {
    fw::DispatchCaller player = dialog.calls();
    for (const char* name : {"WMode", "Quality", "SAlign", "AllowNetworking", "AllowFullScreen"}) {
        DISPID id = player.idOf(name);
        player.put(id, tbx::Variant::fromAnsi(std::string(name) + " value"));
        EXPECT_EQ(std::string(name) + " value", player.get(id).toAnsi());
    }
    player.put(player.idOf("Playing"), tbx::Variant::fromBool(true));
    EXPECT_EQ(VT_BOOL, player.get(player.idOf("playing")).type());
    EXPECT_EQ(player::kDispMovie, player.idOf("Movie"));
    player.call(player.idOf("EnforceLocalSecurity"));
    EXPECT_THROW(player.idOf("NoSuchMember"), fw::AutomationException);
    EXPECT_THROW(player.call(4242), fw::AutomationException);
}

namespace {

// The import address table slot of `function` from `dll` in module, or null.
void** importSlot(HMODULE module, const char* dll, FARPROC function) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name;
         ++entry) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + entry->Name), dll) != 0) continue;
        for (auto** slot = reinterpret_cast<void**>(base + entry->FirstThunk); *slot; ++slot)
            if (*slot == reinterpret_cast<void*>(function)) return slot;
    }
    return nullptr;
}

}  // namespace

// The rasteriser's font fix finds the player as the module whose name
// contains "Flash" and patches its import of CreateFontIndirectA.
TEST_F(PlayerHosting, ThePlayerModuleIsNamedFlashAndImportsCreateFontIndirectA) {
    HMODULE module = GetModuleHandleA(player::kPlayerDllName);
    ASSERT_NE(nullptr, module);
    FARPROC createFont = GetProcAddress(GetModuleHandleA("gdi32.dll"), "CreateFontIndirectA");
    EXPECT_NE(nullptr, importSlot(module, "gdi32.dll", createFont));

    tbx::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
    ASSERT_TRUE(snapshot.valid());
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    bool listed = false;
    for (BOOL more = Module32First(snapshot.get(), &entry); more; more = Module32Next(snapshot.get(), &entry))
        if (entry.hModule == module) listed = strstr(entry.szModule, "Flash") != nullptr;
    EXPECT_TRUE(listed);
}

// A script movie goes to the stand-in, which alone can play it, unless the
// settings force Flash; the settings' text may force either player.
TEST(PlayerChoice, ScriptMoviesGoToTheStandInUnlessTheSettingsSayOtherwise) {
    using player::PlayerChoice;
    EXPECT_EQ(PlayerChoice::StandIn, player::playerChoiceFrom("  Stand-In\n"));
    EXPECT_EQ(PlayerChoice::Flash, player::playerChoiceFrom("flash"));
    EXPECT_EQ(PlayerChoice::Automatic, player::playerChoiceFrom(""));
    EXPECT_EQ(PlayerChoice::Automatic, player::playerChoiceFrom("other"));

    const std::string standIn = player::kPlayerClsidText;
    EXPECT_EQ(standIn, player::playerControlTextFor(true, PlayerChoice::Automatic));
    EXPECT_EQ(standIn, player::playerControlTextFor(false, PlayerChoice::StandIn));
    EXPECT_EQ(player::kFlashProgId, player::playerControlTextFor(true, PlayerChoice::Flash));
    EXPECT_EQ(player::playerControlText(), player::playerControlTextFor(false, PlayerChoice::Automatic));
}
