#include "imaging/MvGpImageConverter.h"

#include <new>

#include "imaging/GpImage.h"
#include "tbx/TextConversion.h"

namespace {

using namespace Gdiplus::DllExports;

const char kCodecNotFound[] = "codec not found";
const char kNoEncoders[] = "GetImageEncodersSize";

// GDI+'s encoder list as it hands it out: one block holding the records and
// the texts they point to.
std::vector<uint8_t> readEncoderTable(UINT& count) {
    UINT size = 0;
    count = 0;
    GdipGetImageEncodersSize(&count, &size);
    if (size == 0) throw MvGpException(kNoEncoders);
    std::vector<uint8_t> table;
    try {
        table.resize(size);
    } catch (const std::bad_alloc&) {
        throw MvGpException(static_cast<int>(Gdiplus::OutOfMemory));
    }
    Gdiplus::GpStatus status =
        GdipGetImageEncoders(count, size, reinterpret_cast<Gdiplus::ImageCodecInfo*>(table.data()));
    if (status != Gdiplus::Ok) throw MvGpException(static_cast<int>(status));
    return table;
}

}  // namespace

MvGpImageConverter::MvGpImageConverter(const Gdiplus::ImageCodecInfo* encoders, UINT count) {
    encoders_.reserve(count);
    for (UINT i = 0; i < count; ++i) {
        const char16_t* text = reinterpret_cast<const char16_t*>(encoders[i].FilenameExtension);
        encoders_.push_back(Encoder{encoders[i].Clsid, splitExtensions(text)});
    }
    loaded_ = true;
}

const std::vector<MvGpImageConverter::Encoder>& MvGpImageConverter::encoders() const {
    std::lock_guard<std::mutex> lock(loading_);
    if (!loaded_) {
        UINT count = 0;
        std::vector<uint8_t> table = readEncoderTable(count);
        MvGpImageConverter read(reinterpret_cast<const Gdiplus::ImageCodecInfo*>(table.data()), count);
        encoders_ = std::move(read.encoders_);
        loaded_ = true;
    }
    return encoders_;
}

std::vector<std::string> MvGpImageConverter::splitExtensions(const char16_t* extensionText) {
    std::vector<std::string> extensions;
    if (extensionText == nullptr) return extensions;
    std::u16string text(extensionText);
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(u';', start);
        if (end == std::u16string::npos) end = text.size();
        std::u16string piece = text.substr(start, end - start);
        if (!piece.empty() && piece[0] == u'*') piece.erase(0, 1);
        if (!piece.empty()) extensions.push_back(wideToMultiByte(piece, CP_ACP));
        start = end + 1;
    }
    return extensions;
}

const CLSID* MvGpImageConverter::findEncoder(const std::string& key) const {
    for (const Encoder& encoder : encoders()) {
        for (const std::string& extension : encoder.extensions) {
            // Every extension begins with its dot, which is never the second
            // byte of a double-byte character, so the key's tail is whole text.
            if (key.size() >= extension.size() &&
                lstrcmpiA(key.c_str() + key.size() - extension.size(), extension.c_str()) == 0)
                return &encoder.clsid;
        }
    }
    return nullptr;
}

void MvGpImageConverter::saveImage(const std::string& path, const char* type, Gdiplus::GpImage* image) const {
    const CLSID* encoder = findEncoder(type ? std::string(type) : path);
    if (encoder == nullptr) throw MvGpException(kCodecNotFound);
    std::u16string widePath = multiByteToWide(path, CP_ACP);
    Gdiplus::GpStatus status =
        GdipSaveImageToFile(image, reinterpret_cast<const WCHAR*>(widePath.c_str()), encoder, nullptr);
    if (status != Gdiplus::Ok) throw MvGpException(static_cast<int>(status));
}

void MvGpImageConverter::saveBitmap(HBITMAP bitmap, const std::string& path, const char* type) const {
    imaging::GpImagePtr image = imaging::bitmapFromHbitmap(bitmap);
    saveImage(path, type, image.get());
}

void MvGpImageConverter::saveThumbnail(Gdiplus::GpImage* image, const std::string& path, const char* type,
                                       UINT maxWidth, UINT maxHeight) const {
    UINT width = 0, height = 0;
    GdipGetImageWidth(image, &width);
    GdipGetImageHeight(image, &height);
    SIZE size = thumbnailSize(width, height, maxWidth, maxHeight);
    Gdiplus::GpImage* thumbnail = nullptr;
    Gdiplus::GpStatus status = GdipGetImageThumbnail(image, (UINT)size.cx, (UINT)size.cy, &thumbnail, nullptr, nullptr);
    if (status != Gdiplus::Ok) throw MvGpException(static_cast<int>(status));
    imaging::GpImagePtr owner(thumbnail);
    saveImage(path, type, thumbnail);
}

SIZE MvGpImageConverter::thumbnailSize(UINT width, UINT height, UINT maxWidth, UINT maxHeight) {
    uint64_t w = width, h = height, W = maxWidth, H = maxHeight;
    if (W == 0 || H == 0 || (w <= W && h <= H)) return SIZE{(LONG)w, (LONG)h};
    if (w * H > h * W) return SIZE{(LONG)W, (LONG)(h * W / w)};
    return SIZE{(LONG)(w * H / h), (LONG)H};
}
