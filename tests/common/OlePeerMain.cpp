// ole_peer.exe: the other program of the clipboard and drag-and-drop tests
// (modes and payloads in OlePeer.h).
//   ole_peer READY-EVENT QUIT-EVENT MODE ARGUMENTS...
#include <windows.h>
#include <shlobj.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "OlePeer.h"
#include "framework/OleDataObject.h"
#include "framework/OleDataSource.h"
#include "framework/OleDropTarget.h"
#include "tbx/Handles.h"

using movara_test::kPeerLink;
using movara_test::kPeerText;

namespace {

void writeResult(const std::string& path, const std::string& text) {
    std::string partial = path + ".part";
    tbx::FileHandle file(CreateFileA(partial.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    file.reset();
    MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

tbx::GlobalMemory globalBytes(const std::string& bytes) {
    tbx::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes.size() ? bytes.size() : 1));
    tbx::GlobalLockGuard lock(memory.get());
    memcpy(lock.data(), bytes.data(), bytes.size());
    return memory;
}

std::string withNul(const std::string& text) { return std::string(text.c_str(), text.size() + 1); }

tbx::ComPtr<IStream> streamOf(const std::string& bytes) {
    tbx::ComPtr<IStream> stream;
    CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
    ULONG written = 0;
    stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
    return stream;
}

CLIPFORMAT format(const char* name) { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA(name)); }

FILEDESCRIPTORA descriptor(const std::string& name, size_t size) {
    FILEDESCRIPTORA d = {};
    d.dwFlags = FD_FILESIZE;
    d.nFileSizeLow = static_cast<DWORD>(size);
    memcpy(d.cFileName, name.data(), name.size() < MAX_PATH ? name.size() : MAX_PATH);
    return d;
}

// A descriptor block of the shell's layout; `count` may claim more than it holds.
std::string descriptorBlock(UINT count, const std::vector<FILEDESCRIPTORA>& descriptors, size_t extraBytes = 0) {
    std::string block(reinterpret_cast<const char*>(&count), sizeof(count));
    for (const FILEDESCRIPTORA& d : descriptors) block.append(reinterpret_cast<const char*>(&d), sizeof(d));
    block.append(extraBytes, 'h');
    return block;
}

void offerVirtualFiles(fw::OleDataSource& source, const std::vector<std::pair<std::string, std::string>>& files) {
    std::vector<FILEDESCRIPTORA> descriptors;
    for (const auto& [name, contents] : files) descriptors.push_back(descriptor(name, contents.size()));
    source.CacheGlobalData(format("FileGroupDescriptor"),
                           globalBytes(descriptorBlock(static_cast<UINT>(files.size()), descriptors)));
    for (size_t i = 0; i < files.size(); ++i)
        source.CacheStream(format("FileContents"), streamOf(files[i].second).get(), static_cast<LONG>(i));
}

tbx::ComPtr<fw::OleDataSource> payload(const std::string& name) {
    auto source = fw::OleDataSource::create();
    CLIPFORMAT contents = format("FileContents");
    if (name == "two-files") {
        std::vector<FILEDESCRIPTORA> descriptors = {descriptor("first.txt", 10), descriptor("二番目.txt", 12)};
        source->CacheGlobalData(format("FileGroupDescriptor"), globalBytes(descriptorBlock(2, descriptors)));
        source->CacheGlobalData(contents, globalBytes("first text"), 0);
        source->CacheStream(contents, streamOf("二番目の本文").get(), 1);
        source->CacheGlobalData(CF_TEXT, globalBytes(withNul(kPeerText)));
    } else if (name == "zero-byte") {
        offerVirtualFiles(*source.get(), {{"zero.bin", std::string("before\0after", 12)}});
    } else if (name.compare(0, 5, "size:") == 0) {
        offerVirtualFiles(*source.get(), {{"big.txt", std::string(std::stoul(name.substr(5)), 'x')}});
    } else if (name == "link") {
        source->CacheGlobalData(format("UniformResourceLocator"), globalBytes(withNul(kPeerLink)));
        source->CacheGlobalData(CF_TEXT, globalBytes(withNul(kPeerText)));
    } else if (name == "text") {
        source->CacheGlobalData(CF_TEXT, globalBytes(withNul(kPeerText)));
    } else if (name == "none") {
        source->CacheGlobalData(format("MovaraPeerPrivate"), globalBytes("private"));
    } else if (name == "lying") {
        FILEDESCRIPTORA unterminated = descriptor(std::string(MAX_PATH, 'n'), 5);
        std::string block = descriptorBlock(3, {unterminated}, sizeof(FILEDESCRIPTORA) / 2);
        source->CacheGlobalData(format("FileGroupDescriptor"), globalBytes(block));
        for (LONG i = 0; i < 3; ++i) source->CacheGlobalData(contents, globalBytes("whole"), i);
    }
    return source;
}

// The peer's window and what a press in it or a drop on it does.
struct Peer {
    std::string payloadName;
    std::string resultPath;
};
Peer peer;

LRESULT CALLBACK peerWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN && !peer.payloadName.empty()) {
        DWORD effect = payload(peer.payloadName)->DoDragDrop(DROPEFFECT_COPY);
        writeResult(peer.resultPath, effect == DROPEFFECT_COPY ? "copy" : effect == DROPEFFECT_NONE ? "none" : "other");
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND peerWindow(int x, int y, int size) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = peerWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "MovaraOlePeer";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOPMOST, "MovaraOlePeer", "ole peer", WS_POPUP | WS_VISIBLE, x, y, size, size,
                                  nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    return window;
}

