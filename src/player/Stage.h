#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace player {

// How the stage is fitted into the control's window.
enum class ScaleMode { ShowAll, NoBorder, ExactFit, NoScale };

// Stage coordinates to window coordinates: window = offset + stage * scale.
struct StageLayout {
    double scaleX = 1, scaleY = 1;
    double offsetX = 0, offsetY = 0;
};

// align: the letters of the alignment setting ("LT", "B", "" = centred).
StageLayout layoutStage(int stageWidth, int stageHeight, int windowWidth, int windowHeight, ScaleMode mode,
                        const std::string& align);

// The movie's stage: its size, colour and what the script drew on it.
// Colours are 0xRRGGBB numbers as scripts write them.
class Stage {
public:
    void reset(int width, int height, uint32_t backgroundColor);
    int width() const { return width_; }
    int height() const { return height_; }
    uint32_t backgroundColor() const { return background_; }
    void setBackgroundColor(uint32_t rgb) { background_ = rgb & 0xFFFFFF; }
    double frameRate() const { return frameRate_; }
    void setFrameRate(double rate) { frameRate_ = rate; }

    void clear() { items_.clear(); }
    void fillRect(double x, double y, double width, double height, uint32_t rgb);
    void drawText(double x, double y, const std::u16string& text, uint32_t rgb, double size);

    // Paints the whole window area `bounds` of dc: background, then the drawing.
    void paint(HDC dc, const RECT& bounds, ScaleMode mode, const std::string& align) const;

private:
    struct Item {
        bool text;
        double x, y, width, height;  // height is the font size for text
        uint32_t rgb;
        std::u16string content;
    };

    int width_ = 550;
    int height_ = 400;
    uint32_t background_ = 0xFFFFFF;
    double frameRate_ = 24;
    std::vector<Item> items_;
};

COLORREF toColorRef(uint32_t rgb);

}  // namespace player
