#pragma once
#include <windows.h>

#include <memory>

#include "bridge/values/FlashExParam.h"

// A rectangle as the movie gets it: an object with left, top, right and bottom.
inline ParamPtr rectangleObject(const RECT& rect) {
    auto object = std::make_unique<FlashExParamObject>();
    object->setProperty("left", paramInt(rect.left));
    object->setProperty("top", paramInt(rect.top));
    object->setProperty("right", paramInt(rect.right));
    object->setProperty("bottom", paramInt(rect.bottom));
    return object;
}

// A size as the movie gets it: an object with w and h.
inline ParamPtr sizeObject(int width, int height) {
    auto object = std::make_unique<FlashExParamObject>();
    object->setProperty("w", paramInt(width));
    object->setProperty("h", paramInt(height));
    return object;
}
