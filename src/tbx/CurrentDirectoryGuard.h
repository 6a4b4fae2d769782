#pragma once
#include <string>

// Makes a directory the process's current directory for the guard's
// lifetime, or only keeps the current one, and restores the previous one
// afterwards, also when an exception passes. Throws TbException
// "カレントディレクトリが取得できませんでした。" when the current directory
// cannot be read.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard();
    explicit CurrentDirectoryGuard(const std::string& directory);
    ~CurrentDirectoryGuard();
    CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
    CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

private:
    std::string previous_;
};
