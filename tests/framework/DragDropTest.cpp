#include <cstring>
#include <memory>
#include <thread>

#include "FrameworkTestIds.h"
#include "MovaraTest.h"
#include "framework/Dialog.h"
#include "framework/OleDataObject.h"
#include "framework/OleDataSource.h"
#include "framework/OleDropTarget.h"

namespace {

tbx::GlobalMemory globalText(const std::string& text) {
    tbx::GlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1));
    tbx::GlobalLockGuard lock(memory.get());
    memcpy(lock.data(), text.c_str(), text.size() + 1);
    return memory;
}

// Reads what a drop delivers: plain text and the first item of a custom format.
class RecordingTarget : public fw::OleDropTarget {
public:
    CLIPFORMAT customFormat = 0;
    int drops = 0;
    std::string text;
    std::string item;
    ULONGLONG itemLength = 0;

protected:
    DWORD OnDragOver(IDataObject*, DWORD, POINT) override { return DROPEFFECT_COPY; }
    bool OnDrop(IDataObject* data, DWORD, POINT) override {
        ++drops;
        fw::OleDataObject reader(data);
        if (!reader.isFormatAvailable(CF_TEXT)) return false;
        std::string bytes;
        if (!reader.getGlobalData(CF_TEXT, bytes)) return false;
        text = bytes.c_str();
        if (auto file = reader.getFileContents(customFormat, 0)) {
            itemLength = file->length();
            char buffer[256];
            ULONG count;
            while ((count = file->read(buffer, sizeof(buffer))) > 0) item.append(buffer, count);
        }
        return true;
    }
};

class ThrowingTarget : public fw::OleDropTarget {
protected:
    bool OnDrop(IDataObject*, DWORD, POINT) override { throw std::runtime_error("listener failed"); }
};

struct TargetWindow {
    fw::Dialog dialog{IDD_TEST_DIALOG};
    TargetWindow() {
        dialog.Create();
        ShowWindow(dialog.window(), SW_SHOW);
    }
};

class DragDrop : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

}  // namespace

TEST_F(DragDrop, ADropOnARegisteredTargetDeliversTheSourcesData) {
    TargetWindow window;
    RecordingTarget target;
    target.customFormat = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("MovaraTestItem"));
    ASSERT_TRUE(target.Register(window.dialog.window()));

    auto source = fw::OleDataSource::create();
    source->CacheGlobalData(CF_TEXT, globalText("表示 text"));
    source->CacheGlobalData(target.customFormat, globalText("item bytes"));

    IDropTarget* ole = &target;
    POINTL point = {10, 10};
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(S_OK, ole->DragEnter(source.get(), MK_LBUTTON, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);  // entering offers nothing by default
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ASSERT_EQ(S_OK, ole->DragOver(MK_LBUTTON, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), effect);
    effect = DROPEFFECT_COPY;
    ASSERT_EQ(S_OK, ole->Drop(source.get(), 0, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), effect);

    EXPECT_EQ(1, target.drops);
    EXPECT_EQ("表示 text", target.text);
    EXPECT_EQ("item bytes", std::string(target.item.c_str()));
    EXPECT_EQ(11u, target.itemLength);  // the text and its terminator
    target.Revoke();
}

