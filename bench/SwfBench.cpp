// Movie files: whether a compressed movie is ActionScript 3 against zlib
// inflating only the bytes that answer it, and how many bytes a header-only
// read takes from movies of 1, 10 and 100 MB.
#include <cstring>
#include <string>

#include <windows.h>
#include <zlib.h>

#include "BenchFiles.h"
#include "BenchPairs.h"
#include "raster/FontCharsetFix.h"
#include "SwfWriter.h"
#include "imaging/SwfFile.h"
#include "tbx/Handles.h"

namespace {

// Bytes that ReadFile handed to this program since the counter was reset.
volatile uint64_t bytesRead = 0;
using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
ReadFileFn originalReadFile = nullptr;

BOOL WINAPI countingReadFile(HANDLE file, LPVOID buffer, DWORD length, LPDWORD got, LPOVERLAPPED overlapped) {
    BOOL ok = originalReadFile(file, buffer, length, got, overlapped);
    if (ok && got) bytesRead += *got;
    return ok;
}

// Counts the program's reads from here on: its own import of ReadFile is
// redirected through the counter.
bool countReads() {
    if (originalReadFile) return true;
    void* target = reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "ReadFile"));
    void* original = nullptr;
    if (patchImport(GetModuleHandleA(nullptr), "kernel32.dll", target, reinterpret_cast<void*>(&countingReadFile),
                    &original) != ImportPatchResult::Patched)
        return false;
    originalReadFile = reinterpret_cast<ReadFileFn>(original);
    return true;
}

// A compressed ActionScript 3 movie whose file is about megabytes long: its
// script is pseudo-random text, which zlib cannot shrink much. Made once and
// kept in the data folder for later runs.
std::string movieOf(int megabytes) {
    std::string path = bench::dataFolder() + "movie-" + std::to_string(megabytes) + "mb.swf";
    if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return path;
    std::string script(static_cast<size_t>(megabytes) * 1024 * 1024, ' ');
    uint32_t state = 12345;
    for (char& c : script) {
        state = state * 1103515245 + 12345;
        c = static_cast<char>(' ' + (state >> 16) % 94);
    }
    SwfOptions options;
    options.actionScript3 = true;
    options.compressed = true;
    std::string bytes = buildSwf(options, script);
    bench::writeFile(path, bytes);
    return path;
}

void isAs3Movara(benchmark::State& state) {
    const std::string path = movieOf(10);
    for (auto _ : state) {
        if (!isAs3Swf(path)) state.SkipWithError("the movie was not seen as ActionScript 3");
    }
}

// The floor: the file's 8 header bytes and one small read of compressed
// bytes, inflated only as far as the frame header and the first tag.
void isAs3Floor(benchmark::State& state) {
    const std::string path = movieOf(10);
    for (auto _ : state) {
        tbx::FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                         FILE_ATTRIBUTE_NORMAL, nullptr));
        uint8_t input[8 + 256];
        DWORD got = 0;
        ReadFile(file.get(), input, sizeof input, &got, nullptr);
        uint8_t body[64];
        z_stream zlib{};
        inflateInit(&zlib);
        zlib.next_in = input + 8;
        zlib.avail_in = got - 8;
        zlib.next_out = body;
        zlib.avail_out = sizeof body;
        inflate(&zlib, Z_SYNC_FLUSH);
        inflateEnd(&zlib);
        // Frame rectangle, rate and count, then the tag: code 69, flags byte.
        size_t rect = (5 + 4 * (body[0] >> 3) + 7) / 8;
        const uint8_t* tag = body + rect + 4;
        bool as3 = ((tag[0] | tag[1] << 8) >> 6) == 69 && (tag[2] & 0x08);
        if (!as3) state.SkipWithError("the floor did not see ActionScript 3");
    }
}

void headerReadBytes(benchmark::State& state, int megabytes) {
    const std::string path = movieOf(megabytes);
    if (!countReads()) state.SkipWithError("ReadFile could not be counted");
    uint64_t perRead = 0;
    for (auto _ : state) {
        bytesRead = 0;
        SwfFile swf = readSwfFile(path, true);
        benchmark::DoNotOptimize(swf.header.version);
        perRead = bytesRead;
    }
    state.counters["bytes_read"] = static_cast<double>(perRead);
}

const bool registered = [] {
    benchmark::RegisterBenchmark(bench::pairName("SWF is AS3", "10 MB compressed", "movara"), isAs3Movara)
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(bench::pairName("SWF is AS3", "10 MB compressed", "floor"), isAs3Floor)
        ->Unit(benchmark::kMicrosecond);
    for (int megabytes : {1, 10, 100})
        benchmark::RegisterBenchmark(bench::pairName("SWF header read", std::to_string(megabytes) + " MB", "bytes"),
                                     headerReadBytes, megabytes)
            ->Unit(benchmark::kMicrosecond);
    return true;
}();

}  // namespace
