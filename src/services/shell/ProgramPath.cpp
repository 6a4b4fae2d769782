#include "services/shell/ProgramPath.h"

#include "tbx/FlashExException.h"
#include "services/common/PathUtilities.h"
#include "tbx/PathString.h"

std::string programPathOf(const std::string& commandLine) {
    if (commandLine.size() <= 2) return commandLine;
    // Both searches walk by characters, so a trail byte is never taken for
    // a mark or a blank.
    if (commandLine[0] == '"') {
        size_t closing = tbx::find_character(commandLine, '"', 1);
        if (closing == std::string::npos) throw FlashExException("実行コマンド文字列の形式が不正です。");
        return commandLine.substr(1, closing - 1);
    }
    for (size_t blank = tbx::find_character(commandLine, ' '); blank != std::string::npos;
         blank = tbx::find_character(commandLine, ' ', blank + 1)) {
        std::string prefix = commandLine.substr(0, blank);
        if (isExistingFile(prefix)) return prefix;
    }
    return commandLine;
}