// Serves calls into this apartment until the event is set.
void serveUntil(HANDLE event) {
    while (MsgWaitForMultipleObjects(1, &event, FALSE, 15000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

// A holder in another apartment reaches the target through COM, as a drag
// source in another process does: once revoked, its calls fail in COM and
// never reach the object; a direct caller is refused.
TEST_F(DragDrop, ARevokedTargetIsCutOffFromWhoStillHoldsIt) {
    TargetWindow window;
    struct CountingTarget : RecordingTarget {
        int entered = 0;
        DWORD OnDragEnter(IDataObject*, DWORD, POINT) override { return ++entered, DROPEFFECT_COPY; }
    } target;
    ASSERT_TRUE(target.Register(window.dialog.window()));
    IStream* stream = nullptr;
    ASSERT_EQ(S_OK, CoMarshalInterThreadInterfaceInStream(IID_IDropTarget, static_cast<IDropTarget*>(&target), &stream));

    tbx::KernelHandle called(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    tbx::KernelHandle revoked(CreateEventA(nullptr, FALSE, FALSE, nullptr));
    HRESULT before = E_FAIL, after = S_OK;
    DWORD effectAfter = DROPEFFECT_COPY;
    std::thread holder([&] {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        IDropTarget* proxy = nullptr;
        if (SUCCEEDED(CoGetInterfaceAndReleaseStream(stream, IID_IDropTarget, reinterpret_cast<void**>(&proxy)))) {
            DWORD effect = DROPEFFECT_COPY;
            before = proxy->DragEnter(nullptr, 0, {0, 0}, &effect);
            SetEvent(called.get());
            WaitForSingleObject(revoked.get(), 15000);
            after = proxy->DragEnter(nullptr, 0, {0, 0}, &effectAfter);
            proxy->Release();
        }
        CoUninitialize();
        SetEvent(called.get());
    });
    serveUntil(called.get());
    EXPECT_EQ(S_OK, before);
    EXPECT_EQ(1, target.entered);

    target.Revoke();
    SetEvent(revoked.get());
    serveUntil(called.get());
    holder.join();
    // COM's own failure (Windows says RPC_E_DISCONNECTED, Wine an unknown
    // interface), not the object's refusal.
    EXPECT_TRUE(FAILED(after)) << std::hex << after;
    EXPECT_NE(E_UNEXPECTED, after) << "the call reached the revoked object";
    EXPECT_EQ(1, target.entered);

    DWORD effect = DROPEFFECT_COPY;
    POINTL point = {0, 0};
    EXPECT_EQ(E_UNEXPECTED, static_cast<IDropTarget*>(&target)->DragEnter(nullptr, 0, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    EXPECT_EQ(1, target.entered);
}

TEST_F(DragDrop, DataWithoutTheWantedFormatAndAThrowingListenerRefuseTheDrop) {
    auto source = fw::OleDataSource::create();
    source->CacheGlobalData(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("MovaraOther")), globalText("x"));
    RecordingTarget target;
    POINTL point = {0, 0};
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(S_OK, static_cast<IDropTarget*>(&target)->Drop(source.get(), 0, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
    EXPECT_EQ(1, target.drops);

    ThrowingTarget throwing;
    effect = DROPEFFECT_COPY;
    // A failing listener is reported to the drag source, not passed off as a refusal.
    EXPECT_EQ(E_UNEXPECTED, static_cast<IDropTarget*>(&throwing)->Drop(source.get(), 0, point, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
}

TEST_F(DragDrop, TheDataSourceAnswersOnlyTheFormatsItOffersAndCopiesEachRead) {
    auto source = fw::OleDataSource::create();
    source->CacheGlobalData(CF_TEXT, globalText("abc"));
    fw::OleDataObject reader(source.get());
    EXPECT_TRUE(reader.isFormatAvailable(CF_TEXT));
    EXPECT_FALSE(reader.isFormatAvailable(CF_HDROP));
    std::string first, second;
    ASSERT_TRUE(reader.getGlobalData(CF_TEXT, first));
    ASSERT_TRUE(reader.getGlobalData(CF_TEXT, second));
    EXPECT_EQ(std::string("abc", 4), first);
    EXPECT_EQ(first, second);
    EXPECT_FALSE(reader.getGlobalData(CF_HDROP, first));

    tbx::ComPtr<IEnumFORMATETC> formats;
    ASSERT_EQ(S_OK, source->EnumFormatEtc(DATADIR_GET, formats.put()));
    FORMATETC format;
    ULONG fetched = 0;
    ASSERT_EQ(S_OK, formats->Next(1, &format, &fetched));
    EXPECT_EQ(CF_TEXT, format.cfFormat);
    EXPECT_EQ(S_FALSE, formats->Next(1, &format, &fetched));
}

TEST_F(DragDrop, TheDragLoopWithNoButtonHeldDropsAtOnceOnTheWindowUnderTheCursor) {
    TargetWindow window;
    struct AcceptingTarget : RecordingTarget {
        DWORD OnDragEnter(IDataObject*, DWORD, POINT) override { return DROPEFFECT_COPY; }
    } target;
    ASSERT_TRUE(target.Register(window.dialog.window()));
    RECT rect;
    GetWindowRect(GetDlgItem(window.dialog.window(), IDC_TEST_EDIT), &rect);
    SetCursorPos((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);

    auto source = fw::OleDataSource::create();
    source->CacheGlobalData(CF_TEXT, globalText("dragged"));
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), source->DoDragDrop(DROPEFFECT_COPY));
    EXPECT_EQ(1, target.drops);
    EXPECT_EQ("dragged", target.text);
    target.Revoke();
}

TEST_F(DragDrop, ItemsOfAMultiItemFormatAreFetchedByIndexFromGlobalMemoryOrStreams) {
    CLIPFORMAT contents = static_cast<CLIPFORMAT>(RegisterClipboardFormatA("FileContents"));
    auto source = fw::OleDataSource::create();
    source->CacheGlobalData(contents, globalText("first"), 0);
    tbx::ComPtr<IStream> stream;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(nullptr, TRUE, stream.put()));
    std::string second("second\0tail", 11);
    ULONG written = 0;
    ASSERT_EQ(S_OK, stream->Write(second.data(), static_cast<ULONG>(second.size()), &written));
    source->CacheStream(contents, stream.get(), 1);

    fw::OleDataObject reader(source.get());
    EXPECT_TRUE(reader.isFormatAvailable(contents));
    auto readAll = [](fw::DropFile& file) {
        std::string bytes;
        char buffer[4];
        ULONG count;
        while ((count = file.read(buffer, sizeof(buffer))) > 0) bytes.append(buffer, count);
        return bytes;
    };
    auto first = reader.getFileContents(contents, 0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(std::string("first", 6), readAll(*first));
    for (int pass = 0; pass < 2; ++pass) {  // every fetch reads the stream from its start
        auto item = reader.getFileContents(contents, 1);
        ASSERT_NE(nullptr, item);
        EXPECT_EQ(11u, item->length());
        EXPECT_EQ(second, readAll(*item));
    }
    EXPECT_EQ(nullptr, reader.getFileContents(contents, 2));
}
