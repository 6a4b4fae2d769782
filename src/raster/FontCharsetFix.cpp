#include "raster/FontCharsetFix.h"

#include <tlhelp32.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "tbx/MvException.h"
#include "tbx/Handles.h"

namespace {

const char kNoSnapshot[] = "プロセスのスナップショット取得に失敗";
const char kNoImportDirectory[] = "プロセスのイメージディレクトリが見つかりません";
const char kNoModule[] = "モジュールが見つかりません";
const char kNoFunction[] = "関数が見つかりません";
const char kFontFixFailed[] =
    "Flashの日本語フォント変更に失敗しました。フォントが正しく表示されない可能性があります。メッセージ:%s";
const char kFontFixUnexpected[] = "Flashの日本語フォント処理の置き換えで予期しないエラーが起きました。";
const char kWarning[] = "警告";

// The function the replacement forwards to: the import slot's value before
// the patch (gdi32's own function).
std::atomic<CreateFontIndirectFn> forwardTo{nullptr};

int CALLBACK rememberFamily(const LOGFONTA* font, const TEXTMETRICA*, DWORD, LPARAM parameter) {
    auto* charsets = reinterpret_cast<FontCharsetMap::Charsets*>(parameter);
    (*charsets)[std::string(font->lfFaceName, strnlen(font->lfFaceName, LF_FACESIZE))] = font->lfCharSet;
    return 1;
}

// The module's import descriptors, or null when it has none.
const IMAGE_IMPORT_DESCRIPTOR* importDirectory(HMODULE module) {
    if (!module) return nullptr;
    auto* base = reinterpret_cast<const BYTE*>(module);
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE) return nullptr;
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0 || imports.Size == 0) return nullptr;
    return reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
}

// A player on another thread may call through the slot while it changes:
// the pointer is exchanged in one atomic write, under a protection that
// allows writing but not running, and the page gets its protection back.
bool writeSlot(void** slot, void* value) {
    DWORD previous = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &previous)) return false;
    InterlockedExchangePointer(slot, value);
    DWORD ignored = 0;
    VirtualProtect(slot, sizeof *slot, previous, &ignored);
    return true;
}

}  // namespace

BYTE FontCharsetMap::charsetOf(const std::string& face) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (charsets_.empty() && filler_) filler_(charsets_);
    // operator[] adds an unknown face with 0.
    return charsets_[face];
}

void enumerateScreenFontCharsets(FontCharsetMap::Charsets& charsets) {
    tbx::WindowDC screen(nullptr);
    EnumFontFamiliesA(screen.get(), nullptr, rememberFamily, reinterpret_cast<LPARAM>(&charsets));
}

FontCharsetMap& fontCharsets() {
    static FontCharsetMap charsets(enumerateScreenFontCharsets);
    return charsets;
}

HFONT createFontWithFamilyCharset(const LOGFONTA* request, FontCharsetMap& charsets, CreateFontIndirectFn forward) {
    if (!request) return forward(request);
    BYTE family = charsets.charsetOf(std::string(request->lfFaceName, strnlen(request->lfFaceName, LF_FACESIZE)));
    if (request->lfCharSet == family) return forward(request);
    LOGFONTA corrected = *request;
    corrected.lfCharSet = family;
    return forward(&corrected);
}

HFONT WINAPI fontCharsetFixedCreateFontIndirectA(const LOGFONTA* request) {
    CreateFontIndirectFn forward = forwardTo.load();
    if (!forward) forward = CreateFontIndirectA;
    return createFontWithFamilyCharset(request, fontCharsets(), forward);
}

ImportPatchResult patchImport(HMODULE module, const char* dll, void* target, void* replacement, void** original) {
    const IMAGE_IMPORT_DESCRIPTOR* descriptor = importDirectory(module);
    if (!descriptor) return ImportPatchResult::NoImportDirectory;
    auto* base = reinterpret_cast<BYTE*>(module);
    for (; descriptor->Name != 0; ++descriptor) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + descriptor->Name), dll) != 0) continue;
        for (auto** slot = reinterpret_cast<void**>(base + descriptor->FirstThunk); *slot; ++slot) {
            if (*slot == replacement) return ImportPatchResult::Patched;
            if (*slot != target) continue;
            *original = *slot;
            return writeSlot(slot, replacement) ? ImportPatchResult::Patched : ImportPatchResult::NoSuchFunction;
        }
        return ImportPatchResult::NoSuchFunction;
    }
    return ImportPatchResult::NoSuchModule;
}

HMODULE findPlayerModule() {
    tbx::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, 0));
    if (!snapshot) throw MvException(kNoSnapshot);
    HMODULE chosen = nullptr;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Module32First(snapshot.get(), &entry); more; more = Module32Next(snapshot.get(), &entry)) {
        if (strstr(entry.szModule, "Flash")) return entry.hModule;
        if (strncmp(entry.szModule, "Fl", 2) == 0) chosen = entry.hModule;
    }
    return chosen;
}

void installFontCharsetFix() {
    HMODULE gdi = GetModuleHandleA("gdi32.dll");
    void* target = gdi ? reinterpret_cast<void*>(GetProcAddress(gdi, "CreateFontIndirectA")) : nullptr;
    void* original = nullptr;
    // The forward is known before the slot changes, so the first redirected
    // call already has somewhere to go.
    forwardTo.store(reinterpret_cast<CreateFontIndirectFn>(target));
    switch (patchImport(findPlayerModule(), "gdi32.dll", target,
                        reinterpret_cast<void*>(fontCharsetFixedCreateFontIndirectA), &original)) {
        case ImportPatchResult::Patched:
            if (original) forwardTo.store(reinterpret_cast<CreateFontIndirectFn>(original));
            return;
        case ImportPatchResult::NoImportDirectory:
            throw MvException(kNoImportDirectory);
        case ImportPatchResult::NoSuchModule:
            throw MvException(kNoModule);
        case ImportPatchResult::NoSuchFunction:
            throw MvException(kNoFunction);
    }
}

void installFontCharsetFixOrWarn() {
    try {
        installFontCharsetFix();
    } catch (const MvException& e) {
        char text[1024];
        snprintf(text, sizeof text, kFontFixFailed, e.what());
        MessageBoxA(nullptr, text, kWarning, MB_OK);
    } catch (...) {
        MessageBoxA(nullptr, kFontFixUnexpected, nullptr, MB_OK);
    }
}
