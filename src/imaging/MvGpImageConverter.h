#pragma once
#include <windows.h>
#include <gdiplus.h>

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/MvGpException.h"

// The GDI+ image encoders, in GDI+'s order, with the file extensions each
// lists. Every image the program writes is saved through it, so that the
// file's extension (or a type such as ".png") chooses the encoder.
class MvGpImageConverter {
public:
    // A converter over GDI+'s encoder list, read on first use (GDI+ must be
    // running by then). A use that cannot read it throws MvGpException, and
    // the next use tries again.
    MvGpImageConverter() = default;
    // A converter over a given encoder table, copied (tests use their own).
    MvGpImageConverter(const Gdiplus::ImageCodecInfo* encoders, UINT count);
    MvGpImageConverter(const MvGpImageConverter&) = delete;
    MvGpImageConverter& operator=(const MvGpImageConverter&) = delete;

    // The CLSID of the first encoder (in table order) one of whose extensions,
    // such as ".JPG", ends the key, ignoring case; null when none does. A
    // file name works as a key as well as an extension with its dot. Throws
    // MvGpException when GDI+'s list cannot be read.
    const CLSID* findEncoder(const std::string& key) const;

    // Saves the image with the encoder that the type selects, or the path
    // when the type is null. Throws MvGpException: "codec not found", or the
    // GDI+ status when saving fails.
    void saveImage(const std::string& path, const char* type, Gdiplus::GpImage* image) const;
    // Saves a copy of a GDI bitmap (which stays the caller's) as saveImage
    // would. Throws MvGpException, also when GDI+ cannot copy it.
    void saveBitmap(HBITMAP bitmap, const std::string& path, const char* type) const;

    // Saves a thumbnail of the image that fits maxWidth x maxHeight (see
    // thumbnailSize) as saveImage would. Throws MvGpException.
    void saveThumbnail(Gdiplus::GpImage* image, const std::string& path, const char* type, UINT maxWidth,
                       UINT maxHeight) const;

    // The size of a w x h image's thumbnail within maxWidth x maxHeight:
    // scaled down keeping proportions when it is larger, never enlarged, and
    // not scaled at all when either limit is 0.
    static SIZE thumbnailSize(UINT width, UINT height, UINT maxWidth, UINT maxHeight);

    // The file extensions of one encoder's text such as "*.JPG;*.JPEG",
    // each with its dot, in ANSI code page text.
    static std::vector<std::string> splitExtensions(const char16_t* extensionText);

private:
    struct Encoder {
        CLSID clsid;
        std::vector<std::string> extensions;
    };
    // The encoders, reading GDI+'s list on the first call.
    const std::vector<Encoder>& encoders() const;

    mutable std::mutex loading_;
    mutable bool loaded_ = false;
    mutable std::vector<Encoder> encoders_;
};
