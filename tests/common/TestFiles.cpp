#include "TestFiles.h"

#include <stdexcept>
#include <vector>

namespace movara_test {

namespace {

std::string lastErrorText(const char* what, const std::string& path) {
    return std::string(what) + " " + path + " error=" + std::to_string(GetLastError());
}

std::string convert(UINT from, UINT to, const std::string& text) {
    if (text.empty()) return {};
    int wideLength = MultiByteToWideChar(from, 0, text.data(), (int)text.size(), nullptr, 0);
    std::u16string wide(wideLength, u'\0');
    MultiByteToWideChar(from, 0, text.data(), (int)text.size(), (LPWSTR)wide.data(), wideLength);
    int length = WideCharToMultiByte(to, 0, (LPCWSTR)wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    std::string out(length, '\0');
    WideCharToMultiByte(to, 0, (LPCWSTR)wide.data(), wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

}  // namespace

ScratchDir::ScratchDir() {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH) throw std::runtime_error("no temp folder");
    static LONG counter = 0;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = std::string(temp) + "mvtest_" + std::to_string(GetCurrentProcessId()) + "_" +
                                std::to_string(InterlockedIncrement(&counter));
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

ScratchDir::~ScratchDir() { removeTree(path_); }

std::string ScratchDir::operator/(const std::string& relative) const { return path_ + "\\" + relative; }

void writeBytes(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error(lastErrorText("cannot create", path));
    DWORD written = 0;
    BOOL ok = bytes.empty() || WriteFile(file, bytes.data(), (DWORD)bytes.size(), &written, nullptr);
    CloseHandle(file);
    if (!ok || written != bytes.size()) throw std::runtime_error(lastErrorText("cannot write", path));
}

std::string readBytes(const std::string& path) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error(lastErrorText("cannot open", path));
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool fileExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool directoryExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void makeDirectory(const std::string& path) {
    if (!CreateDirectoryA(path.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        throw std::runtime_error(lastErrorText("cannot create directory", path));
}

void removeTree(const std::string& path) {
    if (path.empty()) return;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // A link goes, never what it points at (another test's folder, say).
                if (!RemoveDirectoryA(child.c_str())) DeleteFileA(child.c_str());
            } else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                removeTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(path.c_str());
}

std::string utf8ToCp932(const std::string& utf8) { return convert(CP_UTF8, 932, utf8); }
std::string cp932ToUtf8(const std::string& cp932) { return convert(932, CP_UTF8, cp932); }

std::string executableDirectory() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string full(path, length);
    size_t slash = full.find_last_of('\\');
    return slash == std::string::npos ? std::string(".") : full.substr(0, slash);
}

std::string programDirectory() {
    std::string tests = executableDirectory();
    return tests.substr(0, tests.find_last_of('\\')) + "\\bin";
}

int runUnixProgram(const std::string& commandLine, const std::string& input, std::string& output) {
    // Wine starts a Unix program without a Windows process to wait on, and
    // does not connect it to pipes: the shell reads and writes files and
    // leaves its exit status last, under a name that appears only when complete.
    ScratchDir exchange;
    writeBytes(exchange / "in", input);
    auto quoted = [&](const char* name) { return "'" + unixPathOf(exchange / name) + "'"; };
    std::string script = "( " + commandLine + " ) <" + quoted("in") + " >" + quoted("out") + " 2>&1; echo $? >" +
                         quoted("status.tmp") + "; mv " + quoted("status.tmp") + " " + quoted("status");
    if (script.find('"') != std::string::npos) throw std::runtime_error("no double quotes in Unix commands");
    std::string command = "Z:\\bin\\sh -c \"" + script + "\"";
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        throw std::runtime_error(lastErrorText("cannot start", commandLine));
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
    for (int waited = 0; !fileExists(exchange / "status"); waited += 10) {
        if (waited > 300000) throw std::runtime_error("no end of " + commandLine);
        Sleep(10);
    }
    output = readBytes(exchange / "out");
    return std::stoi(readBytes(exchange / "status"));
}

std::string unixPathOf(const std::string& windowsPath) {
    // Wine's own kernel32 export; a test program only ever runs under Wine.
    std::u16string wide(windowsPath.size() + 1, u'\0');
    int length = MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, (LPWSTR)wide.data(), (int)wide.size());
    if (length <= 0) return {};
    using GetUnixFileName = char*(CDECL*)(const WCHAR*);
    auto convert = reinterpret_cast<GetUnixFileName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!convert) throw std::runtime_error("not running under Wine");
    char* unixName = convert((const WCHAR*)wide.data());
    if (!unixName) return {};
    std::string result(unixName);
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

}  // namespace movara_test
