#include "player/Stage.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "tbx/Handles.h"

namespace player {

namespace {

// The face the player asks for; the character set is left to the system, as
// the Flash player does, so a charset fix installed by the host can apply.
const char* const kTextFace = "IPAGothic";

bool hasLetter(const std::string& align, char letter) {
    for (char c : align)
        if (c == letter || c == letter + ('a' - 'A')) return true;
    return false;
}

double alignedOffset(double free, bool start, bool end) {
    if (start) return 0;
    if (end) return free;
    return free / 2;
}

int round(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

COLORREF toColorRef(uint32_t rgb) { return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF); }

StageLayout layoutStage(int stageWidth, int stageHeight, int windowWidth, int windowHeight, ScaleMode mode,
                        const std::string& align) {
    StageLayout layout;
    if (stageWidth <= 0 || stageHeight <= 0) return layout;
    double sx = static_cast<double>(windowWidth) / stageWidth;
    double sy = static_cast<double>(windowHeight) / stageHeight;
    switch (mode) {
        case ScaleMode::ExactFit:
            layout.scaleX = sx;
            layout.scaleY = sy;
            return layout;
        case ScaleMode::NoScale:
            break;
        case ScaleMode::ShowAll:
            layout.scaleX = layout.scaleY = std::min(sx, sy);
            break;
        case ScaleMode::NoBorder:
            layout.scaleX = layout.scaleY = std::max(sx, sy);
            break;
    }
    double freeX = windowWidth - stageWidth * layout.scaleX;
    double freeY = windowHeight - stageHeight * layout.scaleY;
    layout.offsetX = alignedOffset(freeX, hasLetter(align, 'L'), hasLetter(align, 'R'));
    layout.offsetY = alignedOffset(freeY, hasLetter(align, 'T'), hasLetter(align, 'B'));
    return layout;
}

void Stage::reset(int width, int height, uint32_t backgroundColor) {
    width_ = width;
    height_ = height;
    background_ = backgroundColor & 0xFFFFFF;
    items_.clear();
}

void Stage::fillRect(double x, double y, double width, double height, uint32_t rgb) {
    items_.push_back(Item{false, x, y, width, height, rgb & 0xFFFFFF, {}});
}

void Stage::drawText(double x, double y, const std::u16string& text, uint32_t rgb, double size) {
    items_.push_back(Item{true, x, y, 0, size, rgb & 0xFFFFFF, text});
}

void Stage::paint(HDC dc, const RECT& bounds, ScaleMode mode, const std::string& align) const {
    tbx::GdiObject background(CreateSolidBrush(toColorRef(background_)));
    FillRect(dc, &bounds, static_cast<HBRUSH>(background.get()));
    StageLayout layout =
        layoutStage(width_, height_, bounds.right - bounds.left, bounds.bottom - bounds.top, mode, align);
    auto toX = [&](double x) { return bounds.left + round(layout.offsetX + x * layout.scaleX); };
    auto toY = [&](double y) { return bounds.top + round(layout.offsetY + y * layout.scaleY); };

    int savedDc = SaveDC(dc);
    IntersectClipRect(dc, bounds.left, bounds.top, bounds.right, bounds.bottom);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, TA_TOP | TA_LEFT | TA_NOUPDATECP);
    for (const Item& item : items_) {
        if (!item.text) {
            RECT rect = {toX(item.x), toY(item.y), toX(item.x + item.width), toY(item.y + item.height)};
            tbx::GdiObject brush(CreateSolidBrush(toColorRef(item.rgb)));
            FillRect(dc, &rect, static_cast<HBRUSH>(brush.get()));
            continue;
        }
        LOGFONTA description = {};
        description.lfHeight = -std::max(1, round(item.height * layout.scaleY));
        description.lfWeight = FW_NORMAL;
        description.lfCharSet = DEFAULT_CHARSET;
        description.lfQuality = ANTIALIASED_QUALITY;
        strcpy(description.lfFaceName, kTextFace);
        tbx::GdiObject font(CreateFontIndirectA(&description));
        tbx::SelectedObject selected(dc, font.get());
        SetTextColor(dc, toColorRef(item.rgb));
        TextOutW(dc, toX(item.x), toY(item.y), reinterpret_cast<LPCWSTR>(item.content.data()),
                 static_cast<int>(item.content.size()));
    }
    RestoreDC(dc, savedDc);
}

}  // namespace player
