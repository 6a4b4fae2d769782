#include "services/controls/MvAxWinInfo.h"

MvAxWinInfo::~MvAxWinInfo() {
    if (exists() && DestroyWindow(window)) window = nullptr;
    inPlaceObject.reset();
}