// Accepts copies and writes what the file-drop block of every drop so far
// holds: "files N" and the paths, one a line, so that a test sees a drop it
// did not expect. The block is read here rather than with DragQueryFileA,
// which under Wine counts an empty list as one empty name.
class RecordingTarget : public fw::OleDropTarget {
protected:
    DWORD OnDragEnter(IDataObject*, DWORD, POINT) override { return DROPEFFECT_COPY; }
    DWORD OnDragOver(IDataObject*, DWORD, POINT) override { return DROPEFFECT_COPY; }
    bool OnDrop(IDataObject* data, DWORD, POINT) override {
        std::string block;
        bool hasList = fw::OleDataObject(data).getGlobalData(CF_HDROP, block);
        drops_ += hasList ? fileListOf(block) : "no file list\n";
        writeResult(peer.resultPath, drops_);
        return hasList;
    }

private:
    static std::string fileListOf(const std::string& block) {
        DROPFILES header = {};
        if (block.size() < sizeof(header)) return "short block";
        memcpy(&header, block.data(), sizeof(header));
        if (header.fWide) return "wide names";
        std::vector<std::string> paths;
        for (size_t at = header.pFiles; at < block.size() && block[at] != '\0';) {
            paths.push_back(block.substr(at, block.find('\0', at) - at));
            at += paths.back().size() + 1;
        }
        std::string text = "files " + std::to_string(paths.size()) + "\n";
        for (const std::string& path : paths) text += path + "\n";
        return text;
    }

    std::string drops_;
};

bool putOnClipboard(HWND owner, UINT clipFormat, HANDLE data) {
    tbx::ClipboardGuard clipboard(owner);
    if (!clipboard.isOpen() || !EmptyClipboard()) return false;
    return SetClipboardData(clipFormat, data) != nullptr;
}

bool putText(HWND owner, const std::string& file) {
    tbx::FileHandle in(CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    std::string bytes(GetFileSize(in.get(), nullptr), '\0');
    DWORD got = 0;
    if (!bytes.empty() && !ReadFile(in.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &got, nullptr)) return false;
    tbx::GlobalMemory memory = globalBytes(withNul(bytes));
    if (!putOnClipboard(owner, CF_TEXT, memory.get())) return false;
    memory.release();  // the clipboard owns it now
    return true;
}

bool putBitmap(HWND owner, int width, int height) {
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            COLORREF colour = movara_test::peerBitmapPixel(x, y);
            pixels[static_cast<size_t>(y) * width + x] =
                (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
        }
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    tbx::WindowDC screen(nullptr);
    tbx::GdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    SetDIBits(screen.get(), static_cast<HBITMAP>(bitmap.get()), 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    if (!putOnClipboard(owner, CF_BITMAP, bitmap.get())) return false;
    bitmap.release();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    tbx::KernelHandle ready(OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[1]));
    tbx::KernelHandle quit(OpenEventA(SYNCHRONIZE, FALSE, argv[2]));
    if (!ready || !quit || FAILED(OleInitialize(nullptr))) return 3;
    std::string mode = argv[3];
    std::vector<std::string> args(argv + 4, argv + argc);

    HWND window = nullptr;
    std::unique_ptr<RecordingTarget> target;
    bool prepared = false;
    if (mode == "clip-text" && args.size() == 1) {
        window = peerWindow(-200, -200, 10);
        prepared = putText(window, args[0]);
    } else if (mode == "clip-bitmap" && args.size() == 2) {
        window = peerWindow(-200, -200, 10);
        prepared = putBitmap(window, std::stoi(args[0]), std::stoi(args[1]));
    } else if (mode == "source" && args.size() == 4) {
        peer = {args[2], args[3]};
        window = peerWindow(std::stoi(args[0]), std::stoi(args[1]), 100);
        prepared = true;
    } else if (mode == "target" && args.size() == 3) {
        peer.resultPath = args[2];
        window = peerWindow(std::stoi(args[0]), std::stoi(args[1]), 200);
        target = std::make_unique<RecordingTarget>();
        prepared = target->Register(window);
    }
    if (!prepared) return 4;
    SetEvent(ready.get());

    HANDLE quitHandle = quit.get();
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000;) {
        if (MsgWaitForMultipleObjects(1, &quitHandle, FALSE, 100, QS_ALLINPUT) == WAIT_OBJECT_0) break;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    if (target) target->Revoke();
    DestroyWindow(window);
    OleUninitialize();
    return 0;
}
