#include "services/file/LogFile.h"

#include "tbx/FlashExException.h"

namespace {

std::string withCrLf(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == '\n') out += '\r';
        out += *p;
    }
    return out;
}

}  // namespace

void LogFile::append(const char* text) {
    if (!file_) {
        file_.reset(CreateFileA("log", FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
        if (!file_) throw FlashExException("ログファイルが開けませんでした。");
    }
    if (!text || !*text) return;
    std::string bytes = withCrLf(text);
    DWORD written = 0;
    if (!WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
        throw FlashExException("ログファイルへの書き込みに失敗しました。");
    FlushFileBuffers(file_.get());
}

void appendLog(const char* text) {
    static LogFile log;
    log.append(text);
}
