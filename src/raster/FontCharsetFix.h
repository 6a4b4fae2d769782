#pragma once
#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>

// The player draws Japanese text only when the font it asks for carries the
// character set of the installed family. The fix redirects the player
// module's import of CreateFontIndirectA to a function that corrects the
// requested character set to the family's.

using CreateFontIndirectFn = HFONT(WINAPI*)(const LOGFONTA*);

// Face name -> character set of the installed font families, filled on first
// use. Safe under concurrent calls from several threads.
class FontCharsetMap {
public:
    using Charsets = std::map<std::string, BYTE>;
    using Filler = std::function<void(Charsets&)>;

    explicit FontCharsetMap(Filler filler) : filler_(std::move(filler)) {}
    // The family's character set; a face that is not installed is added with 0.
    BYTE charsetOf(const std::string& face);

private:
    std::mutex mutex_;
    Charsets charsets_;
    Filler filler_;
};

// The families of the screen's device context; a later family of the same
// name overwrites an earlier one.
void enumerateScreenFontCharsets(FontCharsetMap::Charsets& charsets);

// The process-wide map over the screen's families.
FontCharsetMap& fontCharsets();

// Creates the font through forward, with the family's character set when the
// request asks for another one, otherwise with the request unchanged.
HFONT createFontWithFamilyCharset(const LOGFONTA* request, FontCharsetMap& charsets, CreateFontIndirectFn forward);

// The replacement of CreateFontIndirectA written into the player's imports.
HFONT WINAPI fontCharsetFixedCreateFontIndirectA(const LOGFONTA* request);

enum class ImportPatchResult { Patched = 0, NoImportDirectory = 1, NoSuchModule = 2, NoSuchFunction = 3 };

// Writes replacement over module's import slot of the function that
// `target` is, imported from dll (compared ignoring case). The slot's
// previous value goes to *original, the slot's protection is restored. A
// slot that already holds replacement counts as patched and is left alone.
ImportPatchResult patchImport(HMODULE module, const char* dll, void* target, void* replacement, void** original);

// The player module: the first module of the process whose name contains
// "Flash", else the last whose name begins with "Fl"; null when none.
HMODULE findPlayerModule();

// Patches the player module's CreateFontIndirectA. Throws MvException.
void installFontCharsetFix();
// The same, telling the user in a box when it fails (Japanese text may then
// draw wrongly); the player module must be loaded, and no player of this
// thread should run yet.
void installFontCharsetFixOrWarn();
