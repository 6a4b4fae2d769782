#pragma once
#include <windows.h>

#include <string>

namespace movara_test {

// A fresh directory under the Wine temp folder, removed with everything in it
// when the object goes out of scope. path() ends without a separator.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::string& path() const { return path_; }
    // path() + "\\" + relative
    std::string operator/(const std::string& relative) const;

private:
    std::string path_;
};

// Exact bytes in and out of files, through Win32 (no text-mode translation).
void writeBytes(const std::string& path, const std::string& bytes);
std::string readBytes(const std::string& path);
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);
void makeDirectory(const std::string& path);
void removeTree(const std::string& path);

// Bytes of a narrow text converted from UTF-8 (test sources are UTF-8, the
// program's texts are code page 932).
std::string utf8ToCp932(const std::string& utf8);
std::string cp932ToUtf8(const std::string& cp932);

// The directory that holds the running test executable (the build's tests/).
std::string executableDirectory();
// The program's folder (the build's bin/): movara.exe, the player DLL, mkswf,
// the demo movie.
std::string programDirectory();

// Runs a command line of the Linux machine that Wine runs on (GNU tar, iconv),
// through the Unix shell, with the given standard input; answers its exit
// code and collects its standard output and error. No double quotes in it.
int runUnixProgram(const std::string& commandLine, const std::string& input, std::string& output);
// The Unix path of a Windows path (through Wine's Z: mapping of the root).
std::string unixPathOf(const std::string& windowsPath);

}  // namespace movara_test
