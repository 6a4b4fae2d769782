// The drop target: what another program's drag delivers to the listener, the
// descriptor blocks it is handed and the contents it reads.
#include "MovaraTest.h"

#include <cstring>
#include <thread>
#include <vector>

#include "dialog/DroppedContents.h"
#include "dialog/FileGroupDescriptor.h"
#include "dialog/MvDropListener.h"
#include "dialog/MvDropTarget.h"
#include "services/clipboard/ClipboardFormatName.h"
#include "OlePeer.h"
#include "framework/OleDataObject.h"
#include "tbx/MvException.h"

using movara_test::OlePeer;
using movara_test::ScratchDir;

namespace {

// Announces one length and delivers other bytes, claiming `overclaim` more
// than each read really gave, as a faulty source may.
class FakeDropFile : public fw::DropFile {
public:
    FakeDropFile(ULONGLONG announced, std::string bytes, ULONG overclaim = 0)
        : announced_(announced), bytes_(std::move(bytes)), overclaim_(overclaim) {}
    ULONGLONG length() const override { return announced_; }
    ULONG read(void* buffer, ULONG size) override {
        size_t count = std::min<size_t>(size, bytes_.size() - position_);
        memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        return count ? static_cast<ULONG>(count) + overclaim_ : 0;
    }

private:
    ULONGLONG announced_;
    std::string bytes_;
    ULONG overclaim_;
    size_t position_ = 0;
};

std::string contentsOf(FakeDropFile file) {
    try {
        return readDroppedContents(file);
    } catch (const MvException& e) {
        return std::string("failure: ") + e.what();
    }
}

std::string descriptorBlock(UINT count, const std::vector<std::string>& names, size_t extraBytes = 0) {
    std::string block(reinterpret_cast<const char*>(&count), sizeof(count));
    for (const std::string& name : names) {
        FILEDESCRIPTORA descriptor = {};
        memcpy(descriptor.cFileName, name.data(), std::min<size_t>(name.size(), MAX_PATH));
        block.append(reinterpret_cast<const char*>(&descriptor), sizeof(descriptor));
    }
    return block + std::string(extraBytes, 'h');
}

std::vector<std::string> namesIn(const std::string& block) {
    std::vector<std::string> names;
    for (const FILEDESCRIPTORA& descriptor : fileDescriptorsOf(block)) names.push_back(fileDescriptorName(descriptor));
    return names;
}

struct DroppedItem {
    std::string format, data, name;
    bool operator==(const DroppedItem& other) const {
        return format == other.format && data == other.data && name == other.name;
    }
};
std::ostream& operator<<(std::ostream& out, const DroppedItem& item) {
    return out << "{" << item.format << ", " << item.data << ", " << item.name << "}";
}

// Reports items as the main dialog does, but to a list.
class RecordingListener : public MvDropListener {
public:
    void onDropFileContents(const FILEDESCRIPTORA& descriptor, fw::DropFile& contents) override {
        items.push_back({"FileContents", readDroppedContents(contents), fileDescriptorName(descriptor)});
    }
    void onDropText(unsigned clipboardFormat, const std::string& text) override {
        items.push_back({clipboardFormatName(clipboardFormat), text, ""});
    }
    std::vector<DroppedItem> items;
};

// A window of this process with the drop target on it, and another program
// that drags its payload there with the mouse.
class DropFromAnotherProgram : public ::testing::Test {
protected:
    static void SetUpTestSuite() { OleInitialize(nullptr); }
    static void TearDownTestSuite() { OleUninitialize(); }

    void SetUp() override {
        window_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "drop here", WS_POPUP | WS_VISIBLE | WS_BORDER, 400, 300,
                                  300, 300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(target_.Register(window_));
    }
    void TearDown() override {
        target_.Revoke();
        DestroyWindow(window_);
    }

    // The effect the source saw ("copy" or "none"); the items are in listener_.
    std::string drag(const std::string& payload) {
        ScratchDir scratch;
        std::string result = scratch / "effect.txt";
        OlePeer source("source 40 40 " + payload + " " + result);
        if (!source.ready()) return "the source did not start";
        std::string mouseFailure;
        std::thread mouse([&] {
            try {
                movara_test::dragWithMouse({90, 90}, {550, 450});
            } catch (const std::exception& e) {
                mouseFailure = e.what();
            }
        });
        // The drop arrives as calls from the other program: keep serving them.
        DWORD start = GetTickCount();
        while (!movara_test::fileExists(result) && GetTickCount() - start < 20000) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
            Sleep(10);
        }
        mouse.join();
        EXPECT_EQ(mouseFailure, "");
        return movara_test::fileExists(result) ? movara_test::readBytes(result) : "no result";
    }

