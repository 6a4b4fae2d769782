// The floor of archive creation on this system: the least Windows program
// doing its file work. It walks a tree, opens, reads and closes every file
// once, and writes what it read (then zeros up to the archive's size) to one
// output file through a 1 MB buffer. Prints the milliseconds of the fastest
// run, timed by the clock as file_bench times archive creation.
//   archive_floor TREE OUTPUT BYTES RUNS
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const size_t kBufferSize = 1 << 20;

class Output {
public:
    Output(const char* path, std::vector<char>& buffer) : buffer_(buffer) {
        file_ = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    ~Output() {
        flush();
        CloseHandle(file_);
    }
    bool valid() const { return file_ != INVALID_HANDLE_VALUE; }
    // Reads the whole file straight into the buffer, flushing it when full.
    void readFrom(HANDLE in, ULONGLONG size) {
        while (size > 0) {
            if (used_ == buffer_.size()) flush();
            DWORD want = (DWORD)std::min<ULONGLONG>(size, buffer_.size() - used_);
            DWORD got = 0;
            if (!ReadFile(in, buffer_.data() + used_, want, &got, nullptr) || got == 0) return;
            used_ += got;
            size -= got;
            written_ += got;
        }
    }
    void padTo(ULONGLONG total) {
        while (written_ < total) {
            if (used_ == buffer_.size()) flush();
            size_t take = (size_t)std::min<ULONGLONG>(total - written_, buffer_.size() - used_);
            memset(buffer_.data() + used_, 0, take);
            used_ += take;
            written_ += take;
        }
    }

private:
    void flush() {
        DWORD done = 0;
        if (used_ > 0) WriteFile(file_, buffer_.data(), (DWORD)used_, &done, nullptr);
        used_ = 0;
    }
    HANDLE file_;
    std::vector<char>& buffer_;
    size_t used_ = 0;
    ULONGLONG written_ = 0;
};

void copyTree(const std::string& folder, Output& out) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileExA((folder + "\\*").c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch,
                                     nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        const char* name = entry.cFileName;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        std::string path = folder + "\\" + name;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            copyTree(path, out);
            continue;
        }
        HANDLE in = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (in == INVALID_HANDLE_VALUE) continue;
        out.readFrom(in, ((ULONGLONG)entry.nFileSizeHigh << 32) | entry.nFileSizeLow);
        CloseHandle(in);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: archive_floor TREE OUTPUT BYTES RUNS\n");
        return 2;
    }
    const ULONGLONG bytes = std::strtoull(argv[3], nullptr, 10);
    const int runs = std::atoi(argv[4]) > 0 ? std::atoi(argv[4]) : 1;
    std::vector<char> buffer(kBufferSize);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    double fastest = 0;
    for (int run = 0; run < runs; ++run) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        {
            Output out(argv[2], buffer);
            if (!out.valid()) {
                std::fprintf(stderr, "archive_floor: cannot create %s\n", argv[2]);
                return 1;
            }
            copyTree(argv[1], out);
            out.padTo(bytes);
        }
        QueryPerformanceCounter(&end);
        double ms = (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart;
        if (run == 0 || ms < fastest) fastest = ms;
    }
    std::printf("%.3f\n", fastest);
    return 0;
}
