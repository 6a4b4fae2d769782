#include "services/file/TextFile.h"

#include <windows.h>

#include <vector>

#include "tbx/FlashExException.h"
#include "tbx/Handles.h"
#include "tbx/TextConversion.h"

namespace {

const UINT kUtf8 = 65001;

bool sameName(const char* a, const char* b) { return lstrcmpiA(a, b) == 0; }

void writeAll(HANDLE file, const void* data, size_t size) {
    DWORD written = 0;
    if (size != 0 && (!WriteFile(file, data, static_cast<DWORD>(size), &written, nullptr) || written != size))
        throw FlashExException("ファイルの書き込みに失敗しました。");
}

std::vector<char> readAll(HANDLE file) {
    LARGE_INTEGER size;
    // Text is held in memory whole; a file beyond what a 32-bit size can say is not text we can take.
    if (!GetFileSizeEx(file, &size) || size.QuadPart > 0x7FFFFFF0LL)
        throw FlashExException("ファイルの読み込みに失敗しました。");
    std::vector<char> buffer(static_cast<size_t>(size.QuadPart) + 2, '\0');
    size_t total = 0;
    while (total < static_cast<size_t>(size.QuadPart)) {
        DWORD got = 0;
        if (!ReadFile(file, buffer.data() + total, static_cast<DWORD>(size.QuadPart - total), &got, nullptr))
            throw FlashExException("ファイルの読み込みに失敗しました。");
        if (got == 0) break;
        total += got;
    }
    buffer[total] = buffer[total + 1] = '\0';
    return buffer;
}

}  // namespace

TextCharset textCharsetFromName(const char* name) {
    if (name) {
        if (sameName(name, "UTF-8")) return TextCharset::CharsetUtf8;
        if (sameName(name, "Shift_JIS") || sameName(name, "Windows-31J")) return TextCharset::CharsetNative;
        if (sameName(name, "UTF-16")) return TextCharset::CharsetUtf16;
    }
    throw FlashExException("テキストファイルのエンコードの指定が正しくないか、対応していないエンコードです。");
}

void writeTextFile(const char* path, const char* text, const char* charset) {
    TextCharset kind = textCharsetFromName(charset);
    if (!text) text = "";
    tbx::FileHandle file(
        CreateFileA(path, GENERIC_WRITE, tbx::kStreamSharing, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FlashExException("ファイルを書き込み用に開く事が出来ませんでした。");
    switch (kind) {
        case TextCharset::CharsetUtf8: {
            std::string bytes = wideToMultiByte(multiByteToWide(text, CP_ACP), kUtf8);
            writeAll(file.get(), bytes.data(), bytes.size());
            break;
        }
        case TextCharset::CharsetNative:
            writeAll(file.get(), text, strlen(text));
            break;
        case TextCharset::CharsetUtf16: {
            std::u16string wide = multiByteToWide(text, CP_ACP);
            writeAll(file.get(), wide.data(), wide.size() * sizeof(char16_t));
            break;
        }
    }
}

std::string readTextFile(const char* path, const char* charset, bool skipUtf8Bom) {
    tbx::FileHandle file(
        CreateFileA(path, GENERIC_READ, tbx::kStreamSharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) throw FlashExException("ファイルを読み込み用に開く事が出来ませんでした。");
    TextCharset kind = textCharsetFromName(charset);
    std::vector<char> buffer = readAll(file.get());
    switch (kind) {
        case TextCharset::CharsetUtf16: {
            // Copied out so that the units are aligned whatever the buffer's address.
            std::u16string wide((buffer.size() + 1) / 2, u'\0');
            memcpy(&wide[0], buffer.data(), buffer.size() & ~size_t(1));
            return wideToMultiByte(wide.c_str(), CP_ACP);
        }
        case TextCharset::CharsetNative:
            return std::string(buffer.data());
        case TextCharset::CharsetUtf8: {
            const char* start = buffer.data();
            size_t length = buffer.size() - 2;
            if (skipUtf8Bom && length > 2 && memcmp(start, "\xEF\xBB\xBF", 3) == 0) start += 3;
            return wideToMultiByte(multiByteToWide(start, kUtf8), CP_ACP);
        }
    }
    return std::string();
}