    HWND window_ = nullptr;
    RecordingListener listener_;
    MvDropTarget target_{listener_};
};

}  // namespace

TEST(FileGroupDescriptor, OnlyDescriptorsThatLieWhollyInsideTheBlockAreTaken) {
    const size_t half = sizeof(FILEDESCRIPTORA) / 2;
    struct Case {
        const char* what;
        std::string block;
        std::vector<std::string> names;
    } cases[] = {
        {"shorter than the count", std::string("\2\0", 2), {}},
        {"no descriptors", descriptorBlock(0, {"a"}), {}},
        {"as announced", descriptorBlock(2, {"a", "表.txt"}), {"a", "表.txt"}},
        {"fewer announced than held", descriptorBlock(1, {"a", "b"}), {"a"}},
        {"more announced than held", descriptorBlock(3, {"a"}, half), {"a"}},
        {"a count near the top of its range", descriptorBlock(0xFFFFFFFF, {"a", "b"}, half), {"a", "b"}},
    };
    for (const Case& c : cases) EXPECT_EQ(namesIn(c.block), c.names) << c.what;

    // A name that fills its field without a NUL ends with the field.
    EXPECT_EQ(namesIn(descriptorBlock(1, {std::string(MAX_PATH, 'n')}) + "tail"),
              std::vector<std::string>{std::string(MAX_PATH, 'n')});
}

TEST(DroppedContents, AreReadUpToTheAnnouncedLengthWithinTwentyMebibytesAndCutAtANul) {
    const ULONGLONG limit = 20971520;
    struct Case {
        const char* what;
        FakeDropFile file;
        std::string expected;
    } cases[] = {
        {"as announced", {5, "abcde"}, "abcde"},
        {"a NUL ends the text", {12, std::string("before\0after", 12)}, "before"},
        {"a source that ends early", {10, "abcd"}, "abcd"},
        {"more than announced is not read", {4, "abcdefgh"}, "abcd"},
        {"reads that claim more than they gave", {6, "abcdef", 100}, "abcdef"},
        {"one byte over the limit", {limit + 1, "x"}, "failure: ドロップファイルサイズが大き過ぎます。"},
        {"a length beyond 32 bits", {0x100000001ULL, "x"}, "failure: ドロップファイルサイズが大き過ぎます。"},
        {"nothing", {0, ""}, ""},
    };
    for (Case& c : cases) EXPECT_EQ(contentsOf(c.file), c.expected) << c.what;

    EXPECT_EQ(contentsOf(FakeDropFile(limit, std::string(limit, 'x'))).size(), limit) << "exactly the limit";
}

TEST_F(DropFromAnotherProgram, VirtualFilesArriveInDescriptorOrderWithTheirTextsAndNames) {
    EXPECT_EQ(drag("two-files"), "copy");
    EXPECT_EQ(listener_.items, (std::vector<DroppedItem>{{"FileContents", "first text", "first.txt"},
                                                         {"FileContents", "二番目の本文", "二番目.txt"}}));
}

TEST_F(DropFromAnotherProgram, LinksComeBeforeTextAndEachKeepsItsFormatName) {
    EXPECT_EQ(drag("link"), "copy");
    EXPECT_EQ(drag("text"), "copy");
    EXPECT_EQ(listener_.items, (std::vector<DroppedItem>{{"UniformResourceLocator", movara_test::kPeerLink, ""},
                                                         {"text", movara_test::kPeerText, ""}}));
}

TEST_F(DropFromAnotherProgram, DataInNoneOfTheFormatsIsRefused) {
    EXPECT_EQ(drag("none"), "none");
    EXPECT_TRUE(listener_.items.empty());
}

TEST_F(DropFromAnotherProgram, ADescriptorBlockThatOverstatesItsCountGivesOnlyItsWholeDescriptors) {
    EXPECT_EQ(drag("lying"), "copy");
    EXPECT_EQ(listener_.items, (std::vector<DroppedItem>{{"FileContents", "whole", std::string(MAX_PATH, 'n')}}));
}
